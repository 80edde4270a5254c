// Thumbprint: the upper-case hex SHA-1 of a certificate's DER, computed in the private library
// context.
#include "platform/posix/store/thumbprint.h"

#include <openssl/evp.h>

#include "platform/posix/hex_text.h"

namespace corvane::platform {

std::string Thumbprint(const BYTE* der, size_t length) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  size_t digest_length = 0;
  if (EVP_Q_digest(ossl::LibraryContext(), "SHA1", ossl::kNoProperties, der, length, digest,
                   &digest_length) != 1) {
    return std::string();
  }
  return UpperHex(digest, digest_length);
}

std::string Thumbprint(X509* certificate) {
  const ossl::UniquePtr<EVP_MD> sha1(
      EVP_MD_fetch(ossl::LibraryContext(), "SHA1", ossl::kNoProperties));
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digest_length = 0;
  if (sha1 == nullptr || X509_digest(certificate, sha1.get(), digest, &digest_length) != 1) {
    return std::string();
  }
  return UpperHex(digest, digest_length);
}

}  // namespace corvane::platform
