// What a user of OpenSSL's PKCS #7 API writes for the same four operations as the exports, with
// the same key and certificates and the same line-broken Base64 (OpenSSL's own encoder).
#pragma once

#include <string>

#include "platform/posix/ossl.h"

namespace corvane::bench {

class OpensslPeer {
 public:
  OpensslPeer(X509* certificate, EVP_PKEY* key, X509* ca);

  std::string SignAttached(const std::string& data) const;
  std::string Verify(const std::string& text) const;  // the content
  std::string EnvelopeRc4(const std::string& data) const;
  std::string Open(const std::string& text) const;    // the content

 private:
  X509* certificate_;
  EVP_PKEY* key_;
  ossl::UniquePtr<X509_STORE> trusted_;
};

}  // namespace corvane::bench
