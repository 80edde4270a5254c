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
  // The generation to read the folder under, and what was read under it, if anything. Nothing
  // is kept (and what was kept is dropped) while caching is off or the folder cannot be watched.
  std::optional<uint64_t> Look(const std::filesystem::path& folder, std::shared_ptr<const Value>& kept) {
    // The generation is taken before the folder is read: a change during the read renews it, and
    // the next call reads again.
    const bool enabled = StoreCachingEnabled();
    const std::optional<uint64_t> generation = enabled ? FolderGeneration(folder) : std::nullopt;
    const std::lock_guard lock(mutex_);
    if (!enabled) {
      values_.clear();
    } else if (auto found = values_.find(folder.native()); found != values_.end()) {
      if (generation && found->second.generation == *generation) kept = found->second.value;
      if (!kept) values_.erase(found);
    }
    return generation;
  }

  void Keep(const std::filesystem::path& folder, uint64_t generation, std::shared_ptr<const Value> value) {
    const std::lock_guard lock(mutex_);
    Entry& entry = values_[folder.native()];
    if (entry.value == nullptr || entry.generation <= generation) entry = {generation, std::move(value)};
  }

 private:
  struct Entry {
    uint64_t generation = 0;
    std::shared_ptr<const Value> value;
  };
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> values_;
};

// Never destroyed: calls may still come while the process exits.
template <typename Value>
PerFolder<Value>& Kept() {
  static auto* kept = new PerFolder<Value>;
  return *kept;
}

}  // namespace

Status CachedStoreContents(const std::filesystem::path& folder, std::shared_ptr<const StoreContents>& contents) {
  std::shared_ptr<const StoreContents> kept;
  const std::optional<uint64_t> generation = Kept<StoreContents>().Look(folder, kept);
  if (kept != nullptr) {
    contents = std::move(kept);
    return Status();
  }
  std::shared_ptr<StoreContents> loaded;
  const Status status = LoadStoreContents(folder, loaded);
  if (!status.ok()) return status;
  if (generation) Kept<StoreContents>().Keep(folder, *generation, loaded);
  contents = std::move(loaded);
  return Status();
}

std::vector<ossl::UniquePtr<X509_CRL>> CachedRevocationLists(const std::filesystem::path& folder) {
  std::shared_ptr<const RevocationLists> kept;
  const std::optional<uint64_t> generation = Kept<RevocationLists>().Look(folder, kept);
  if (kept == nullptr) {
    auto loaded = std::make_shared<const RevocationLists>(RevocationListsIn(folder));
    if (generation) Kept<RevocationLists>().Keep(folder, *generation, loaded);
    kept = std::move(loaded);
  }
  RevocationLists lists;
  for (const auto& list : *kept) {
    if (X509_CRL_up_ref(list.get()) == 1) lists.emplace_back(list.get());
  }
  return lists;
}

}  // namespace corvane::platform
