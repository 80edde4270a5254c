// What the provider state last found in its files, trusted while their folder is unchanged: the
// record a default file holds. Every operation sets the same default; with the folder unchanged
// (folder_watch.h) the file is not read again. (Whether a container exists is one stat, which a
// memo could not make cheaper.) Process-wide and thread-safe; nothing is kept while the store caches
// are off (CORVANE_CACHE=off) or the folder cannot be watched.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/posix/files/store_layout.h"

namespace corvane::platform::provider_state {

// The generation of the file's folder to read it under, taken before it is read (a change during
// the read then renews it); nothing when what is read cannot be kept.
std::optional<uint64_t> GenerationForReading(const FileUnderRoot& file);

// True when `fact` was learnt about `file` under this same generation of its folder.
bool Holds(const std::filesystem::path& file, std::optional<uint64_t> generation,
           const std::string& fact);

// Records `fact` about `file`, read under `generation` (nothing is recorded without one).
void Learn(const std::filesystem::path& file, std::optional<uint64_t> generation,
           const std::string& fact);

}  // namespace corvane::platform::provider_state
