#include "platform/posix/message/content_decryption.h"

#include <climits>
#include <optional>
#include <string_view>

#include "platform/posix/ossl.h"
#include "platform/posix/message/rc4_key.h"

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

// Runs the cipher over the whole ciphertext; false when OpenSSL refuses it (for the CBC
// ciphers: when the final block's padding is wrong).
bool RunCipher(EVP_CIPHER_CTX* context, const std::vector<uint8_t>& ciphertext,
               std::vector<uint8_t>& content) {
  const size_t block = static_cast<size_t>(EVP_CIPHER_CTX_get_block_size(context));
  if (ciphertext.size() > static_cast<size_t>(INT_MAX) - block) return false;
  std::vector<uint8_t> plain(ciphertext.size() + block);
  int written = 0;
  if (EVP_DecryptUpdate(context, plain.data(), &written, ciphertext.data(),
                        static_cast<int>(ciphertext.size())) != 1) {
    return false;
  }
  int final_written = 0;
  if (EVP_DecryptFinal_ex(context, plain.data() + written, &final_written) != 1) return false;
  plain.resize(static_cast<size_t>(written) + static_cast<size_t>(final_written));
  content = std::move(plain);
  return true;
}

}  // namespace

Status DecryptContent(const AlgorithmIdentifier& algorithm, const SecretBytes& content_key,
                     const std::vector<uint8_t>& ciphertext, std::vector<uint8_t>& content) {
  const BlockCipher* block_cipher = FindBlockCipher(algorithm.oid);
  const bool rc4 = algorithm.oid == kRc4Oid;
  if (block_cipher == nullptr && !rc4) return Status(CRYPT_E_UNKNOWN_ALGO);

  ossl::UniquePtr<EVP_CIPHER> cipher(EVP_CIPHER_fetch(
      ossl::LibraryContext(), rc4 ? "RC4" : block_cipher->name, ossl::kNoProperties));
  if (!cipher) return Status(CRYPT_E_UNKNOWN_ALGO);
  ossl::UniquePtr<EVP_CIPHER_CTX> context(EVP_CIPHER_CTX_new());
  if (!context || EVP_DecryptInit_ex2(context.get(), cipher.get(), nullptr, nullptr, nullptr) != 1) {
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
        algorithm.octets.size() != static_cast<size_t>(EVP_CIPHER_get_iv_length(cipher.get()))) {
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
  return RunCipher(context.get(), ciphertext, content) ? Status() : Status(NTE_BAD_DATA);
}

}  // namespace corvane::platform
