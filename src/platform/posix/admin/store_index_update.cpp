#include "platform/posix/admin/store_index_update.h"

#include <unistd.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/files/atomic_file.h"
#include "platform/posix/files/shared_file_system.h"
#include "platform/posix/store/revocation_list_files.h"
#include "platform/posix/store/store_cache.h"
#include "platform/posix/store/store_index.h"

namespace corvane::platform {
namespace {

// How long the folder's change time may lie ahead of the clock before the folder goes without
// an index: far beyond a timestamp tick.
constexpr int kSettleMilliseconds = 100;

std::optional<FileIdentity> SettledIdentity(const std::filesystem::path& folder) {
  for (int waited = 0; waited <= kSettleMilliseconds; ++waited) {
    const std::optional<FileIdentity> identity = SettledIdentityOfFolder(folder);
    if (identity || !IdentityOfFolder(folder)) return identity;
    usleep(1000);
  }
  return std::nullopt;
}

}  // namespace

Status UpdateStoreIndex(const std::filesystem::path& folder) {
  const std::filesystem::path index_file = StoreIndexFile(folder);
  // An index on a network or FUSE file system would never be believed (indexed_folder.h).
  const std::optional<FileIdentity> identity =
      IsOnSharedFileSystem(folder) ? std::nullopt : SettledIdentity(folder);
  std::shared_ptr<const StoreContents> contents;
  std::vector<std::string> revocation_lists;
  Status status = identity ? CachedStoreContents(folder, contents) : Status();
  if (status.ok() && identity) status = ListRevocationListFiles(folder, revocation_lists);
  if (status.ok() && identity) {
    status = WriteFileAtomically(index_file, EncodeStoreIndex(IndexOf(*contents, revocation_lists, *identity)), 0644);
  } else if (status.ok()) {
    std::error_code error;
    std::filesystem::remove(index_file, error);
    if (error) status = Status::FromSystemError(error.value());
  }
  return status.ok() ? status : status.Because("cannot write " + index_file.string());
}

}  // namespace corvane::platform
