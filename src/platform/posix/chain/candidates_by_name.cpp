#include "platform/posix/chain/candidates_by_name.h"

#include "platform/posix/store/indexed_folder.h"
#include "platform/posix/store/name_hash.h"
#include "platform/posix/store/store_cache.h"

namespace corvane::platform {
namespace {

// The whole reading of `folder`; an empty store when it cannot be read, as for the chain engine.
std::shared_ptr<const StoreContents> WholeReading(const std::filesystem::path& folder) {
  std::shared_ptr<const StoreContents> contents;
  if (CachedStoreContents(folder, contents).ok()) return contents;
  return std::make_shared<const StoreContents>();
}

}  // namespace

CandidatesByName::CandidatesByName(std::shared_ptr<const StoreContents> reading)
    : reading_(std::move(reading)), store_(new StoreObject(reading_)) {
  if (reading_->indexed == nullptr) FileAll(reading_);
}

CandidatesByName::~CandidatesByName() { ReleaseStore(store_); }

void CandidatesByName::FileAll(const std::shared_ptr<const StoreContents>& contents) const {
  std::unordered_map<unsigned long, std::vector<const ChainCandidate*>> filed;
  for (size_t index = 0; index < contents->certificates.size(); ++index) {
    const auto hash = SubjectNameHash(*contents->certificates[index]);
    // A name OpenSSL cannot read is no chain's issuer name; a hash asked for before keeps its list.
    if (!hash || by_name_.contains(*hash)) continue;
    filed[*hash].push_back(&candidates_.emplace_back(ChainCandidate{store_, contents, index}));
  }
  by_name_.merge(filed);
  whole_ = true;
}

void CandidatesByName::FileNamed(unsigned long name_hash, const std::shared_ptr<const StoreContents>& contents) const {
  std::vector<const ChainCandidate*>& named = by_name_[name_hash];
  for (size_t index = 0; index < contents->certificates.size(); ++index) {
    if (SubjectNameHash(*contents->certificates[index]) != name_hash) continue;
    named.push_back(&candidates_.emplace_back(ChainCandidate{store_, contents, index}));
  }
}

const std::vector<const ChainCandidate*>* CandidatesByName::Named(unsigned long name_hash) const {
  const std::lock_guard guard(lock_);
  if (!whole_ && !by_name_.contains(name_hash)) {
    std::shared_ptr<const StoreContents> covering =
        reading_->indexed->Covering(IndexedFolder::Key::kName, name_hash);
    if (covering != nullptr) {
      FileNamed(name_hash, covering);
    } else {
      FileAll(WholeReading(reading_->folder));  // the index failed its check on a file
    }
  }
  const auto found = by_name_.find(name_hash);
  return found == by_name_.end() || found->second.empty() ? nullptr : &found->second;
}

const ChainCandidate* CandidatesByName::Find(X509* certificate, unsigned long name_hash) const {
  const std::lock_guard guard(lock_);
  const auto found = by_name_.find(name_hash);
  if (found == by_name_.end()) return nullptr;
  for (const ChainCandidate* candidate : found->second) {
    if (candidate->Certificate() == certificate) return candidate;
  }
  return nullptr;
}

}  // namespace corvane::platform
