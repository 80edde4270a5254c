#include "platform/posix/store/store_cache.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/posix/files/cache_setting.h"
#include "platform/posix/files/folder_watch.h"
#include "platform/posix/store/indexed_folder.h"
#include "platform/posix/store/revocation_list_files.h"
#include "platform/posix/store/revocation_lists.h"
#include "platform/posix/files/store_layout.h"

namespace corvane::platform {
namespace {

// The generation a reading of a folder that is not watched is kept under (watch generations
// start at 1).
constexpr uint64_t kNotWatched = 0;

// One reading of each folder (its contents, its revocation lists), kept with the folder's
// generation when it was read.
template <typename Reading>
class PerFolder {
 public:
  struct Kept {
    uint64_t generation = kNotWatched;
    std::shared_ptr<const Reading> reading;  // null when nothing is kept
  };

  // What is kept for the folder, from whichever generation.
  Kept Find(const std::filesystem::path& folder) {
    const std::lock_guard lock(mutex_);
    const auto found = readings_.find(folder.native());
    return found == readings_.end() ? Kept{} : found->second;
  }

  // Keeps `reading` unless a reading of a later generation is kept already. A reading of a
  // folder that is not watched always replaces the kept one: it is checked file by file anyway.
  void Keep(const std::filesystem::path& folder, uint64_t generation, std::shared_ptr<const Reading> reading) {
    const std::lock_guard lock(mutex_);
    Kept& kept = readings_[folder.native()];
    if (kept.reading == nullptr || generation == kNotWatched || kept.generation <= generation) {
      kept = {generation, std::move(reading)};
    }
  }

  void DropAll() {
    const std::lock_guard lock(mutex_);
    readings_.clear();
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::string, Kept> readings_;
};

// Never destroyed: calls may still come while the process exits.
template <typename Reading>
PerFolder<Reading>& Kept() {
  static auto* kept = new PerFolder<Reading>;
  return *kept;
}

// Whether a reading holds everything of its folder.
bool IsWhole(const StoreContents& contents) { return contents.indexed == nullptr; }
bool IsWhole(const RevocationListFiles&) { return true; }

// Whether a reading kept from before its folder was watched still describes the folder, by a
// check that neither lists nor watches the folder (both cost in proportion to the folder's
// entries): a reading through the folder's index while the index still holds (indexed_folder.h)
// and its linked entries are as they were; revocation lists while the folder shows the settled
// identity it showed before it was listed and each list file the identity it showed.
bool StandsUnwatched(const std::filesystem::path& folder, const StoreContents& contents) {
  return contents.indexed != nullptr && contents.indexed->StillHolds() && contents.entries.StillShown(folder);
}
bool StandsUnwatched(const std::filesystem::path& folder, const RevocationListFiles& files) {
  return files.settled_folder && IdentityOfFolder(folder) == files.settled_folder && files.entries.StillShown(folder);
}

// What changed in a folder since its kept reading.
struct Changes {
  bool none = false;  // the kept reading stands
  // Otherwise the entries to read again even if they show the same identity (the others are
  // taken over while they do); nothing when the folder must be read afresh.
  std::optional<std::unordered_set<std::string>> named;
};

template <typename Reading>
Changes ChangesSince(const std::filesystem::path& folder, const typename PerFolder<Reading>::Kept& kept,
                     const std::optional<FolderChanges>& events, EntryFilter wanted) {
  if (kept.reading == nullptr) return {};
  // Not watched: the entries' identities are all there is to go by. A reading through the
  // folder's index holds only its linked entries: the index is checked again instead.
  if (!events && !IsWhole(*kept.reading)) return {};
  if (!events) {
    if (kept.reading->entries.StillIn(folder, wanted)) return {.none = true, .named = std::nullopt};
    return {.named = std::unordered_set<std::string>{}};
  }
  // Kept from before the folder was watched: what changed since is told by the entries' identities.
  if (kept.generation == kNotWatched) return {.named = std::unordered_set<std::string>{}};
  if (kept.generation == events->generation) {  // no event: only linked entries may have changed
    std::unordered_set<std::string> links = kept.reading->entries.ChangedLinks(folder);
    if (links.empty()) return {.none = true, .named = std::nullopt};
    return {.named = std::move(links)};
  }
  return {.named = events->names};
}

template <typename Reading>
using Loader = Status (*)(const std::filesystem::path& folder, std::shared_ptr<Reading>& reading,
                          const EarlierReading<Reading>* earlier);

// The reading of `folder` that `load` makes, from the cache while it holds.
template <typename Reading>
Status CachedReading(const std::filesystem::path& folder, EntryFilter wanted, Loader<Reading> load,
                     std::shared_ptr<const Reading>& reading, bool whole = true) {
  PerFolder<Reading>& cache = Kept<Reading>();
  std::shared_ptr<Reading> loaded;
  if (!StoreCachingEnabled()) {
    cache.DropAll();
    const Status status = load(folder, loaded, nullptr);
    reading = std::move(loaded);
    return status;
  }
  const typename PerFolder<Reading>::Kept kept = cache.Find(folder);
  if (kept.reading != nullptr && kept.generation == kNotWatched && (IsWhole(*kept.reading) || !whole) &&
      StandsUnwatched(folder, *kept.reading)) {
    reading = kept.reading;
    return Status();
  }
  // Taken before the folder is read again: a change during that read renews the generation, and
  // the next call reads again.
  const std::optional<FolderChanges> events = FolderChangesSince(folder, kept.generation);
  Changes changes = ChangesSince<Reading>(folder, kept, events, wanted);
  const bool kept_whole = kept.reading == nullptr || IsWhole(*kept.reading);
  if (changes.none && (kept_whole || !whole)) {
    reading = kept.reading;
    return Status();
  }
  if (!kept_whole) changes.named.reset();  // what an index led to is never taken over file by file
  std::optional<EarlierReading<Reading>> earlier;
  if (changes.named) earlier.emplace(EarlierReading<Reading>{*kept.reading, *changes.named});
  const Status status = load(folder, loaded, earlier ? &*earlier : nullptr);
  if (!status.ok()) return status;
  cache.Keep(folder, events ? events->generation : kNotWatched, loaded);
  reading = std::move(loaded);
  return Status();
}

}  // namespace

Status CachedStoreContents(const std::filesystem::path& folder, std::shared_ptr<const StoreContents>& contents,
                           StoreReading scope) {
  if (scope == StoreReading::kWhole) {
    return CachedReading<StoreContents>(folder, IsCertificateFileName, LoadStoreContents, contents);
  }
  // A folder first read through its index is not watched: adding a watch costs the kernel a walk
  // over the folder's entries, which a process that calls once (each `corvane` command) would pay
  // for nothing. The reading stands while the index holds (StandsUnwatched); after a change the
  // folder is watched and the index checked again.
  PerFolder<StoreContents>& cache = Kept<StoreContents>();
  if (StoreCachingEnabled() && cache.Find(folder).reading == nullptr) {
    std::shared_ptr<StoreContents> indexed = IndexedFolder::Check(folder);
    if (indexed == nullptr) return CachedReading<StoreContents>(folder, IsCertificateFileName, LoadStoreContents, contents);
    cache.Keep(folder, kNotWatched, indexed);
    contents = std::move(indexed);
    return Status();
  }
  // With nothing kept to go on from, the index is tried before the whole folder.
  const Loader<StoreContents> through_index = [](const std::filesystem::path& folder,
                                                 std::shared_ptr<StoreContents>& loaded,
                                                 const EarlierReading<StoreContents>* earlier) {
    if (earlier == nullptr && (loaded = IndexedFolder::Check(folder)) != nullptr) return Status();
    return LoadStoreContents(folder, loaded, earlier);
  };
  return CachedReading<StoreContents>(folder, IsCertificateFileName, through_index, contents, false);
}

std::vector<ossl::UniquePtr<X509_CRL>> CachedRevocationLists(const std::filesystem::path& folder) {
  // A folder's lists are first read without watching the folder, as a store read through its
  // index: the reading stands while the folder bears it out (StandsUnwatched), and the first
  // change watches the folder. Which lists there are is always learnt by listing the folder.
  PerFolder<RevocationListFiles>& cache = Kept<RevocationListFiles>();
  if (StoreCachingEnabled() && cache.Find(folder).reading == nullptr) {
    std::shared_ptr<RevocationListFiles> loaded;
    if (!LoadRevocationListFiles(folder, loaded).ok()) return {};
    cache.Keep(folder, kNotWatched, loaded);
    return loaded->AllLists();
  }
  std::shared_ptr<const RevocationListFiles> files;
  if (!CachedReading<RevocationListFiles>(folder, IsRevocationListFile, LoadRevocationListFiles, files).ok()) {
    return {};
  }
  return files->AllLists();
}

}  // namespace corvane::platform
