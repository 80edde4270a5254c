#include "bench_home.h"

#include <cstdio>
#include <cstring>

#include "platform/posix/admin/store_index_update.h"
#include "platform/posix/files/store_layout.h"
#include "support/test_pki.h"

namespace corvane::bench {

BenchHome::BenchHome()
    : pki_(testing::MakeFixedIssuerPki()),
      my_(sk_X509_new_null()),
      ca_(sk_X509_new_null()),
      root_(sk_X509_new_null()) {
  // The library as a caller meets it: boxes on standard error, and no log of them, which the
  // test home asks for (a file opened, written and closed at every box) and a caller does not.
  home_.SetEnv("CORVANE_UI", "none");
  home_.SetEnv("CORVANE_UI_LOG", std::nullopt);
  Install("ROOT", pki_.ca.get());
  Install("MY", pki_.signer.get(), pki_.signer_key.get());
  Install("CA", pki_.signer.get());
  testing::WriteFile(signer_pem(), testing::PemOf(pki_.signer.get()));
  testing::WriteFile(trusted_pem(), testing::PemOf(pki_.ca.get()) + testing::PemOf(pki_.signer.get()));
  testing::WriteFile(key_pem(), testing::PrivateKeyPemOf(pki_.signer_key.get()));
  IndexStores();
}

void BenchHome::Install(const char* store, X509* certificate, EVP_PKEY* key) {
  testing::InstallCertificate(root(), store, certificate, key);
  STACK_OF(X509)* kept = std::strcmp(store, "MY") == 0   ? my_.get()
                         : std::strcmp(store, "CA") == 0 ? ca_.get()
                                                         : root_.get();
  X509_up_ref(certificate);
  sk_X509_push(kept, certificate);
  if (kept != my_.get()) AddToTrustedFolder(certificate);
}

void BenchHome::AddToTrustedFolder(X509* certificate) {
  const unsigned long hash = X509_subject_name_hash(certificate);
  char name[32];
  std::snprintf(name, sizeof name, "%08lx.%d", hash, trusted_names_[hash]++);
  std::filesystem::create_directories(trusted_folder());
  testing::WriteFile(trusted_folder() / name, testing::PemOf(certificate));
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
      Install(store, certificate.get());
    }
  }
  IndexStores();
}

void BenchHome::IndexStores() {
  for (const char* store : {"MY", "CA", "ROOT"}) {
    if (!platform::UpdateStoreIndex(platform::StoreFolder(store)).ok()) {
      std::fprintf(stderr, "bench: no index for %s: its first calls read the whole store\n", store);
    }
  }
}

BenchHome& SharedHome() {
  static BenchHome home;
  return home;
}

}  // namespace corvane::bench
