// Adding a certificate revocation list to a store: PEM ("X509 CRL") or DER in, parsed in the
// library's OpenSSL context, written as <THUMBPRINT>.crl (DER, the SHA-1 of its encoding).
#pragma once

#include <string>
#include <vector>

#include "platform/posix/status.h"
#include "platform/posix/store/revocation_lists.h"

namespace corvane::platform {

// `report` receives the file written; `warnings` a line when no certificate of the store has the
// list's issuer name (the list is added all the same: it counts once its issuer is added). A list
// whose signature no certificate of that name verifies is refused (NTE_BAD_SIGNATURE): it would
// never count. The caller reads `bytes` within kRevocationListLimit, as the store reads lists.
Status AddCrl(const std::string& store, const std::string& origin, const std::string& bytes,
              std::vector<std::string>& report, std::vector<std::string>& warnings);

}  // namespace corvane::platform
