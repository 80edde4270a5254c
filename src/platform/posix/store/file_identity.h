// Which file stands at a path, as far as a stat tells: device, inode, size and modification time
// in nanoseconds. What is kept from a file (a parsed key, the certificates of a store file) is
// reused only while its path shows the same identity.
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

  bool operator==(const FileIdentity&) const = default;
};

// The identity of the regular file at `file` (links followed); nothing for anything else or when
// there is nothing there.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& file);

}  // namespace corvane::platform
