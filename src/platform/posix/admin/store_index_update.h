// Keeping a store folder's index (store_index.h) up to date: every write of the tool to a store
// folder (a file written or removed) ends by writing the folder's index anew, from a whole reading of
// the folder (the store cache's: after the first, only the files that changed are read again) and
// a listing of its *.crl files.
#pragma once

#include <filesystem>

#include "platform/posix/status.h"

namespace corvane::platform {

// Writes the index of `folder`. The folder's identity is taken before the folder is read, and
// only once the clock has passed the folder's change time, so that any change after it, even
// within the file system's timestamp granularity, gives the folder another identity and leaves
// the index stale rather than wrong. A folder whose change time lies ahead of the clock for long,
// or that lies on a network or FUSE file system, gets no index (an earlier one is removed).
Status UpdateStoreIndex(const std::filesystem::path& folder);

}  // namespace corvane::platform
