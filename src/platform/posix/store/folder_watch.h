// Tells the store caches when a store folder changed, so that an unchanged store costs no stat of
// its files: one inotify instance per process watches each folder a cache asked about, and every
// event in a folder (a file created, written, closed after writing, renamed, removed, its
// attributes changed) gives the folder a new generation number. The kernel queues an event before
// the call that caused it returns, so a change made before a call is seen by that call.
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

// The folder's current generation: equal to an earlier answer for the same folder only when
// nothing in it changed in between. Nothing when the folder cannot be watched (missing, not a
// folder, no inotify instance or watch left): what was read from it then cannot be kept.
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
// the same folder, taken together. Nothing when the folder cannot be watched.
std::optional<FolderChanges> FolderChangesSince(const std::filesystem::path& folder, uint64_t since);

}  // namespace corvane::platform
