// The private key linked to a store's certificate: the <THUMBPRINT>.key beside it in the store
// folder, a PEM key (kept between calls by key_cache.h while the file is unchanged) or a token
// key URI.
#include "platform/posix/keys/linked_key.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include "platform/posix/files/store_layout.h"
#include "platform/posix/files/whole_file.h"
#include "platform/posix/keys/key_cache.h"
#include "platform/posix/store/certificate_context.h"

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

Status LoadLinkedPrivateKey(PCCERT_CONTEXT context, PinPrompt ask_pin,
                            ossl::UniquePtr<EVP_PKEY>& key) {
  key.reset();
  const ContextObject* object = ContextOf(context);
  if (object == nullptr) return Status(CRYPT_E_NO_KEY_PROPERTY);
  X509* certificate = object->certificate->OpenSslCertificate();
  const std::filesystem::path file = KeyFileOf(object);
  if (certificate == nullptr || file.empty()) return Status(CRYPT_E_NO_KEY_PROPERTY);

  // A file key comes from the cache. A token key is looked up on its token on every call: its
  // login lasts only as long as the call's provider context.
  key = CachedPrivateKey(file, ReadPrivateKeyFile);
  if (key == nullptr) {
    if (const std::optional<TokenKeyUri> uri = LinkedTokenKeyUri(context)) {
      const Status status = LoadTokenKey(*uri, ask_pin, key);
      if (!status.ok()) return status;
    }
  }
  ERR_set_mark();
  EVP_PKEY* public_key = X509_get0_pubkey(certificate);
  if (key != nullptr && (public_key == nullptr || EVP_PKEY_eq(key.get(), public_key) != 1)) key.reset();
  ERR_pop_to_mark();
  return key != nullptr ? Status() : Status(CRYPT_E_NO_KEY_PROPERTY);
}

std::optional<TokenKeyUri> LinkedTokenKeyUri(PCCERT_CONTEXT context) {
  std::string text;
  if (!KeyFileText(ContextOf(context), text)) return std::nullopt;
  return ParseTokenKeyUri(text);
}

}  // namespace corvane::platform
