// The OpenSSL side of a certificate context: its X509, made on first use and kept with the
// store's contents, and the identifier messages name it by.
#include "platform/posix/store/certificate_x509.h"

#include "platform/posix/store/certificate_context.h"

namespace corvane::platform {

X509* CertificateX509(PCCERT_CONTEXT context) {
  const ContextObject* object = ContextOf(context);
  return object == nullptr ? nullptr : object->certificate->OpenSslCertificate();
}

std::vector<uint8_t> KeyIdentifierOf(X509* certificate) {
  if (const ASN1_OCTET_STRING* extension = X509_get0_subject_key_id(certificate)) {
    const uint8_t* data = ASN1_STRING_get0_data(extension);
    return std::vector<uint8_t>(data, data + ASN1_STRING_length(extension));
  }
  const EVP_MD* sha1 = ossl::FetchedDigest("SHA1");
  std::vector<uint8_t> digest(EVP_MAX_MD_SIZE);
  unsigned int size = 0;
  if (sha1 == nullptr || X509_pubkey_digest(certificate, sha1, digest.data(), &size) != 1) {
    return {};
  }
  digest.resize(size);
  return digest;
}

}  // namespace corvane::platform
