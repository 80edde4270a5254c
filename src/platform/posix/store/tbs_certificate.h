// A certificate's TBSCertificate fields as the CERT_INFO of its context, read with the bounded DER
// reader (no OpenSSL objects: stores are opened often and can hold hundreds of certificates).
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace corvane::platform {

// The CERT_INFO of one certificate and the storage its pointers refer to. Blobs point into the
// DER bytes held here; the object is neither copied nor moved once made.
class TbsCertificate {
 public:
  // Nothing unless `der` is exactly one well-formed X.509 certificate.
  static std::unique_ptr<TbsCertificate> Parse(std::vector<BYTE> der);

  TbsCertificate(const TbsCertificate&) = delete;
  TbsCertificate& operator=(const TbsCertificate&) = delete;

  const std::vector<BYTE>& der() const { return der_; }
  CERT_INFO* info() { return &info_; }

 private:
  TbsCertificate() = default;
  bool ParseTbs();
  LPSTR KeepText(std::string text);

  std::vector<BYTE> der_;
  CERT_INFO info_{};
  std::vector<BYTE> serial_;             // least significant byte first
  std::deque<std::string> texts_;        // OID texts (stable addresses)
  std::vector<CERT_EXTENSION> extensions_;
};

}  // namespace corvane::platform
