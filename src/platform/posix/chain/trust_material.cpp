#include "platform/posix/chain/trust_material.h"

#include <mutex>

#include "platform/posix/store/store_cache.h"
#include "platform/posix/files/store_layout.h"

namespace corvane::platform {
namespace {

std::shared_ptr<const StoreContents> SystemStoreContents(const char* name) {
  std::shared_ptr<const StoreContents> contents;
  if (CachedStoreContents(StoreFolder(name), contents).ok()) return contents;
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

}  // namespace

std::optional<unsigned long> NameHash(const X509_NAME* name) {
  int ok = 0;
  const unsigned long hash =
      X509_NAME_hash_ex(name, ossl::LibraryContext(), ossl::kNoProperties, &ok);
  if (ok != 1) return std::nullopt;
  return hash;
}

namespace {

// The hash of a certificate's subject name, read from its encoding (without OpenSSL reading the
// whole certificate).
std::optional<unsigned long> SubjectNameHash(const StoredCertificate& certificate) {
  const CERT_NAME_BLOB& subject = certificate.tbs->info()->Subject;
  const unsigned char* cursor = subject.pbData;
  ossl::UniquePtr<X509_NAME> name(d2i_X509_NAME(nullptr, &cursor, subject.cbData));
  if (!name) return std::nullopt;
  return NameHash(name.get());
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
    : root_contents_(std::move(root)),
      ca_contents_(std::move(ca)),
      root_store_(new StoreObject(root_contents_)),
      ca_store_(new StoreObject(ca_contents_)),
      anchors_(X509_STORE_new()) {
  const size_t root_count = root_contents_->certificates.size();
  candidates_.reserve(root_count + ca_contents_->certificates.size());
  for (size_t index = 0; index < root_count; ++index) {
    candidates_.push_back(ChainCandidate{root_store_, root_contents_, index});
  }
  for (size_t index = 0; index < ca_contents_->certificates.size(); ++index) {
    candidates_.push_back(ChainCandidate{ca_store_, ca_contents_, index});
  }
  for (size_t position = 0; position < candidates_.size(); ++position) {
    const ChainCandidate& candidate = candidates_[position];
    const auto hash = SubjectNameHash(*candidate.contents->certificates[candidate.index]);
    if (!hash) continue;  // a name OpenSSL cannot read: no chain can name it as an issuer
    if (position >= root_count) {
      intermediates_by_name_[*hash].push_back(&candidate);
      continue;
    }
    anchors_by_name_[*hash].push_back(&candidate);
  }
  X509_LOOKUP* lookup = anchors_ && AnchorLookupMethod() != nullptr
                            ? X509_STORE_add_lookup(anchors_.get(), AnchorLookupMethod())
                            : nullptr;
  if (lookup == nullptr || X509_LOOKUP_set_method_data(lookup, this) != 1) anchors_.reset();
}

std::vector<X509*> TrustMaterial::AnchorsNamed(const X509_NAME* name) const {
  std::vector<X509*> anchors;
  const auto hash = NameHash(name);
  const auto found = hash ? anchors_by_name_.find(*hash) : anchors_by_name_.end();
  if (found == anchors_by_name_.end()) return anchors;
  for (const ChainCandidate* candidate : found->second) {
    X509* anchor = candidate->Certificate();
    if (anchor != nullptr && X509_NAME_cmp(X509_get_subject_name(anchor), name) == 0) {
      anchors.push_back(anchor);
    }
  }
  return anchors;
}

TrustMaterial::~TrustMaterial() {
  ReleaseStore(root_store_);
  ReleaseStore(ca_store_);
}

const std::vector<const ChainCandidate*>* TrustMaterial::IntermediatesNamed(
    unsigned long name_hash) const {
  const auto found = intermediates_by_name_.find(name_hash);
  return found == intermediates_by_name_.end() ? nullptr : &found->second;
}

const ChainCandidate* TrustMaterial::Find(X509* certificate) const {
  const auto hash = NameHash(X509_get_subject_name(certificate));
  if (!hash) return nullptr;
  for (const auto* by_name : {&anchors_by_name_, &intermediates_by_name_}) {
    const auto found = by_name->find(*hash);
    if (found == by_name->end()) continue;
    for (const ChainCandidate* candidate : found->second) {
      if (candidate->Certificate() == certificate) return candidate;
    }
  }
  return nullptr;
}

std::vector<std::filesystem::path> TrustMaterial::Folders() const {
  std::vector<std::filesystem::path> folders;
  for (const auto* contents : {root_contents_.get(), ca_contents_.get()}) {
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
