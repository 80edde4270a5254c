#include "bench_home.h"

#include <cstdio>

#include "support/test_pki.h"

namespace corvane::bench {

BenchHome::BenchHome() {
  home_.SetEnv("CORVANE_UI", "none");
  ca_key_ = testing::TestRsaKey(2);
  ca_ = testing::MakeCertificate(
      {.subject = {{"CN", "QDRA"}, {"OU", "config"}, {"O", "Ostrevalia"}}, .ca = true},
      ca_key_.get(), nullptr, ca_key_.get());
  key_ = testing::TestRsaKey(0);
  signer_ = testing::MakeCertificate({.subject = {{"CN", "Signer"}}, .serial_hex = "12AB"},
                                     key_.get(), ca_.get(), ca_key_.get());
  testing::InstallCertificate(root(), "ROOT", ca_.get());
  testing::InstallCertificate(root(), "MY", signer_.get(), key_.get());
  testing::InstallCertificate(root(), "CA", signer_.get());
  testing::WriteFile(signer_pem(), testing::PemOf(signer_.get()));
  testing::WriteFile(ca_pem(), testing::PemOf(ca_.get()));
  testing::WriteFile(key_pem(), testing::PrivateKeyPemOf(key_.get()));
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
          filler_key.get(), ca_.get(), ca_key_.get());
      testing::InstallCertificate(root(), store, certificate.get());
    }
  }
}

BenchHome& SharedHome() {
  static BenchHome home;
  return home;
}

}  // namespace corvane::bench
