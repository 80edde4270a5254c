// Finding a certificate of a store by thumbprint and handing out its encoding.
#pragma once

#include <string>

#include "platform/posix/status.h"

namespace corvane::platform {

// The DER of the certificate with `thumbprint` (upper-case hex) in `store`; CRYPT_E_NOT_FOUND
// when there is none.
Status FindStoreCertificate(const std::string& store, const std::string& thumbprint,
                            std::string& der);

// The same as DER, or with `pem` as one PEM "CERTIFICATE" block.
Status ExportCertificate(const std::string& store, const std::string& thumbprint, bool pem,
                         std::string& bytes);

}  // namespace corvane::platform
