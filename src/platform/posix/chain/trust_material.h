// What chains are built from in the system stores, made once per reading of the stores: the
// certificates of "ROOT" (trust anchors) in an OpenSSL store, and those of "CA" (intermediates),
// each store's filed by the hash of their subject names' canonical form, the form OpenSSL
// compares issuer and subject names in (candidates_by_name.h). While neither store changed, every
// chain shares the same material, so a chain costs the same however many certificates the two
// stores hold. A store read through its index (indexed_folder.h) is read only as far as chains
// ask for names, and a certificate of either store is read by OpenSSL (which costs far more than
// our own reading of its fields) only once a chain needs it.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "platform/posix/chain/candidates_by_name.h"
#include "platform/posix/ossl.h"
#include "platform/posix/store/name_hash.h"

namespace corvane::platform {

class TrustMaterial {
 public:
  TrustMaterial(std::shared_ptr<const StoreContents> root, std::shared_ptr<const StoreContents> ca);
  TrustMaterial(const TrustMaterial&) = delete;
  TrustMaterial& operator=(const TrustMaterial&) = delete;

  // False when OpenSSL could not make the anchors' store.
  bool ok() const { return anchors_ != nullptr; }
  bool IsFor(const StoreContents* root, const StoreContents* ca) const {
    return root == anchors_by_name_.reading() && ca == intermediates_by_name_.reading();
  }
  // The store of trust anchors (shared: take a reference to keep it). It fills itself with the
  // ROOT certificates OpenSSL asks for by name as it builds chains.
  X509_STORE* anchors() const { return anchors_.get(); }
  // The ROOT certificates whose subject is `name` (as OpenSSL compares names), read by OpenSSL
  // on first use.
  std::vector<X509*> AnchorsNamed(const X509_NAME* name) const;
  // The CA certificates whose subject name has this hash, in the store's order; null for none.
  // The list lives as long as the material.
  const std::vector<const ChainCandidate*>* IntermediatesNamed(unsigned long name_hash) const;
  // The candidate of ROOT or CA whose OpenSSL form is this very certificate; null for none.
  const ChainCandidate* Find(X509* certificate) const;
  // The folders of ROOT and CA, whose revocation lists chains are checked against.
  std::vector<std::filesystem::path> Folders() const;

 private:
  CandidatesByName anchors_by_name_;  // ROOT's
  CandidatesByName intermediates_by_name_;  // CA's
  ossl::UniquePtr<X509_STORE> anchors_;
};

// The material of the current "ROOT" and "CA" stores; null when it cannot be made. A store that
// cannot be read counts as empty, as it does for the chain engine.
std::shared_ptr<const TrustMaterial> CurrentTrustMaterial();

}  // namespace corvane::platform
