// Certificate thumbprints: the upper-case hex SHA-1 of a certificate's DER, which names its files
// in a store and orders the store's enumeration.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"
#include "platform/posix/ossl.h"

namespace corvane::platform {

// Upper-case hex SHA-1 of a DER certificate.
std::string Thumbprint(const BYTE* der, size_t length);

// The same for an OpenSSL certificate (its DER encoding); empty when it cannot be encoded.
std::string Thumbprint(X509* certificate);

}  // namespace corvane::platform
