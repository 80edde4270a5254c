// Thumbprint: the upper-case hex SHA-1 of a certificate's DER, computed in the private library
// context.
#include <openssl/evp.h>

#include "platform/posix/store/thumbprint.h"

namespace corvane::platform {

std::string Thumbprint(const BYTE* der, size_t length) {
  static EVP_MD* const sha1 = EVP_MD_fetch(ossl::LibraryContext(), "SHA1", ossl::kNoProperties);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digest_length = 0;
  if (sha1 == nullptr || EVP_Digest(der, length, digest, &digest_length, sha1, nullptr) != 1) {
    return std::string();
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(digest_length * 2);
  for (unsigned int i = 0; i < digest_length; ++i) {
    text += kHex[digest[i] >> 4];
    text += kHex[digest[i] & 0x0F];
  }
  return text;
}

std::string Thumbprint(X509* certificate) {
  unsigned char* der = nullptr;
  const int length = i2d_X509(certificate, &der);
  if (length <= 0) return std::string();
  std::string thumbprint = Thumbprint(der, static_cast<size_t>(length));
  OPENSSL_free(der);
  return thumbprint;
}

}  // namespace corvane::platform
