// Tells the store caches when a store folder changed, so that an unchanged store costs no stat of
// its files: one inotify instance per process watches each folder a cache asked about, and every
// event in a folder (a file created, written, closed after writing, renamed, removed, its
// attributes changed) gives the folder a new generation number. The kernel queues an event before
// the call that caused it returns, so a change made before a call is seen by that call.
//
// A folder is no longer watched once it is removed or moved away, or when a stat shows another
// folder at its path; the next question watches it afresh under a new generation. A lost event
// queue (overflow) gives every folder a new generation. A forked child does not read the queue it
// shares with its parent: it starts an instance of its own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace corvane::platform {

// The folder's current generation: equal to an earlier answer for the same folder only when
// nothing in it changed in between. Nothing when the folder cannot be watched (missing, not a
// folder, no inotify instance or watch left): what was read from it then cannot be kept.
std::optional<uint64_t> FolderGeneration(const std::filesystem::path& folder);

}  // namespace corvane::platform
