// The OpenSSL side of a certificate context: its X509 (made on first use, kept with the store's
// contents) and the private key linked to it, the <THUMBPRINT>.key beside it in the store folder
// (kept between calls by key_cache.h while the file is unchanged).
#include <openssl/err.h>
#include <openssl/pem.h>

#include "platform/posix/store/atomic_file.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/store/certificate_context.h"
#include "platform/posix/store/key_cache.h"
#include "platform/posix/store/store_layout.h"
#include "platform/posix/store/token_key.h"

namespace corvane::platform {
namespace {

// Never prompts: an encrypted key file is simply not usable.
int NoPassword(char*, int, int, void*) { return -1; }

// The .key file beside the context's certificate in its store folder; empty for a context of no
// store.
std::filesystem::path KeyFileOf(const ContextObject* object) {
  if (object == nullptr || object->contents->folder.empty()) return {};
  return object->contents->folder / (object->certificate->thumbprint + std::string(kKeyExtension));
}

// The text of the .key file beside the context's certificate; false when there is none.
bool KeyFileText(const ContextObject* object, std::string& text) {
  const std::filesystem::path file = KeyFileOf(object);
  return !file.empty() && ReadWholeFile(file, text).ok();
}

// The private key a key file holds as PEM; null when it cannot be read or decoded, and for a
// token key URI, which names a key instead of holding one.
ossl::UniquePtr<EVP_PKEY> ReadPrivateKeyFile(const std::filesystem::path& file) {
  std::string pem;
  if (!ReadWholeFile(file, pem).ok() || IsTokenKeyUri(pem)) return nullptr;
  ERR_set_mark();
  ossl::UniquePtr<BIO> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  ossl::UniquePtr<EVP_PKEY> key;
  if (bio != nullptr) {
    key.reset(PEM_read_bio_PrivateKey_ex(bio.get(), nullptr, NoPassword, nullptr, ossl::LibraryContext(),
                                         ossl::kNoProperties));
  }
  ERR_pop_to_mark();
  return key;
}

}  // namespace

X509* CertificateX509(PCCERT_CONTEXT context) {
  const ContextObject* object = ContextOf(context);
  return object == nullptr ? nullptr : object->certificate->OpenSslCertificate();
}

ossl::UniquePtr<EVP_PKEY> LoadLinkedPrivateKey(PCCERT_CONTEXT context, DWORD* failure) {
  DWORD ignored = 0;
  DWORD& reason = failure != nullptr ? *failure : ignored;
  reason = CRYPT_E_NO_KEY_PROPERTY;
  const ContextObject* object = ContextOf(context);
  if (object == nullptr) return nullptr;
  X509* certificate = object->certificate->OpenSslCertificate();
  const std::filesystem::path file = KeyFileOf(object);
  if (certificate == nullptr || file.empty()) return nullptr;

  // A file key comes from the cache. A token key is looked up on its token on every call: its
  // login lasts only as long as the call's provider context.
  ossl::UniquePtr<EVP_PKEY> key = CachedPrivateKey(file, ReadPrivateKeyFile);
  if (key == nullptr) {
    if (const std::optional<TokenKeyUri> uri = LinkedTokenKeyUri(context)) {
      key = LoadTokenKey(*uri, reason);
    }
  }
  ERR_set_mark();
  EVP_PKEY* public_key = X509_get0_pubkey(certificate);
  if (key != nullptr && (public_key == nullptr || EVP_PKEY_eq(key.get(), public_key) != 1)) key.reset();
  ERR_pop_to_mark();
  if (key != nullptr) reason = 0;
  return key;
}

std::optional<TokenKeyUri> LinkedTokenKeyUri(PCCERT_CONTEXT context) {
  std::string text;
  if (!KeyFileText(ContextOf(context), text)) return std::nullopt;
  return ParseTokenKeyUri(text);
}

std::vector<uint8_t> KeyIdentifierOf(X509* certificate) {
  if (const ASN1_OCTET_STRING* extension = X509_get0_subject_key_id(certificate)) {
    const uint8_t* data = ASN1_STRING_get0_data(extension);
    return std::vector<uint8_t>(data, data + ASN1_STRING_length(extension));
  }
  const ossl::UniquePtr<EVP_MD> sha1(
      EVP_MD_fetch(ossl::LibraryContext(), "SHA1", ossl::kNoProperties));
  std::vector<uint8_t> digest(EVP_MAX_MD_SIZE);
  unsigned int size = 0;
  if (sha1 == nullptr || X509_pubkey_digest(certificate, sha1.get(), digest.data(), &size) != 1) {
    return {};
  }
  digest.resize(size);
  return digest;
}

}  // namespace corvane::platform
