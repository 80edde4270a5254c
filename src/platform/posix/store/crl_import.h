// Adding a certificate revocation list to a store: PEM ("X509 CRL") or DER in, parsed in the
// library's OpenSSL context, written as <THUMBPRINT>.crl (DER, the SHA-1 of its encoding).
#pragma once

#include <string>
#include <vector>

#include "platform/posix/status.h"

namespace corvane::platform {

// `report` receives the file written; `warnings` a line when no certificate of the store is the
// list's issuer (the list is added all the same).
Status AddCrl(const std::string& store, const std::string& origin, const std::string& bytes,
              std::vector<std::string>& report, std::vector<std::string>& warnings);

}  // namespace corvane::platform
