// The test PKI of the serial-number exports: a CA named exactly as their fixed issuer text
// ("CN=QDRA, OU=config, O=Ostrevalia") and a signer certificate with serial number 12AB that it
// issued, on test keys 2 (CA) and 0 (signer).
#pragma once

#include "platform/posix/ossl.h"

namespace corvane::testing {

inline constexpr char kFixedIssuerSignerSerial[] = "12AB";

struct FixedIssuerPki {
  ossl::UniquePtr<EVP_PKEY> ca_key;
  ossl::UniquePtr<X509> ca;
  ossl::UniquePtr<EVP_PKEY> signer_key;
  ossl::UniquePtr<X509> signer;
};

FixedIssuerPki MakeFixedIssuerPki();

}  // namespace corvane::testing
