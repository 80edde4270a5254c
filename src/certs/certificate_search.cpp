// FindCertificateBySerial and FindCertificateBySubject.
//
// A null store list, serial text or issuer text is never read: the search finds nothing, and the
// callers fall back as they do for any certificate that is not there. When no memory can be had
// for the serial bytes the search finds nothing; when none can be had for a certificate's issuer
// text, that certificate does not match and the search goes on.
#include "certs/certificate_search.h"

#include <cstring>
#include <optional>
#include <vector>

#include "certs/certificate_encoding.h"
#include "certs/certificate_text.h"
#include "certs/local_area.h"
#include "platform/serial_number.h"

namespace corvane::certs {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The serial number written as hex text (two digits a byte, most significant first; an odd last
// digit is ignored), as the platform holds serial numbers: least significant byte first. Reading
// stops at the first character that is not a hex digit, and then there is no serial number.
struct SerialBytes {
  LocalArea<BYTE> bytes;
  DWORD count = 0;
};

std::optional<SerialBytes> ParseSerialText(const char* text, uint32_t length) {
  const DWORD count = length / 2;
  std::vector<BYTE> written(count);  // in the order of the text
  for (DWORD i = 0; i < count; ++i) {
    const int high = HexDigitValue(text[2 * i]);
    if (high < 0) return std::nullopt;
    const int low = HexDigitValue(text[2 * i + 1]);
    if (low < 0) return std::nullopt;
    written[i] = static_cast<BYTE>(high << 4 | low);
  }
  SerialBytes serial{AllocateZeroed<BYTE>(count), count};
  if (!serial.bytes) return std::nullopt;
  platform::ReverseSerialBytes(written.data(), count, serial.bytes.get());
  return serial;
}

// The search that yields the candidates for a serial number. Windows has no search by serial
// number alone: there every certificate of the store is a candidate. This platform answers from
// an index of the serial numbers. Either way each candidate is compared below.
#if defined(_WIN32)
constexpr DWORD kSerialNumberCandidates = CERT_FIND_ANY;
#else
constexpr DWORD kSerialNumberCandidates = CORVANE_CERT_FIND_SERIAL_NUMBER;
#endif

// The issuer as FormatCertificateField renders it equals `issuer_text` byte for byte.
bool IssuerTextEquals(PCCERT_CONTEXT certificate, const char* issuer_text) {
  int length = 0;
  FormatCertificateField(certificate, kIssuerName, nullptr, &length);
  LocalArea<char> rendered = AllocateZeroed<char>(static_cast<size_t>(length) + 1);
  if (!rendered) return false;
  FormatCertificateField(certificate, kIssuerName, rendered.get(), &length);
  return std::strcmp(rendered.get(), issuer_text) == 0;
}

}  // namespace

PCCERT_CONTEXT FindCertificateBySerial(HCERTSTORE* stores, int32_t store_count,
                                       const char* serial_text, uint32_t serial_text_length,
                                       const char* issuer_text) {
  if (store_count == 0) return nullptr;
  if (stores == nullptr || serial_text == nullptr || issuer_text == nullptr) return nullptr;
  const std::optional<SerialBytes> serial = ParseSerialText(serial_text, serial_text_length);
  if (!serial || store_count < 0) return nullptr;
  CRYPT_INTEGER_BLOB wanted{serial->count, serial->bytes.get()};
  for (int32_t s = 0; s < store_count; ++s) {
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertFindCertificateInStore(stores[s], kCertificateEncoding, 0, kSerialNumberCandidates,
                                                     &wanted, certificate)) != nullptr) {
      if (CertCompareIntegerBlob(&certificate->pCertInfo->SerialNumber, &wanted) == TRUE &&
          IssuerTextEquals(certificate, issuer_text)) {
        return certificate;
      }
    }
  }
  return nullptr;
}

PCCERT_CONTEXT FindCertificateBySubject(HCERTSTORE* stores, int32_t store_count,
                                        const BYTE* subject_name, uint32_t subject_name_length) {
  if (store_count <= 0 || stores == nullptr) return nullptr;
  if (subject_name == nullptr && subject_name_length != 0) return nullptr;
  CERT_NAME_BLOB name{subject_name_length, const_cast<BYTE*>(subject_name)};
  for (int32_t s = 0; s < store_count; ++s) {
    PCCERT_CONTEXT found = CertFindCertificateInStore(stores[s], kCertificateEncoding, 0,
                                                      CERT_FIND_SUBJECT_NAME, &name, nullptr);
    if (found != nullptr) return found;
  }
  return nullptr;
}

}  // namespace corvane::certs
