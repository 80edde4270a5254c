#include "certificate_fields.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "certs/certificate_text.h"
#include "platform/posix/hex_text.h"
#include "platform/serial_number.h"

namespace corvane::tool {

std::string CertificateFieldGbk(PCCERT_CONTEXT context, int field) {
  int length = 0;
  if (certs::FormatCertificateField(context, field, nullptr, &length) != 0 || length <= 0) {
    return "(cannot be rendered)";
  }
  std::string gbk(static_cast<size_t>(length) + 1, '\0');
  if (certs::FormatCertificateField(context, field, gbk.data(), &length) != 0) return "(cannot be rendered)";
  gbk.resize(std::min(static_cast<size_t>(length), gbk.find('\0')));
  return gbk;
}

std::string SerialDigits(const CRYPT_INTEGER_BLOB& serial) {
  std::vector<BYTE> bytes(serial.cbData);
  platform::ReverseSerialBytes(serial.pbData, bytes.size(), bytes.data());
  return platform::UpperHex(bytes.data(), bytes.size());
}

std::string UtcTimeText(const FILETIME& time) {
  SYSTEMTIME calendar{};
  if (!FileTimeToSystemTime(&time, &calendar)) return "(invalid)";
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", calendar.wYear, calendar.wMonth,
                calendar.wDay, calendar.wHour, calendar.wMinute, calendar.wSecond);
  return text;
}

}  // namespace corvane::tool
