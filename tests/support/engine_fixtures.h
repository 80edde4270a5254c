// Helpers for the message engine tests: a personal store with test certificates, the two-pass
// calls of CryptDecryptMessage and CryptSignMessage, and envelopes built byte by byte in the forms
// other peers write (Windows RC4 envelopes, BER with indefinite lengths and split strings).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ossl.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane::testing {

// A store root with an open "MY" store; certificates are installed before the store is opened.
class PersonalStore {
 public:
  explicit PersonalStore(const std::vector<const Party*>& with_keys,
                         const std::vector<const Party*>& without_keys = {});
  ~PersonalStore();
  PersonalStore(const PersonalStore&) = delete;
  PersonalStore& operator=(const PersonalStore&) = delete;

  HCERTSTORE handle() const { return store_; }
  TestHome& home() { return home_; }
  // The store's context for a certificate (the caller frees it); null when it is not there.
  PCCERT_CONTEXT ContextOf(X509* certificate) const;

 private:
  TestHome home_;
  HCERTSTORE store_ = nullptr;
};

// Outcome of a platform message call made twice (size, then into a buffer of that size + 1).
struct MessageCallResult {
  bool ok = false;
  DWORD error = 0;     // GetLastError after the failing pass
  std::string output;  // the bytes of the second pass
  DWORD size_pass = 0; // the size the first pass reported
};

MessageCallResult DecryptWithStore(HCERTSTORE store, const std::string& message);
// The signing parameters the library passes: `signer` with the hash, and `count` certificates for
// the message from `certificates`.
CRYPT_SIGN_MESSAGE_PARA SignParameters(PCCERT_CONTEXT signer, const char* hash_oid,
                                       const PCCERT_CONTEXT* certificates = nullptr, DWORD count = 0);
MessageCallResult SignWithCertificate(PCCERT_CONTEXT signer, const std::string& content,
                                      bool detached, const char* hash_oid = szOID_OIWSEC_sha1);

// DER building blocks.
std::string Tlv(unsigned char tag, const std::string& content);
std::string IndefiniteTlv(unsigned char tag, const std::string& content);  // constructed only
std::string OidTlv(const char* dotted);
std::string OctetStringTlv(const std::string& value);
inline const std::string kNullTlv("\x05\x00", 2);

// An enveloped message assembled field by field: version 0, one key transport recipient
// (issuerAndSerialNumber, or with by_key_identifier the SHA-1 of the public key as subject key
// identifier; `key_transport` with NULL parameters) per certificate, each wrapping `content_key`
// with RSA PKCS #1 v1.5, and the given content algorithm and ciphertext. With
// key_encryption_key_first a recipient of another kind (a KEKRecipientInfo) comes first; with
// corrupt_wrapped_key every wrapped key has one bit flipped.
struct HandMadeEnvelope {
  std::vector<X509*> recipients;
  std::string content_key;
  const char* content_algorithm = szOID_RSA_RC4;
  std::optional<std::string> parameters;  // the whole parameters element; nullopt: absent
  std::string ciphertext;
  size_t piece_size = 0;    // non-zero: the ciphertext as a constructed string of such pieces
  bool indefinite = false;  // indefinite lengths on every constructed element above the names
  bool by_key_identifier = false;
  const char* key_transport = "1.2.840.113549.1.1.1";  // rsaEncryption
  bool key_encryption_key_first = false;
  bool corrupt_wrapped_key = false;
};
std::string BuildEnvelope(const HandMadeEnvelope& envelope);

// Encryption with the test's own OpenSSL context (default and legacy providers), independent of
// the library's: `cipher` is an OpenSSL name ("RC4", "AES-128-CBC"); iv may be empty.
std::string EncryptWithCipher(const char* cipher, const std::string& key, const std::string& iv,
                              const std::string& plain);

}  // namespace corvane::testing
