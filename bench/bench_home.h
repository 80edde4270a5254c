// The store root the benchmarks run against: a temporary CORVANE_HOME holding a CA (in ROOT),
// one signer certificate with its key (in MY, and in CA as an enveloping recipient), and any
// number of filler certificates per store, all signed by the CA.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/posix/ossl.h"
#include "support/test_pki.h"
#include "support/test_home.h"

namespace corvane::bench {

// The signer's serial number as the BySN exports take it.
inline constexpr const char* kSignerSerial = testing::kFixedIssuerSignerSerial;

class BenchHome {
 public:
  BenchHome();

  // Adds certificates until MY, CA and ROOT each hold `count` besides the fixed ones.
  void FillStores(int count);

  const std::filesystem::path& root() const { return home_.root(); }
  X509* signer() const { return pki_.signer.get(); }
  EVP_PKEY* key() const { return pki_.signer_key.get(); }
  X509* ca() const { return pki_.ca.get(); }
  // PEM files of the signer's certificate and key and of the CA, for the `openssl` command.
  std::filesystem::path signer_pem() const { return root() / "signer.pem"; }
  std::filesystem::path key_pem() const { return root() / "key.pem"; }
  std::filesystem::path ca_pem() const { return root() / "ca.pem"; }

 private:
  testing::TestHome home_;
  testing::FixedIssuerPki pki_;
  int filled_ = 0;
};

// One home for the whole run (its stores only grow).
BenchHome& SharedHome();

}  // namespace corvane::bench
