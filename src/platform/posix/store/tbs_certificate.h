// A certificate's TBSCertificate fields as the CERT_INFO of its context, read with the bounded
// reader under strict DER rules (no OpenSSL objects: stores are opened often and can hold hundreds
// of certificates).
#pragma once

#include <array>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/asn1/asn1_reader.h"

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
  // The steps of Parse, in the order of the fields; each false when its field is malformed.
  bool ParseCertificate();
  bool ReadVersion(asn1::Reader& fields);
  bool ReadSerialNumber(asn1::Reader& fields);
  bool ReadAlgorithm(const std::optional<asn1::Element>& sequence,
                     CRYPT_ALGORITHM_IDENTIFIER& algorithm);
  bool ReadName(asn1::Reader& fields, CERT_NAME_BLOB& name);
  bool ReadValidity(asn1::Reader& fields);
  bool ReadPublicKeyInfo(asn1::Reader& fields);
  bool ReadUniqueIds(asn1::Reader& fields);
  bool ReadExtensions(asn1::Reader& fields);
  bool ReadExtension(asn1::Reader& entries);
  LPSTR KeepText(std::string text);

  // The serial number, least significant byte first: within the object, beside the CERT_INFO
  // that points at it, when it is no longer than RFC 5280 allows (a search comparing serials
  // then reads no other memory), else on the heap.
  std::array<BYTE, 20> short_serial_{};
  std::vector<BYTE> der_;
  CERT_INFO info_{};
  std::vector<BYTE> long_serial_;
  std::deque<std::string> texts_;        // OID texts (stable addresses)
  std::vector<CERT_EXTENSION> extensions_;
};

}  // namespace corvane::platform
