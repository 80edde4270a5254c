// Keeping a store folder's index file (store_index.h) up to date: every write of the tool to a
// certificate file of a folder ends by writing the folder's index anew, from a whole reading of
// the folder (the store cache's: after the first, only the files that changed are read again).
#pragma once

#include <filesystem>

#include "platform/posix/status.h"

namespace corvane::platform {

Status UpdateStoreIndex(const std::filesystem::path& folder);

}  // namespace corvane::platform
