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

TrustMaterial::TrustMaterial(std::shared_ptr<const StoreContents> root,
                             std::shared_ptr<const StoreContents> ca)
    : root_contents_(std::move(root)),
      ca_contents_(std::move(ca)),
      root_store_(new StoreObject(root_contents_)),
      ca_store_(new StoreObject(ca_contents_)),
      anchors_(X509_STORE_new()) {
  const auto add_all = [this](const std::shared_ptr<const StoreContents>& contents,
                              StoreObject* store) {
    for (size_t index = 0; index < contents->certificates.size(); ++index) {
      if (X509* certificate = contents->certificates[index]->OpenSslCertificate()) {
        candidates_.push_back(ChainCandidate{certificate, store, contents, index});
      }
    }
  };
  add_all(root_contents_, root_store_);
  add_all(ca_contents_, ca_store_);
  for (size_t position = 0; position < candidates_.size(); ++position) {
    const ChainCandidate& candidate = candidates_[position];
    by_certificate_.emplace(candidate.certificate, position);
    if (candidate.store == root_store_) {
      if (anchors_ && X509_STORE_add_cert(anchors_.get(), candidate.certificate) != 1) {
        anchors_.reset();
      }
    } else if (const auto hash = NameHash(X509_get_subject_name(candidate.certificate))) {
      intermediates_by_name_[*hash].push_back(&candidate);
    }
  }
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

const ChainCandidate* TrustMaterial::Find(const X509* certificate) const {
  const auto found = by_certificate_.find(certificate);
  return found == by_certificate_.end() ? nullptr : &candidates_[found->second];
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
