#include "platform/posix/chain/trust_material.h"

#include <mutex>

#include "platform/posix/store/store_cache.h"
#include "platform/posix/store/store_layout.h"

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

// Puts a certificate into a store not yet shared, unsorted (the store's own X509_STORE_add_cert
// sorts all its objects again for each certificate it adds, which makes loading n anchors cost
// n^2 log n; they are sorted once when all are in). The anchors come from one store reading, which
// holds every certificate once.
bool AddAnchor(X509_STORE* store, X509* anchor) {
  X509_OBJECT* object = X509_OBJECT_new();
  if (object == nullptr || X509_OBJECT_set1_X509(object, anchor) != 1 ||
      sk_X509_OBJECT_push(X509_STORE_get0_objects(store), object) <= 0) {
    X509_OBJECT_free(object);
    return false;
  }
  return true;
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
    X509* anchor = candidate.Certificate();
    if (anchor == nullptr) continue;
    if (anchors_ && !AddAnchor(anchors_.get(), anchor)) anchors_.reset();
    anchors_by_name_[*hash].push_back(&candidate);
  }
  if (anchors_) sk_X509_OBJECT_sort(X509_STORE_get0_objects(anchors_.get()));
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
