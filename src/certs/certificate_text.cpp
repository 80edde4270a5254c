// FormatCertificateField and FormatCertificateTime.
//
// Every field is rendered into a working area of its own (length + 1 zero bytes) and only then
// copied to the caller, so that a failure never leaves part of a text in the caller's buffer.
// Serial numbers of any length are rendered in full: the area is sized from the serial's byte
// count (2n + (n - 1) / 2 characters), never a fixed size. A context without a CERT_INFO has no
// field to render: -10016 with length 0, like any field that cannot be rendered.
#include "certs/certificate_text.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>

#include "certs/certificate_encoding.h"
#include "certs/local_area.h"
#include "corvane.h"

namespace corvane::certs {
namespace {

// "%04d年%02d月%02d日 %02d:%02d:%02d(格林威治时间)" in GBK: year, month, day, hour, minute, second.
constexpr char kTimeFormat[] =
    "%04d\xC4\xEA%02d\xD4\xC2%02d\xC8\xD5 %02d:%02d:%02d("
    "\xB8\xF1\xC1\xD6\xCD\xFE\xD6\xCE\xCA\xB1\xBC\xE4)";

// A rendered field: its working area and the length to report. No area means failure.
struct RenderedField {
  LocalArea<char> area;
  int length = 0;
};

RenderedField NameText(const CERT_NAME_BLOB& name) {
  CERT_NAME_BLOB blob = name;
  const DWORD size = CertNameToStrA(kCertificateEncoding, &blob, CERT_X500_NAME_STR, nullptr, 0);
  if (size == 0 || size >= INT_MAX) return {};
  LocalArea<char> area = AllocateZeroed<char>(size + 1);
  if (!area) return {};
  const DWORD written =
      CertNameToStrA(kCertificateEncoding, &blob, CERT_X500_NAME_STR, area.get(), size);
  if (written == 0) return {};
  return {std::move(area), static_cast<int>(written)};
}

RenderedField TimeText(FILETIME time) {
  int size = 0;
  FormatCertificateTime(time, nullptr, &size);
  if (size <= 0) return {};
  LocalArea<char> area = AllocateZeroed<char>(static_cast<size_t>(size) + 1);
  if (!area) return {};
  FormatCertificateTime(time, area.get(), &size);
  if (size <= 0) return {};
  return {std::move(area), size};
}

// Upper-case hex, most significant byte first, in groups of four digits: "0123 4567 89".
RenderedField SerialNumberText(const CRYPT_INTEGER_BLOB& serial) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const size_t count = serial.cbData;
  if (count > 0 && serial.pbData == nullptr) return {};
  const size_t characters = count == 0 ? 0 : 2 * count + (count - 1) / 2;
  if (characters >= INT_MAX) return {};
  LocalArea<char> area = AllocateZeroed<char>(characters + 1);
  if (!area) return {};
  size_t position = 0;
  for (size_t k = 0; k < count; ++k) {
    if (position >= 4 && (position - 4) % 5 == 0) area[position++] = ' ';
    const BYTE byte = serial.pbData[count - 1 - k];
    area[position++] = kDigits[byte >> 4];
    area[position++] = kDigits[byte & 0x0F];
  }
  return {std::move(area), static_cast<int>(characters)};
}

}  // namespace

int FormatCertificateField(PCCERT_CONTEXT certificate, int field, char* buffer, int* length) {
  if (certificate == nullptr || length == nullptr) return CORVANE_E_MISSING_ARGUMENT;
  if (field < kSubjectName || field > kSerialNumber) {
    *length = 0;
    return CORVANE_OK;
  }
  const CERT_INFO* info = certificate->pCertInfo;
  if (info == nullptr) {
    *length = 0;
    return CORVANE_E_FIELD_NOT_RENDERABLE;
  }
  RenderedField rendered;
  switch (field) {
    case kSubjectName:
      rendered = NameText(info->Subject);
      break;
    case kIssuerName:
      rendered = NameText(info->Issuer);
      break;
    case kValidFrom:
      rendered = TimeText(info->NotBefore);
      break;
    case kValidTo:
      rendered = TimeText(info->NotAfter);
      break;
    case kSerialNumber:
      rendered = SerialNumberText(info->SerialNumber);
      break;
  }
  if (!rendered.area) {
    *length = 0;
    return CORVANE_E_FIELD_NOT_RENDERABLE;
  }
  *length = rendered.length;
  if (buffer != nullptr) std::memcpy(buffer, rendered.area.get(), static_cast<size_t>(rendered.length));
  return CORVANE_OK;
}

int FormatCertificateTime(FILETIME time, char* buffer, int* length) {
  if (length == nullptr) return CORVANE_E_MISSING_ARGUMENT;
  SYSTEMTIME calendar;
  if (!FileTimeToSystemTime(&time, &calendar)) {
    *length = 0;
    return -1;
  }
  // Five-digit fields at most (WORD values), so the text always fits.
  char text[64];
  const int written = std::snprintf(text, sizeof text, kTimeFormat, calendar.wYear,
                                    calendar.wMonth, calendar.wDay, calendar.wHour,
                                    calendar.wMinute, calendar.wSecond);
  if (written <= 0 || static_cast<size_t>(written) >= sizeof text) {
    *length = 0;
    return -1;
  }
  *length = written;
  if (buffer != nullptr) std::memcpy(buffer, text, static_cast<size_t>(written));
  return CORVANE_OK;
}

}  // namespace corvane::certs
