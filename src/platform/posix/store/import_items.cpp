#include "platform/posix/store/import_items.h"

#include <openssl/decoder.h>
#include <openssl/err.h>
#include <openssl/pem.h>

#include <cstring>

#include "platform/posix/store/pkcs12_iterations.h"

namespace corvane::platform {
namespace {

// Holds the OpenSSL error queue's state; whatever is queued inside a read is dropped.
class ErrorMark {
 public:
  ErrorMark() { ERR_set_mark(); }
  ~ErrorMark() { ERR_pop_to_mark(); }
  ErrorMark(const ErrorMark&) = delete;
  ErrorMark& operator=(const ErrorMark&) = delete;
};

const unsigned char* Bytes(const std::string& text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

// A certificate from exactly these DER bytes, made in the private library context.
ossl::UniquePtr<X509> CertificateFromDer(const unsigned char* der, size_t size) {
  X509* target = X509_new_ex(ossl::LibraryContext(), ossl::kNoProperties);
  if (target == nullptr) return nullptr;
  const unsigned char* cursor = der;
  const bool parsed = d2i_X509(&target, &cursor, static_cast<long>(size)) != nullptr;
  ossl::UniquePtr<X509> certificate(target);  // d2i_X509 freed it when it failed
  if (!parsed || cursor != der + size) return nullptr;
  return certificate;
}

// A private key from PEM or DER bytes (PKCS #8, encrypted PKCS #8 or traditional).
ossl::UniquePtr<EVP_PKEY> KeyFrom(const unsigned char* data, size_t size, const char* input_type,
                                  const std::optional<std::string>& password) {
  EVP_PKEY* key = nullptr;
  OSSL_DECODER_CTX* decoder = OSSL_DECODER_CTX_new_for_pkey(
      &key, input_type, nullptr, nullptr, OSSL_KEYMGMT_SELECT_KEYPAIR, ossl::LibraryContext(),
      ossl::kNoProperties);
  if (decoder == nullptr) return nullptr;
  if (password) {
    OSSL_DECODER_CTX_set_passphrase(decoder, Bytes(*password), password->size());
  }
  const unsigned char* cursor = data;
  size_t remaining = size;
  const bool decoded = OSSL_DECODER_from_data(decoder, &cursor, &remaining) == 1;
  OSSL_DECODER_CTX_free(decoder);
  ossl::UniquePtr<EVP_PKEY> owner(key);
  if (!decoded) return nullptr;
  return owner;
}

// Why a file could not be read, and whether a password would have been needed for it.
struct ReadFailure {
  std::string reason;
  bool needs_password = false;
};

bool ReadPkcs12(const std::string& bytes, const std::optional<std::string>& password, ImportItems& items,
                ReadFailure& failure) {
  std::string& error = failure.reason;
  // Made in the private library context first, so that legacy PBE algorithms are found.
  PKCS12* target = PKCS12_init_ex(NID_pkcs7_data, ossl::LibraryContext(), ossl::kNoProperties);
  if (target == nullptr) return false;
  const unsigned char* cursor = Bytes(bytes);
  const bool parsed = d2i_PKCS12(&target, &cursor, static_cast<long>(bytes.size())) != nullptr;
  ossl::UniquePtr<PKCS12> p12(target);
  if (!parsed || cursor != Bytes(bytes) + bytes.size()) return false;
  // Counted before the password is used with any of them: a file may ask for endless rounds.
  const Status iterations = CheckPkcs12Iterations(*p12, password);
  if (!iterations.ok()) {
    error = iterations.Text();
    return true;
  }

  EVP_PKEY* key = nullptr;
  X509* certificate = nullptr;
  STACK_OF(X509)* chain = nullptr;
  const char* pass = password ? password->c_str() : "";
  if (PKCS12_parse(p12.get(), pass, &key, &certificate, &chain) != 1) {
    error = password ? "cannot open the PKCS #12 file (wrong password?)"
                     : "cannot open the PKCS #12 file (it needs a password)";
    failure.needs_password = !password;
    return true;  // it is a PKCS #12 file; the error says why it cannot be read
  }
  if (key != nullptr) items.keys.emplace_back(key);
  if (certificate != nullptr) items.certificates.emplace_back(certificate);
  for (int i = 0; chain != nullptr && i < sk_X509_num(chain); ++i) {
    items.chain.emplace_back(sk_X509_value(chain, i));
  }
  sk_X509_free(chain);  // the certificates now belong to items
  if (certificate == nullptr && key == nullptr && items.chain.empty()) error = "the PKCS #12 file is empty";
  return true;
}

bool IsKeyLabel(const char* label) { return std::strstr(label, "PRIVATE KEY") != nullptr; }

bool ReadPem(const std::string& bytes, const std::optional<std::string>& password, ImportItems& items,
             ReadFailure& failure) {
  std::string& error = failure.reason;
  ossl::UniquePtr<BIO> in(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
  int blocks = 0;
  for (;;) {
    char* label = nullptr;
    char* header = nullptr;
    unsigned char* data = nullptr;
    long length = 0;
    if (PEM_read_bio(in.get(), &label, &header, &data, &length) != 1) {
      const bool at_end = ERR_GET_REASON(ERR_peek_last_error()) == PEM_R_NO_START_LINE;
      if (!at_end) error = "malformed PEM data";
      else if (blocks == 0) error = "no PEM data";
      return error.empty();
    }
    ++blocks;
    const std::string name = label;
    if (name == "CERTIFICATE" || name == "X509 CERTIFICATE") {
      auto certificate = CertificateFromDer(data, static_cast<size_t>(length));
      if (certificate) items.certificates.push_back(std::move(certificate));
      else error = "a CERTIFICATE block is not a certificate";
    } else if (IsKeyLabel(label)) {
      // Handed to the decoder as PEM again: encrypted traditional keys keep their headers.
      ossl::UniquePtr<BIO> block(BIO_new(BIO_s_mem()));
      PEM_write_bio(block.get(), label, header, data, length);
      char* pem = nullptr;
      const long pem_length = BIO_get_mem_data(block.get(), &pem);
      auto key = KeyFrom(reinterpret_cast<unsigned char*>(pem), static_cast<size_t>(pem_length), "PEM", password);
      if (key) {
        items.keys.push_back(std::move(key));
      } else {
        error = password ? "cannot read the private key (wrong password?)"
                         : "cannot read the private key (encrypted? it needs a password)";
        failure.needs_password =
            !password && (name == "ENCRYPTED PRIVATE KEY" || std::strstr(header, "ENCRYPTED") != nullptr);
      }
    } else {
      error = "unsupported PEM block \"" + name + "\"";
    }
    OPENSSL_free(label);
    OPENSSL_free(header);
    OPENSSL_free(data);
    if (!error.empty()) return false;
  }
}

// The reading itself; false with the reason in `error`.
bool ReadItems(const std::string& bytes, const std::optional<std::string>& password,
               ImportItems& items, ReadFailure& failure) {
  ErrorMark mark;
  std::string& error = failure.reason;
  if (bytes.find("-----BEGIN ") != std::string::npos) return ReadPem(bytes, password, items, failure);
  if (auto certificate = CertificateFromDer(Bytes(bytes), bytes.size())) {
    items.certificates.push_back(std::move(certificate));
    return true;
  }
  if (ReadPkcs12(bytes, password, items, failure)) return error.empty();
  if (auto key = KeyFrom(Bytes(bytes), bytes.size(), "DER", password)) {
    items.keys.push_back(std::move(key));
    return true;
  }
  error = "not a certificate, private key or PKCS #12 file";
  return false;
}

}  // namespace

Status ReadImportFile(const std::string& origin, const std::string& bytes,
                      const std::optional<std::string>& password, ImportItems& items) {
  ReadFailure failure;
  ImportItems read_here;
  if (!ReadItems(bytes, password, read_here, failure)) {
    return Status(failure.needs_password ? ERROR_INVALID_PASSWORD : CRYPT_E_ASN1_CORRUPT)
        .Because(origin + ": " + failure.reason);
  }
  auto move_all = [](auto& from, auto& to) {
    for (auto& item : from) to.push_back(std::move(item));
  };
  move_all(read_here.certificates, items.certificates);
  move_all(read_here.keys, items.keys);
  move_all(read_here.chain, items.chain);
  items.key_origins.resize(items.keys.size(), origin);
  return Status();
}

}  // namespace corvane::platform
