// Whether a folder lies on a file system that can change without this kernel taking part:
// network and cluster file systems and file systems served from user space (FUSE). inotify
// reports only the changes made through this kernel, so no event tells of a file added, written
// or removed at the server or the FUSE daemon's source; such folders are not watched
// (folder_watch.h).
#pragma once

#include <filesystem>

namespace corvane::platform {

// True for a folder on such a file system, and when statfs cannot tell; false for a local one.
bool IsOnSharedFileSystem(const std::filesystem::path& folder);

}  // namespace corvane::platform
