#include "platform/posix/chain/trust_material.h"

#include <mutex>

#include "platform/posix/store/store_cache.h"
#include "platform/posix/files/store_layout.h"

namespace corvane::platform {
namespace {

// The store's reading, through its index when that passes its check; an empty store when the
// folder cannot be read.
std::shared_ptr<const StoreContents> SystemStoreContents(const char* name) {
  std::shared_ptr<const StoreContents> contents;
  if (CachedStoreContents(StoreFolder(name), contents, StoreReading::kForSearches).ok()) return contents;
  return std::make_shared<const StoreContents>();
}

struct LatestMaterial {
  std::mutex lock;
  std::shared_ptr<const TrustMaterial> material;
};

// Never destroyed: calls may still come while the process exits.
LatestMaterial& Latest() {
  static auto* latest = new LatestMaterial;
  return *latest;
}

// OpenSSL asks the anchors' store for certificates by subject name as it builds a chain; the
// store starts empty and this lookup puts in the ROOT certificates of the name asked for, read by
// OpenSSL only then. It answers with one of them, borrowed as OpenSSL's own lookups answer (the
// store and the material hold the references).
int LookUpAnchors(X509_LOOKUP* lookup, X509_LOOKUP_TYPE type, const X509_NAME* name,
                  X509_OBJECT* found) {
  if (type != X509_LU_X509) return 0;  // revocation lists are given to each chain on its own
  const auto* material = static_cast<const TrustMaterial*>(X509_LOOKUP_get_method_data(lookup));
  X509_STORE* store = X509_LOOKUP_get_store(lookup);
  X509* answer = nullptr;
  for (X509* anchor : material->AnchorsNamed(name)) {
    if (X509_STORE_add_cert(store, anchor) != 1) return 0;
    if (answer == nullptr) answer = anchor;
  }
  if (answer == nullptr || X509_OBJECT_set1_X509(found, answer) != 1) return 0;
  X509_free(answer);  // borrowed: the store keeps it
  return 1;
}

X509_LOOKUP_METHOD* AnchorLookupMethod() {
  static X509_LOOKUP_METHOD* method = [] {
    ossl::UniquePtr<X509_LOOKUP_METHOD> made(X509_LOOKUP_meth_new("corvane ROOT store"));
    if (made != nullptr && X509_LOOKUP_meth_set_get_by_subject(made.get(), LookUpAnchors) != 1) {
      return static_cast<X509_LOOKUP_METHOD*>(nullptr);
    }
    return made.release();  // kept for the life of the process
  }();
  return method;
}

}  // namespace

TrustMaterial::TrustMaterial(std::shared_ptr<const StoreContents> root,
                             std::shared_ptr<const StoreContents> ca)
    : anchors_by_name_(std::move(root)), intermediates_by_name_(std::move(ca)), anchors_(X509_STORE_new()) {
  X509_LOOKUP* lookup = anchors_ && AnchorLookupMethod() != nullptr
                            ? X509_STORE_add_lookup(anchors_.get(), AnchorLookupMethod())
                            : nullptr;
  if (lookup == nullptr || X509_LOOKUP_set_method_data(lookup, this) != 1) anchors_.reset();
}

std::vector<X509*> TrustMaterial::AnchorsNamed(const X509_NAME* name) const {
  std::vector<X509*> anchors;
  const auto hash = NameHash(name);
  const auto* named = hash ? anchors_by_name_.Named(*hash) : nullptr;
  if (named == nullptr) return anchors;
  for (const ChainCandidate* candidate : *named) {
    X509* anchor = candidate->Certificate();
    if (anchor != nullptr && X509_NAME_cmp(X509_get_subject_name(anchor), name) == 0) {
      anchors.push_back(anchor);
    }
  }
  return anchors;
}

const std::vector<const ChainCandidate*>* TrustMaterial::IntermediatesNamed(unsigned long name_hash) const {
  return intermediates_by_name_.Named(name_hash);
}

const ChainCandidate* TrustMaterial::Find(X509* certificate) const {
  const auto hash = NameHash(X509_get_subject_name(certificate));
  if (!hash) return nullptr;
  const ChainCandidate* anchor = anchors_by_name_.Find(certificate, *hash);
  return anchor != nullptr ? anchor : intermediates_by_name_.Find(certificate, *hash);
}

std::vector<std::filesystem::path> TrustMaterial::Folders() const {
  std::vector<std::filesystem::path> folders;
  for (const auto* contents : {anchors_by_name_.reading(), intermediates_by_name_.reading()}) {
    if (!contents->folder.empty()) folders.push_back(contents->folder);
  }
  return folders;
}

std::shared_ptr<const TrustMaterial> CurrentTrustMaterial() {
  // Read outside the lock: the store cache answers an unchanged store at once.
  std::shared_ptr<const StoreContents> root = SystemStoreContents("ROOT");
  std::shared_ptr<const StoreContents> ca = SystemStoreContents("CA");
  LatestMaterial& latest = Latest();
  {
    const std::lock_guard guard(latest.lock);
    if (latest.material && latest.material->IsFor(root.get(), ca.get())) return latest.material;
  }
  auto made = std::make_shared<const TrustMaterial>(std::move(root), std::move(ca));
  if (!made->ok()) return nullptr;
  const std::lock_guard guard(latest.lock);
  latest.material = made;
  return made;
}

}  // namespace corvane::platform
