// The store root the benchmarks run against: a temporary CORVANE_HOME holding a CA (in ROOT),
// one signer certificate with its key (in MY, and in CA as an enveloping recipient), and any
// number of filler certificates per store, all signed by the CA. The home keeps every certificate
// it put in a store, so that the OpenSSL peer can search and trust the same ones.
#pragma once

#include <filesystem>
#include <map>
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
  // The certificates of MY, CA and ROOT, in the order they were added.
  STACK_OF(X509)* my() const { return my_.get(); }
  STACK_OF(X509)* ca() const { return ca_.get(); }
  STACK_OF(X509)* root_store() const { return root_.get(); }
  // PEM files for the `openssl` command and for fresh processes: the signer's certificate and
  // key, and the fixed certificates of ROOT and CA (the -CAfile of verification).
  std::filesystem::path signer_pem() const { return root() / "signer.pem"; }
  std::filesystem::path key_pem() const { return root() / "key.pem"; }
  std::filesystem::path trusted_pem() const { return root() / "trusted.pem"; }
  // Every certificate of ROOT and CA as a hashed directory ("<subject hash>.<n>" PEM files, as
  // `openssl rehash` makes), for an X509_STORE that looks certificates up when it needs them.
  std::filesystem::path trusted_folder() const { return root() / "trusted-hashed"; }

 private:
  void Install(const char* store, X509* certificate, EVP_PKEY* key = nullptr);
  void AddToTrustedFolder(X509* certificate);
  // Writes each store's index, as the tool does after it writes to a store.
  void IndexStores();

  testing::TestHome home_;
  testing::FixedIssuerPki pki_;
  ossl::UniquePtr<STACK_OF(X509)> my_, ca_, root_;
  std::map<unsigned long, int> trusted_names_;  // files per subject hash in trusted_folder()
  int filled_ = 0;
};

// One home for the whole run (its stores only grow).
BenchHome& SharedHome();

}  // namespace corvane::bench
