#include "platform/posix/store/folder_watch.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

namespace corvane::platform {
namespace {

constexpr uint32_t kWatchedEvents = IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_DELETE_SELF |
                                    IN_MODIFY | IN_MOVE_SELF | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

struct WatchedFolder {
  int descriptor = -1;
  dev_t device = 0;
  ino_t inode = 0;
};

struct Watches {
  std::mutex mutex;
  pid_t owner = 0;
  int instance = -1;
  uint64_t next_generation = 1;
  std::unordered_map<std::string, WatchedFolder> folders;  // by path
  std::unordered_map<int, uint64_t> generations;           // by watch descriptor
};

// Never destroyed: calls may still come while the process exits.
Watches& TheWatches() {
  static Watches* watches = new Watches;
  return *watches;
}

void Forget(Watches& watches, int descriptor) {
  if (watches.generations.erase(descriptor) != 0) inotify_rm_watch(watches.instance, descriptor);
  std::erase_if(watches.folders, [descriptor](const auto& entry) { return entry.second.descriptor == descriptor; });
}

void RenewAll(Watches& watches) {
  for (auto& [descriptor, generation] : watches.generations) generation = watches.next_generation++;
}

bool HaveInstance(Watches& watches) {
  if (watches.owner != getpid()) {  // a forked child: the inherited queue is the parent's
    if (watches.instance >= 0) close(watches.instance);
    watches.instance = -1;
    watches.folders.clear();
    watches.generations.clear();
    watches.owner = getpid();
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
      offset += sizeof event + event.len;
      if (event.mask & IN_Q_OVERFLOW) {
        RenewAll(watches);
      } else if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
        Forget(watches, event.wd);
      } else if (auto found = watches.generations.find(event.wd); found != watches.generations.end()) {
        found->second = watches.next_generation++;
      }
    }
  }
}

}  // namespace

std::optional<uint64_t> FolderGeneration(const std::filesystem::path& folder) {
  Watches& watches = TheWatches();
  const std::lock_guard lock(watches.mutex);
  if (!HaveInstance(watches)) return std::nullopt;
  TakeEvents(watches);

  struct stat status {};
  const bool exists = stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
  auto found = watches.folders.find(folder.native());
  if (found != watches.folders.end()) {
    if (exists && found->second.device == status.st_dev && found->second.inode == status.st_ino) {
      return watches.generations.at(found->second.descriptor);
    }
    Forget(watches, found->second.descriptor);  // another folder (or none) stands at the path now
  }
  if (!exists) return std::nullopt;
  const int descriptor = inotify_add_watch(watches.instance, folder.c_str(), kWatchedEvents);
  if (descriptor < 0) return std::nullopt;
  struct stat watched {};
  if (stat(folder.c_str(), &watched) != 0 || watched.st_dev != status.st_dev || watched.st_ino != status.st_ino) {
    return std::nullopt;  // replaced while the watch was added: ask again next time
  }
  // Two paths of one folder share its watch, and so its generation.
  const auto [generation, added] = watches.generations.try_emplace(descriptor, watches.next_generation);
  if (added) ++watches.next_generation;
  watches.folders[folder.native()] = {descriptor, status.st_dev, status.st_ino};
  return generation->second;
}

}  // namespace corvane::platform
