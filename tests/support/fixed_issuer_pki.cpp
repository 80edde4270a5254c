#include "support/fixed_issuer_pki.h"

#include "support/test_pki.h"

namespace corvane::testing {

FixedIssuerPki MakeFixedIssuerPki() {
  FixedIssuerPki pki;
  pki.ca_key = TestRsaKey(2);
  pki.ca = MakeCertificate(
      {.subject = {{"CN", "QDRA"}, {"OU", "config"}, {"O", "Ostrevalia"}}, .ca = true},
      pki.ca_key.get(), nullptr, pki.ca_key.get());
  pki.signer_key = TestRsaKey(0);
  pki.signer = MakeCertificate({.subject = {{"CN", "Signer"}}, .serial_hex = kFixedIssuerSignerSerial},
                               pki.signer_key.get(), pki.ca.get(), pki.ca_key.get());
  return pki;
}

}  // namespace corvane::testing
