// The encoding type the certificate code passes to the platform with every certificate call.
#pragma once

#include "platform/platform.h"

namespace corvane::certs {

inline constexpr DWORD kCertificateEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

}  // namespace corvane::certs
