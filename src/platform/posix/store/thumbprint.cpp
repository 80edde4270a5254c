// Thumbprint: the upper-case hex SHA-1 of a certificate's DER, computed in the private library
// context.
#include "platform/posix/store/thumbprint.h"

#include <openssl/evp.h>

#include "platform/posix/hex_text.h"

namespace corvane::platform {

std::string Thumbprint(const BYTE* der, size_t length) {
  const EVP_MD* sha1 = ossl::FetchedDigest("SHA1");
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digest_length = 0;
  if (sha1 == nullptr || EVP_Digest(der, length, digest, &digest_length, sha1, nullptr) != 1) {
    return std::string();
  }
  return UpperHex(digest, digest_length);
}

std::string Thumbprint(X509* certificate) {
  const EVP_MD* sha1 = ossl::FetchedDigest("SHA1");
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digest_length = 0;
  if (sha1 == nullptr || X509_digest(certificate, sha1, digest, &digest_length) != 1) {
    return std::string();
  }
  return UpperHex(digest, digest_length);
}

}  // namespace corvane::platform
