// A certificate's fields as the tool and the browser host show them.
#pragma once

#include <string>

#include "platform/platform.h"

namespace corvane::tool {

// A field (certs::kSubjectName, ...) as the library renders it, in GBK; "(cannot be rendered)"
// when it cannot be.
std::string CertificateFieldGbk(PCCERT_CONTEXT context, int field);

// The serial number's DER content bytes, most significant first, as plain upper-case hex digits:
// what the serial-number variants of the exports take.
std::string SerialDigits(const CRYPT_INTEGER_BLOB& serial);

// "2026-12-07 20:42:10 UTC".
std::string UtcTimeText(const FILETIME& time);

}  // namespace corvane::tool
