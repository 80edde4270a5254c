// What the message engine and the tools need of a store's certificate beyond the Windows calls:
// the full OpenSSL certificate behind a context (its private key: keys/linked_key.h).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ossl.h"

namespace corvane::platform {

// The OpenSSL certificate of a context, parsed on first use and cached in the context (borrowed:
// valid as long as the context). Null when the DER does not parse.
X509* CertificateX509(PCCERT_CONTEXT context);

// The key identifier by which messages name a certificate: its subject key identifier extension,
// else the SHA-1 of its public key bits, as Windows derives it. Empty when neither can be had.
std::vector<uint8_t> KeyIdentifierOf(X509* certificate);

}  // namespace corvane::platform
