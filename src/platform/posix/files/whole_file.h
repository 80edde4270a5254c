// Bounded reading of a whole file: the one way the stores and the provider state read a file,
// with the size limit every such file has.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "platform/posix/status.h"

namespace corvane::platform {

// The most a store or provider file may hold: far more than any real certificate, key or
// provider setting, and little enough to read at once (revocation lists have a limit of their own).
inline constexpr size_t kStoreFileLimit = size_t{1} << 20;

// Reads a whole regular file (links followed) of at most `limit` bytes. Anything else fails at
// once, before a byte is read: a device, FIFO, socket or folder ("not a regular file") or a
// larger file, both ERROR_INVALID_DATA; type and size are checked on the opened descriptor as
// well, and a file that grows past the limit while it is read fails too.
Status ReadWholeFile(const std::filesystem::path& path, std::string& bytes,
                     size_t limit = kStoreFileLimit);

}  // namespace corvane::platform
