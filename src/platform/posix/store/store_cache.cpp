#include "platform/posix/store/store_cache.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/posix/store/cache_setting.h"
#include "platform/posix/store/folder_watch.h"
#include "platform/posix/store/revocation_lists.h"

namespace corvane::platform {
namespace {

using RevocationLists = std::vector<ossl::UniquePtr<X509_CRL>>;

// One thing read from each folder (its contents, its revocation lists), kept with the folder's
// generation when it was read.
template <typename Value>
class PerFolder {
 public:
  struct Kept {
    uint64_t generation = 0;
    std::shared_ptr<const Value> value;  // null when nothing is kept
  };

  // What is kept for the folder, from whichever generation.
  Kept Find(const std::filesystem::path& folder) {
    const std::lock_guard lock(mutex_);
    const auto found = values_.find(folder.native());
    return found == values_.end() ? Kept{} : found->second;
  }

  void Keep(const std::filesystem::path& folder, uint64_t generation, std::shared_ptr<const Value> value) {
    const std::lock_guard lock(mutex_);
    Kept& kept = values_[folder.native()];
    if (kept.value == nullptr || kept.generation <= generation) kept = {generation, std::move(value)};
  }

  void Drop(const std::filesystem::path& folder) {
    const std::lock_guard lock(mutex_);
    values_.erase(folder.native());
  }

  void DropAll() {
    const std::lock_guard lock(mutex_);
    values_.clear();
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::string, Kept> values_;
};

// Never destroyed: calls may still come while the process exits.
template <typename Value>
PerFolder<Value>& Kept() {
  static auto* kept = new PerFolder<Value>;
  return *kept;
}

// What is kept of `folder` (from whichever generation) and what changed in the folder since it
// was read. The changes are taken before the folder is read again: a change during that read
// renews the generation, and the next call reads again. Nothing when what is read may not be
// kept: caching is off, or the folder cannot be watched.
template <typename Value>
std::optional<FolderChanges> Look(const std::filesystem::path& folder, typename PerFolder<Value>::Kept& kept) {
  if (!StoreCachingEnabled()) {
    Kept<Value>().DropAll();
    return std::nullopt;
  }
  kept = Kept<Value>().Find(folder);
  std::optional<FolderChanges> changes = FolderChangesSince(folder, kept.generation);
  if (!changes) {
    Kept<Value>().Drop(folder);
    kept = {};
  }
  return changes;
}

}  // namespace

Status CachedStoreContents(const std::filesystem::path& folder, std::shared_ptr<const StoreContents>& contents) {
  PerFolder<StoreContents>::Kept kept;
  const std::optional<FolderChanges> changes = Look<StoreContents>(folder, kept);
  if (changes && kept.value != nullptr && kept.generation == changes->generation) {
    contents = std::move(kept.value);
    return Status();
  }
  // The files of the kept reading that no event named since are taken over.
  std::shared_ptr<StoreContents> loaded;
  Status status;
  if (changes && changes->names && kept.value != nullptr) {
    const EarlierReading earlier{*kept.value, *changes->names};
    status = LoadStoreContents(folder, loaded, &earlier);
  } else {
    status = LoadStoreContents(folder, loaded);
  }
  if (!status.ok()) return status;
  if (changes) Kept<StoreContents>().Keep(folder, changes->generation, loaded);
  contents = std::move(loaded);
  return Status();
}

std::vector<ossl::UniquePtr<X509_CRL>> CachedRevocationLists(const std::filesystem::path& folder) {
  PerFolder<RevocationLists>::Kept kept;
  const std::optional<FolderChanges> changes = Look<RevocationLists>(folder, kept);
  if (!changes || kept.value == nullptr || kept.generation != changes->generation) {
    auto loaded = std::make_shared<const RevocationLists>(RevocationListsIn(folder));
    if (changes) Kept<RevocationLists>().Keep(folder, changes->generation, loaded);
    kept.value = std::move(loaded);
  }
  RevocationLists lists;
  for (const auto& list : *kept.value) {
    if (X509_CRL_up_ref(list.get()) == 1) lists.emplace_back(list.get());
  }
  return lists;
}

}  // namespace corvane::platform
