#include "platform/posix/message/content_decryption.h"

#include <climits>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/posix/ossl.h"
#include "platform/posix/message/rc4_key.h"
#include "platform/posix/message/unsupported_algorithm.h"

namespace corvane::platform {
namespace {

struct BlockCipher {
  std::string_view oid;
  const char* name;  // as fetched from the library context
};

constexpr BlockCipher kBlockCiphers[] = {
    {"1.2.840.113549.3.7", "DES-EDE3-CBC"},
    {"2.16.840.1.101.3.4.1.2", "AES-128-CBC"},
    {"2.16.840.1.101.3.4.1.22", "AES-192-CBC"},
    {"2.16.840.1.101.3.4.1.42", "AES-256-CBC"},
    {"1.3.14.3.2.7", "DES-CBC"},
};

const BlockCipher* FindBlockCipher(std::string_view oid) {
  for (const BlockCipher& cipher : kBlockCiphers) {
    if (cipher.oid == oid) return &cipher;
  }
  return nullptr;
}

// The bytes a decryption may write for `ciphertext_size` bytes: OpenSSL asks for one block more
// than the input of a block cipher.
size_t OutputRoom(EVP_CIPHER_CTX* context, size_t ciphertext_size) {
  const auto block = static_cast<size_t>(EVP_CIPHER_CTX_get_block_size(context));
  return ciphertext_size + (block > 1 ? block : 0);
}

// Runs the cipher over the whole ciphertext into `plain`, which has OutputRoom bytes; the
// content's length, or nothing when OpenSSL refuses it (for the CBC ciphers: when the final
// block's padding is wrong), and then what was written is wiped.
std::optional<size_t> RunCipher(EVP_CIPHER_CTX* context, std::span<const uint8_t> ciphertext,
                                uint8_t* plain) {
  if (OutputRoom(context, ciphertext.size()) > static_cast<size_t>(INT_MAX)) return std::nullopt;
  int written = 0;
  int final_written = 0;
  if (EVP_DecryptUpdate(context, plain, &written, ciphertext.data(),
                        static_cast<int>(ciphertext.size())) != 1 ||
      EVP_DecryptFinal_ex(context, plain + written, &final_written) != 1) {
    OPENSSL_cleanse(plain, OutputRoom(context, ciphertext.size()));
    return std::nullopt;
  }
  return static_cast<size_t>(written) + static_cast<size_t>(final_written);
}

// Decrypts into `output` of capacity `*size`, through a buffer of its own when `output` has not
// the room the cipher may write.
Status Decrypt(EVP_CIPHER_CTX* context, std::span<const uint8_t> ciphertext, BYTE* output,
               DWORD* size) {
  const DWORD capacity = *size;
  if (OutputRoom(context, ciphertext.size()) <= capacity) {
    const std::optional<size_t> length = RunCipher(context, ciphertext, output);
    if (!length) return Status(NTE_BAD_DATA);
    *size = static_cast<DWORD>(*length);
    return Status();
  }
  std::vector<uint8_t> plain(OutputRoom(context, ciphertext.size()));
  const std::optional<size_t> length = RunCipher(context, ciphertext, plain.data());
  if (!length) return Status(NTE_BAD_DATA);
  *size = static_cast<DWORD>(*length);
  if (*length > capacity) return Status(ERROR_MORE_DATA);
  if (*length != 0) std::memcpy(output, plain.data(), *length);
  return Status();
}

}  // namespace

Status DecryptContent(const AlgorithmIdentifier& algorithm, const SecretBytes& content_key,
                      std::span<const uint8_t> ciphertext, BYTE* output, DWORD* size) {
  const BlockCipher* block_cipher = FindBlockCipher(algorithm.oid);
  const bool rc4 = algorithm.oid == kRc4Oid;
  if (block_cipher == nullptr && !rc4) {
    return UnsupportedAlgorithm("the envelope's content cipher", algorithm.oid, CRYPT_E_UNKNOWN_ALGO);
  }

  const EVP_CIPHER* cipher = ossl::FetchedCipher(rc4 ? "RC4" : block_cipher->name);
  if (cipher == nullptr) return Status(CRYPT_E_UNKNOWN_ALGO);
  ossl::UniquePtr<EVP_CIPHER_CTX> context(EVP_CIPHER_CTX_new());
  if (!context || EVP_DecryptInit_ex2(context.get(), cipher, nullptr, nullptr, nullptr) != 1) {
    return Status(NTE_NO_MEMORY);
  }

  std::optional<SecretBytes> rc4_key;
  const SecretBytes* key = &content_key;
  const uint8_t* iv = nullptr;
  if (rc4) {
    rc4_key = Rc4Key(content_key, algorithm);
    if (!rc4_key) return Status(CRYPT_E_MSG_ERROR);
    key = &*rc4_key;
    if (EVP_CIPHER_CTX_set_key_length(context.get(), static_cast<int>(key->size())) != 1) {
      return Status(NTE_BAD_KEY);
    }
  } else {
    if (algorithm.parameters != AlgorithmIdentifier::Parameters::kOctetString ||
        algorithm.octets.size() != static_cast<size_t>(EVP_CIPHER_get_iv_length(cipher))) {
      return Status(CRYPT_E_MSG_ERROR);
    }
    iv = algorithm.octets.data();
  }
  // OpenSSL reads as many key bytes as the context's key length: the key must have exactly that.
  if (key->size() != static_cast<size_t>(EVP_CIPHER_CTX_get_key_length(context.get()))) {
    return Status(NTE_BAD_KEY);
  }
  if (EVP_DecryptInit_ex2(context.get(), nullptr, key->data(), iv, nullptr) != 1) {
    return Status(NTE_BAD_KEY);
  }
  return Decrypt(context.get(), ciphertext, output, size);
}

}  // namespace corvane::platform
