// File helpers of the stores and the provider state: private folders and atomic writes. A write
// goes to a temporary file in the target's folder (".<name>.<pid>.XXXXXX", mode as asked from
// the start), is flushed, and is renamed into place, and then the folder is flushed, so a crash
// or a concurrent reader never sees half a file and a finished write stays (a write that need not
// outlive a crash leaves out the two flushes: see Durability).
// A temporary file a killed writer left behind is stale once its process is gone or it is older
// than a minute.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/status.h"

namespace corvane::platform {

// Creates `folder` and its missing parents with mode 0700 (existing folders are left as they are).
Status CreatePrivateFolder(const std::filesystem::path& folder);

// How far a write goes before it is reported done: flushed to the disk, the file and then its
// folder, so that it outlives a crash (the stores' and the provider's files); or handed to the
// system only, as programs write the files they produce (the tool's output files; they are
// still replaced whole, never seen half written).
enum class Durability { kFlushed, kHandedToTheSystem };

// Replaces (or creates) `path` with `bytes`, giving it `mode`.
Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode,
                           Durability durability = Durability::kFlushed);

// True for the name of a temporary file of an atomic write (this or an earlier form).
bool IsTemporaryFileName(const std::string& file_name);

// True when the temporary file `path` belongs to no running write: its process is gone, or it is
// older than a minute.
bool IsStaleTemporaryFile(const std::filesystem::path& path);

// Removes the stale temporary files of `folder`; the names removed are added to `removed`.
void RemoveStaleTemporaryFiles(const std::filesystem::path& folder, std::vector<std::string>& removed);

// Creates `path` with `bytes` and `mode` only if it does not exist yet (the system error EEXIST
// otherwise); as atomic as WriteFileAtomically, and exclusive against a concurrent creator.
Status CreateFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode);

}  // namespace corvane::platform
