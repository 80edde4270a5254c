// Scoped owners for OpenSSL objects and the library's private OpenSSL context.
//
// ossl::UniquePtr<X509> and friends free their object with the matching OpenSSL function, so no
// OpenSSL object is ever released by hand. All cryptography of the platform layer runs in one
// private OSSL_LIB_CTX with the default and legacy providers loaded: the host process's own
// OpenSSL setup (its default context, its providers, its configuration) is never touched.
#pragma once

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/cms.h>
#include <openssl/decoder.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace corvane::ossl {

template <typename T>
struct Deleter;

#define CORVANE_OSSL_DELETER(type, free_function)   \
  template <>                                       \
  struct Deleter<type> {                            \
    void operator()(type* object) const { free_function(object); } \
  }

// ASN1_INTEGER, ASN1_OCTET_STRING, ASN1_TIME ... are all ASN1_STRING underneath: one owner.
CORVANE_OSSL_DELETER(ASN1_STRING, ASN1_STRING_free);
CORVANE_OSSL_DELETER(ASN1_OBJECT, ASN1_OBJECT_free);
CORVANE_OSSL_DELETER(BIGNUM, BN_free);
CORVANE_OSSL_DELETER(BIO, BIO_free_all);
CORVANE_OSSL_DELETER(CMS_ContentInfo, CMS_ContentInfo_free);
CORVANE_OSSL_DELETER(EVP_CIPHER, EVP_CIPHER_free);
CORVANE_OSSL_DELETER(EVP_CIPHER_CTX, EVP_CIPHER_CTX_free);
CORVANE_OSSL_DELETER(EVP_ENCODE_CTX, EVP_ENCODE_CTX_free);
CORVANE_OSSL_DELETER(EVP_MD, EVP_MD_free);
CORVANE_OSSL_DELETER(EVP_MD_CTX, EVP_MD_CTX_free);
CORVANE_OSSL_DELETER(EVP_PKEY, EVP_PKEY_free);
CORVANE_OSSL_DELETER(EVP_PKEY_CTX, EVP_PKEY_CTX_free);
CORVANE_OSSL_DELETER(OSSL_DECODER_CTX, OSSL_DECODER_CTX_free);
CORVANE_OSSL_DELETER(PBEPARAM, PBEPARAM_free);
CORVANE_OSSL_DELETER(PBE2PARAM, PBE2PARAM_free);
CORVANE_OSSL_DELETER(PBKDF2PARAM, PBKDF2PARAM_free);
CORVANE_OSSL_DELETER(PKCS12, PKCS12_free);
CORVANE_OSSL_DELETER(PKCS7, PKCS7_free);
CORVANE_OSSL_DELETER(X509, X509_free);
CORVANE_OSSL_DELETER(X509_ALGOR, X509_ALGOR_free);
CORVANE_OSSL_DELETER(X509_CRL, X509_CRL_free);
CORVANE_OSSL_DELETER(X509_EXTENSION, X509_EXTENSION_free);
CORVANE_OSSL_DELETER(X509_LOOKUP_METHOD, X509_LOOKUP_meth_free);
CORVANE_OSSL_DELETER(X509_NAME, X509_NAME_free);
CORVANE_OSSL_DELETER(X509_STORE, X509_STORE_free);
CORVANE_OSSL_DELETER(SCRYPT_PARAMS, SCRYPT_PARAMS_free);
CORVANE_OSSL_DELETER(X509_STORE_CTX, X509_STORE_CTX_free);

// A certificate stack that owns its certificates (as CMS_get1_certs returns it).
inline void FreeCertificateStack(STACK_OF(X509) * stack) { sk_X509_pop_free(stack, X509_free); }
CORVANE_OSSL_DELETER(STACK_OF(X509), FreeCertificateStack);
// The same for revocation lists.
inline void FreeRevocationListStack(STACK_OF(X509_CRL) * stack) {
  sk_X509_CRL_pop_free(stack, X509_CRL_free);
}
CORVANE_OSSL_DELETER(STACK_OF(X509_CRL), FreeRevocationListStack);
// The same for the parts of a PKCS #12 file (PKCS12_unpack_authsafes, PKCS12_unpack_p7data).
inline void FreePkcs7Stack(STACK_OF(PKCS7) * stack) { sk_PKCS7_pop_free(stack, PKCS7_free); }
CORVANE_OSSL_DELETER(STACK_OF(PKCS7), FreePkcs7Stack);
inline void FreeSafeBagStack(STACK_OF(PKCS12_SAFEBAG) * stack) {
  sk_PKCS12_SAFEBAG_pop_free(stack, PKCS12_SAFEBAG_free);
}
CORVANE_OSSL_DELETER(STACK_OF(PKCS12_SAFEBAG), FreeSafeBagStack);

#undef CORVANE_OSSL_DELETER

template <typename T>
using UniquePtr = std::unique_ptr<T, Deleter<T>>;

// The owner of memory OpenSSL allocated for the caller (encodings, PEM labels and data).
struct OpenSslFree {
  void operator()(void* memory) const { OPENSSL_free(memory); }
};
template <typename T>
using OpenSslMemory = std::unique_ptr<T, OpenSslFree>;

// The DER encoding of `object` made by `encode` (i2d_X509, i2d_X509_CRL, ...); empty when it
// cannot be encoded.
template <typename T>
std::string DerOf(const T* object, int (*encode)(const T*, unsigned char**)) {
  unsigned char* der = nullptr;
  const int length = encode(object, &der);
  const OpenSslMemory<unsigned char> owned(der);
  return length > 0 ? std::string(reinterpret_cast<const char*>(der), static_cast<size_t>(length)) : std::string();
}

// Leaves OpenSSL's error queue as it was found, whatever the calls made in its scope left in it.
class ErrorQueueMark {
 public:
  ErrorQueueMark() { ERR_set_mark(); }
  ~ErrorQueueMark() { ERR_pop_to_mark(); }
  ErrorQueueMark(const ErrorQueueMark&) = delete;
  ErrorQueueMark& operator=(const ErrorQueueMark&) = delete;
};

// The private library context (default + legacy providers), created on first use.
OSSL_LIB_CTX* LibraryContext();

// Property query for fetches from LibraryContext(): null (any provider).
inline constexpr const char* kNoProperties = nullptr;

// The cipher or digest of this name from LibraryContext(), fetched on first use and kept for the
// life of the process, as the context is; null when no provider has it (asked again next time).
const EVP_CIPHER* FetchedCipher(const char* name);
const EVP_MD* FetchedDigest(const char* name);

}  // namespace corvane::ossl
