// Tells the store caches when a store folder changed, so that an unchanged store costs no stat of
// its plain files: one inotify instance per process watches each folder a cache asked about, and
// every event in a folder (a file created, written, closed after writing, renamed, removed, its
// attributes changed) gives the folder a new generation number. The kernel queues an event before
// the call that caused it returns, so a change made before a call is seen by that call.
//
// Events tell only of changes made through the folder itself on this machine. A file written
// through a link (a symbolic link's target, another hard link) gives no event in the folder:
// readers check such entries by their identity (folder_entries.h). A folder on a network or FUSE
// file system (shared_file_system.h) is not watched at all, nor one for which no inotify instance
// or watch is left: readers check every entry of it by identity on every call.
//
// Each watch also records which of its folder's entries events named, and under which
// generation, so that a reader of the folder can tell what changed since its last reading. The
// record is bounded: when it grows past kRecordedNameLimit names (or events were lost) it starts
// anew, and what changed before is no longer known.
//
// A folder is no longer watched once it is removed or moved away, or when a stat shows another
// folder at its path; the next question watches it afresh under a new generation. A lost event
// queue (overflow) gives every folder a new generation. A forked child does not read the queue it
// shares with its parent: it starts an instance of its own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>

namespace corvane::platform {

// The folder's current generation (never 0): equal to an earlier answer for the same folder only when
// nothing in it changed through it in between. Nothing when the folder is not watched (missing,
// not a folder, on a shared file system, no inotify instance or watch left): no generation then
// tells that what was read from it still holds.
std::optional<uint64_t> FolderGeneration(const std::filesystem::path& folder);

inline constexpr size_t kRecordedNameLimit = 4096;

struct FolderChanges {
  uint64_t generation = 0;  // the folder's current generation, as FolderGeneration answers
  // The names of the folder's entries that events named after the generation asked about; nothing
  // when that is not known (the record does not reach back so far, or the generation was of an
  // earlier watch): any entry may have changed.
  std::optional<std::unordered_set<std::string>> names;
};

// The folder's current generation and what changed in it since `since`, an earlier generation of
// the same folder, taken together. Nothing when the folder is not watched.
std::optional<FolderChanges> FolderChangesSince(const std::filesystem::path& folder, uint64_t since);

}  // namespace corvane::platform
