// A SoftHSM2 token in a test's home: its own configuration and token folder (SOFTHSM2_CONF), the
// module named by CORVANE_PKCS11_MODULE, a key imported with softhsm2-util and its certificate
// written with pkcs11-tool, and the certificate linked into MY by a token key URI.
#pragma once

#include <string>

#include "platform/posix/ossl.h"
#include "support/test_home.h"

namespace corvane::testing {

inline constexpr char kSoftHsmModule[] = "/usr/lib/softhsm/libsofthsm2.so";
inline constexpr char kTokenLabel[] = "corvane test";
inline constexpr char kTokenPin[] = "2468";

// Initialises the token (user PIN kTokenPin) and puts key and certificate on it with CKA_ID 01
// (an EC key may sign and derive, for ECDH).
// Fails the current test when a tool fails.
void MakeSoftToken(TestHome& home, EVP_PKEY* key, X509* certificate);

// The URI of that key.
std::string SoftTokenKeyUri();

// Writes the certificate into MY with the URI as its .key.
void LinkTokenCertificate(TestHome& home, X509* certificate);

}  // namespace corvane::testing
