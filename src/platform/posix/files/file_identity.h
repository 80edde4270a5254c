// Which file stands at a path, as far as a stat tells: device, inode, size, and modification and
// change times in nanoseconds. Writing a file moves its change time even when the writer keeps
// the size and puts the modification time back, so what is kept from a file (a parsed key, the
// certificates or revocation lists of a store file) is reused only while its path shows the same
// identity.
//
// A folder entry is linked when its file can change with no event in the folder: a symbolic link
// (its target, wherever it lies, is the file identified) or a file with other hard links (it can
// be written through a name in another folder). Store readings check the identity of their linked
// entries on every call.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>

namespace corvane::platform {

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modified_ns = 0;
  int64_t changed_ns = 0;

  bool operator==(const FileIdentity&) const = default;
};

// The identity of the regular file at `file` (links followed); nothing for anything else or when
// there is nothing there.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& file);

// The identity of the folder at `folder` (links followed): its modification and change times
// move whenever an entry is added, removed or renamed in it. Nothing for anything else.
std::optional<FileIdentity> IdentityOfFolder(const std::filesystem::path& folder);

// The folder's identity when it is settled: the clock, read just before the stat, had passed the
// change time the stat shows. Any change after the stat, even within the file system's timestamp
// granularity, then gives the folder another identity, so a settled identity taken before the
// folder is listed shows still only while no entry was added, removed or renamed in it since.
// Nothing when the folder changed within the clock's current tick, or is no folder.
std::optional<FileIdentity> SettledIdentityOfFolder(const std::filesystem::path& folder);

// What a folder entry leads to.
struct EntryIdentity {
  std::optional<FileIdentity> file;  // the regular file behind the entry; nothing when there is none
  bool linked = false;               // a symbolic link, or a file with other hard links

  bool operator==(const EntryIdentity&) const = default;
};

// The identity of the folder entry `entry`: one lstat, and a stat more for a symbolic link.
EntryIdentity IdentityOfEntry(const std::filesystem::path& entry);

}  // namespace corvane::platform
