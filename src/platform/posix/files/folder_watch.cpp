#include "platform/posix/files/folder_watch.h"

#include <pthread.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/posix/files/shared_file_system.h"

namespace corvane::platform {
namespace {

constexpr uint32_t kWatchedEvents = IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_DELETE_SELF |
                                    IN_MODIFY | IN_MOVE_SELF | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

struct WatchedFolder {
  int descriptor = -1;
  dev_t device = 0;
  ino_t inode = 0;
};

// One watch: the folder's generation and, for each entry an event named, the generation that
// event gave. Every event after `recorded_from` is in `named`.
struct Watch {
  uint64_t generation = 0;
  uint64_t recorded_from = 0;
  std::unordered_map<std::string, uint64_t> named;

  void Renew(uint64_t next) {
    generation = next;
    recorded_from = next;
    named.clear();
  }
};

struct Watches {
  std::mutex mutex;
  pid_t owner = 0;        // the process that made the instance, where forks are not counted
  unsigned forks_seen = 0;  // child_forks when the instance was made
  int instance = -1;
  uint64_t next_generation = 1;
  std::unordered_map<std::string, WatchedFolder> folders;  // by path
  std::unordered_map<int, Watch> watches;                  // by watch descriptor
};

// Never destroyed: calls may still come while the process exits.
Watches& TheWatches() {
  static Watches* watches = new Watches;
  return *watches;
}

void Forget(Watches& watches, int descriptor) {
  if (watches.watches.erase(descriptor) != 0) inotify_rm_watch(watches.instance, descriptor);
  std::erase_if(watches.folders, [descriptor](const auto& entry) { return entry.second.descriptor == descriptor; });
}

// Events may have been lost: every folder gets a new generation, and nothing is known of what
// changed before it.
void RenewAll(Watches& watches) {
  for (auto& [descriptor, watch] : watches.watches) watch.Renew(watches.next_generation++);
}

// An event in a watched folder; `name` is the entry it names (empty for the folder itself).
void Record(Watches& watches, Watch& watch, std::string_view name) {
  watch.generation = watches.next_generation++;
  if (name.empty()) return;
  if (watch.named.size() >= kRecordedNameLimit && !watch.named.contains(std::string(name))) {
    watch.Renew(watch.generation);  // the record starts anew with this event
  }
  watch.named.insert_or_assign(std::string(name), watch.generation);
}

// How many times this process came out of fork() as the child. Counted by an atfork handler, so
// that telling a child from the process that made the instance costs no system call per question.
std::atomic<unsigned> child_forks{0};
void CountChildFork() { child_forks.fetch_add(1, std::memory_order_relaxed); }

// True (once) when the instance was inherited from the parent process.
bool InheritedFromParent(Watches& watches) {
  static const bool counting = pthread_atfork(nullptr, nullptr, CountChildFork) == 0;
  if (counting) {
    const unsigned forks = child_forks.load(std::memory_order_relaxed);
    if (forks == watches.forks_seen) return false;
    watches.forks_seen = forks;
    return true;
  }
  const pid_t self = getpid();
  if (self == watches.owner) return false;
  watches.owner = self;
  return true;
}

bool HaveInstance(Watches& watches) {
  if (InheritedFromParent(watches)) {  // a forked child: the inherited queue is the parent's
    if (watches.instance >= 0) close(watches.instance);
    watches.instance = -1;
    watches.folders.clear();
    watches.watches.clear();
  }
  if (watches.instance < 0) watches.instance = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  return watches.instance >= 0;
}

// Reads every queued event and renews the generation of each folder that had one.
void TakeEvents(Watches& watches) {
  alignas(inotify_event) char buffer[16 * 1024];
  for (;;) {
    const ssize_t size = read(watches.instance, buffer, sizeof buffer);
    if (size < 0 && errno == EINTR) continue;
    if (size < 0 && errno != EAGAIN) RenewAll(watches);  // events may be lost: nothing is trusted
    if (size <= 0) return;
    size_t offset = 0;
    while (offset + sizeof(inotify_event) <= static_cast<size_t>(size)) {
      inotify_event event;
      std::memcpy(&event, buffer + offset, sizeof event);
      const char* name = buffer + offset + sizeof event;
      const size_t name_room = std::min<size_t>(event.len, static_cast<size_t>(size) - offset - sizeof event);
      offset += sizeof event + event.len;
      if (event.mask & IN_Q_OVERFLOW) {
        RenewAll(watches);
      } else if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
        Forget(watches, event.wd);
      } else if (auto found = watches.watches.find(event.wd); found != watches.watches.end()) {
        Record(watches, found->second, std::string_view(name, strnlen(name, name_room)));
      }
    }
  }
}

// The watch of `folder`, added when it has none yet; null when the folder cannot be watched.
// The caller holds the lock and has taken the queued events.
Watch* WatchOf(Watches& watches, const std::filesystem::path& folder) {
  struct stat status {};
  const bool exists = stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
  auto found = watches.folders.find(folder.native());
  if (found != watches.folders.end()) {
    if (exists && found->second.device == status.st_dev && found->second.inode == status.st_ino) {
      return &watches.watches.at(found->second.descriptor);
    }
    Forget(watches, found->second.descriptor);  // another folder (or none) stands at the path now
  }
  if (!exists || IsOnSharedFileSystem(folder)) return nullptr;
  const int descriptor = inotify_add_watch(watches.instance, folder.c_str(), kWatchedEvents);
  if (descriptor < 0) return nullptr;
  struct stat watched {};
  if (stat(folder.c_str(), &watched) != 0 || watched.st_dev != status.st_dev || watched.st_ino != status.st_ino) {
    return nullptr;  // replaced while the watch was added: ask again next time
  }
  // Two paths of one folder share its watch, and so its generation.
  const auto [watch, added] = watches.watches.try_emplace(descriptor);
  if (added) watch->second.Renew(watches.next_generation++);
  watches.folders[folder.native()] = {descriptor, status.st_dev, status.st_ino};
  return &watch->second;
}

// The watch of `folder` with every queued event taken, under the held lock.
Watch* CurrentWatchOf(Watches& watches, const std::filesystem::path& folder) {
  if (!HaveInstance(watches)) return nullptr;
  TakeEvents(watches);
  return WatchOf(watches, folder);
}

}  // namespace

std::optional<uint64_t> FolderGeneration(const std::filesystem::path& folder) {
  Watches& watches = TheWatches();
  const std::lock_guard lock(watches.mutex);
  const Watch* watch = CurrentWatchOf(watches, folder);
  if (watch == nullptr) return std::nullopt;
  return watch->generation;
}

std::optional<FolderChanges> FolderChangesSince(const std::filesystem::path& folder, uint64_t since) {
  Watches& watches = TheWatches();
  const std::lock_guard lock(watches.mutex);
  const Watch* watch = CurrentWatchOf(watches, folder);
  if (watch == nullptr) return std::nullopt;
  FolderChanges changes{watch->generation, std::nullopt};
  if (since < watch->recorded_from) return changes;
  changes.names.emplace();
  if (since == watch->generation) return changes;  // nothing changed: no need to look
  for (const auto& [name, generation] : watch->named) {
    if (generation > since) changes.names->insert(name);
  }
  return changes;
}

}  // namespace corvane::platform
