// File helpers of the stores and the provider state: whole-file reads, private folders and
// atomic writes. A write goes to a temporary file in the target's folder, is flushed, and is
// renamed into place, so a crash or a concurrent reader never sees half a file.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/posix/status.h"

namespace corvane::platform {

// Reads a whole regular file.
Status ReadWholeFile(const std::filesystem::path& path, std::string& bytes);

// Creates `folder` and its missing parents with mode 0700 (existing folders are left as they are).
Status CreatePrivateFolder(const std::filesystem::path& folder);

// Replaces (or creates) `path` with `bytes`, giving it `mode`.
Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode);

// Creates `path` with `bytes` and `mode` only if it does not exist yet (the system error EEXIST
// otherwise); as atomic as WriteFileAtomically, and exclusive against a concurrent creator.
Status CreateFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode);

}  // namespace corvane::platform
