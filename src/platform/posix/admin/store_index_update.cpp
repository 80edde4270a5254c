#include "platform/posix/admin/store_index_update.h"

#include <memory>

#include "platform/posix/store/atomic_file.h"
#include "platform/posix/store/store_cache.h"
#include "platform/posix/store/store_index.h"

namespace corvane::platform {

Status UpdateStoreIndex(const std::filesystem::path& folder) {
  std::shared_ptr<const StoreContents> contents;
  Status status = CachedStoreContents(folder, contents);
  if (status.ok()) status = WriteFileAtomically(folder / kStoreIndexFileName, EncodeStoreIndex(IndexOf(*contents)), 0644);
  return status.ok() ? status : status.Because("cannot write the index of " + folder.string());
}

}  // namespace corvane::platform
