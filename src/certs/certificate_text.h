// Certificate fields as text: names in the platform's X.500 string form, validity times in a
// fixed Chinese calendar layout (UTC), serial numbers as grouped upper-case hex. All GBK.
#pragma once

#include "platform/platform.h"

namespace corvane::certs {

enum CertificateField : int {
  kSubjectName = 1,
  kIssuerName = 2,
  kValidFrom = 3,
  kValidTo = 4,
  kSerialNumber = 5,
};

// Two-pass: with a null buffer only *length is written. Names: length counts the terminating
// zero; times and serial: no terminator is counted or written. Returns 0, -10001 (null
// certificate or length) or -10016 (field cannot be rendered; *length = 0). Other selectors:
// 0 with *length = 0. The buffer must hold the length a first call reported.
int FormatCertificateField(PCCERT_CONTEXT certificate, int field, char* buffer, int* length);

// "2004年05月17日 08:30:00(格林威治时间)" in GBK, no terminator. Returns 0, -10001 (null length)
// or -1 (time not convertible; *length = 0).
int FormatCertificateTime(FILETIME time, char* buffer, int* length);

}  // namespace corvane::certs
