#include "bench_home.h"

#include <cstdio>

#include "support/test_pki.h"

namespace corvane::bench {

BenchHome::BenchHome() : pki_(testing::MakeFixedIssuerPki()) {
  home_.SetEnv("CORVANE_UI", "none");
  testing::InstallCertificate(root(), "ROOT", pki_.ca.get());
  testing::InstallCertificate(root(), "MY", pki_.signer.get(), pki_.signer_key.get());
  testing::InstallCertificate(root(), "CA", pki_.signer.get());
  testing::WriteFile(signer_pem(), testing::PemOf(pki_.signer.get()));
  testing::WriteFile(ca_pem(), testing::PemOf(pki_.ca.get()));
  testing::WriteFile(key_pem(), testing::PrivateKeyPemOf(pki_.signer_key.get()));
}

void BenchHome::FillStores(int count) {
  // One subject key for every filler: only the CA's signature differs in cost, not key making.
  const auto filler_key = testing::TestRsaKey(1);
  for (; filled_ < count; ++filled_) {
    for (const char* store : {"MY", "CA", "ROOT"}) {
      char serial[32];
      std::snprintf(serial, sizeof serial, "7F%02X%06X", store[0], filled_);
      const auto certificate = testing::MakeCertificate(
          {.subject = {{"CN", std::string("Filler ") + serial}}, .serial_hex = serial},
          filler_key.get(), pki_.ca.get(), pki_.ca_key.get());
      testing::InstallCertificate(root(), store, certificate.get());
    }
  }
}

BenchHome& SharedHome() {
  static BenchHome home;
  return home;
}

}  // namespace corvane::bench
