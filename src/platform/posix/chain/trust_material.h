// What chains are built from in the system stores, made once per reading of the stores: the
// certificates of "ROOT" (trust anchors) in an OpenSSL store, and those of "CA" (intermediates)
// indexed by the hash of their subject names' canonical form, the form OpenSSL compares issuer
// and subject names in. While neither store changed, every chain shares the same material, so a
// chain costs the same however many certificates the two stores hold. A certificate of either
// store is read by OpenSSL (which costs far more than our own reading of its fields) only once a
// chain needs it.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/posix/ossl.h"
#include "platform/posix/store/certificate_context.h"

namespace corvane::platform {

// A certificate that may take a place in a chain, and the store snapshot its context comes from.
struct ChainCandidate {
  StoreObject* store = nullptr;  // kept alive by the material or the call that holds it
  std::shared_ptr<const StoreContents> contents;
  size_t index = 0;

  // The OpenSSL form, made on first use; null when OpenSSL rejects the certificate.
  X509* Certificate() const { return contents->certificates[index]->OpenSslCertificate(); }
};

// The hash of the name's canonical form; equal names always have equal hashes.
std::optional<unsigned long> NameHash(const X509_NAME* name);

class TrustMaterial {
 public:
  TrustMaterial(std::shared_ptr<const StoreContents> root, std::shared_ptr<const StoreContents> ca);
  ~TrustMaterial();
  TrustMaterial(const TrustMaterial&) = delete;
  TrustMaterial& operator=(const TrustMaterial&) = delete;

  // False when OpenSSL could not make the anchors' store.
  bool ok() const { return anchors_ != nullptr; }
  bool IsFor(const StoreContents* root, const StoreContents* ca) const {
    return root == root_contents_.get() && ca == ca_contents_.get();
  }
  // The store of trust anchors (shared: take a reference to keep it). It fills itself with the
  // ROOT certificates OpenSSL asks for by name as it builds chains.
  X509_STORE* anchors() const { return anchors_.get(); }
  // The ROOT certificates whose subject is `name` (as OpenSSL compares names), read by OpenSSL
  // on first use.
  std::vector<X509*> AnchorsNamed(const X509_NAME* name) const;
  // The CA certificates whose subject name has this hash, in the store's order; null for none.
  const std::vector<const ChainCandidate*>* IntermediatesNamed(unsigned long name_hash) const;
  // The candidate of ROOT or CA whose OpenSSL form is this very certificate; null for none.
  const ChainCandidate* Find(X509* certificate) const;
  // The folders of ROOT and CA, whose revocation lists chains are checked against.
  std::vector<std::filesystem::path> Folders() const;

 private:
  std::shared_ptr<const StoreContents> root_contents_, ca_contents_;
  StoreObject* root_store_;
  StoreObject* ca_store_;
  ossl::UniquePtr<X509_STORE> anchors_;
  std::vector<ChainCandidate> candidates_;  // ROOT's, then CA's
  // By the hash of the subject name: the anchors, and the intermediates.
  std::unordered_map<unsigned long, std::vector<const ChainCandidate*>> anchors_by_name_;
  std::unordered_map<unsigned long, std::vector<const ChainCandidate*>> intermediates_by_name_;
};

// The material of the current "ROOT" and "CA" stores; null when it cannot be made. A store that
// cannot be read counts as empty, as it does for the chain engine.
std::shared_ptr<const TrustMaterial> CurrentTrustMaterial();

}  // namespace corvane::platform
