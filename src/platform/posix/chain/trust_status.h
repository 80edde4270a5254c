// What one of OpenSSL's verification errors means in the Windows chain engine's terms.
#pragma once

#include "platform/platform.h"

namespace corvane::platform {

struct TrustStatusBits {
  DWORD element = 0;  // CERT_TRUST_* error bits of the certificate the error is about
  DWORD chain = 0;    // bits of the chain as a whole (a chain that ends before a root)
};

// The bits for an X509_V_ERR_* value. Errors about a revocation list (none found, expired, not
// verifiable) are a revocation status that cannot be determined, never a revocation; a reason
// OpenSSL gives that has no Windows counterpart counts as an invalid extension.
TrustStatusBits TrustStatusOf(int x509_error);

}  // namespace corvane::platform
