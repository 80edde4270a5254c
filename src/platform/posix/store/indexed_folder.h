// A store folder read through its index file (store_index.h): a process that only searches the
// store by serial number or subject reads the index and the few files that can hold what it
// looks for, not every file.
//
// The index counts only after a check against the folder: a listing of the folder and the
// identity of each certificate entry (one lstat each, a stat more for a symbolic link) must give
// exactly the index's names and identities. A missing, unreadable, malformed or stale index (a
// file added, removed, replaced or written behind the tool's back) does not count, and the folder
// is read whole as without one. A file read through the index must still show the identity the
// check saw and hold exactly the certificates the index gives it (thumbprints, serial number and
// subject keys); otherwise the search gives up on the index and the store is read whole. So an
// index can make a search read less, never find a certificate the folder does not hold.
//
// The contents handed out hold the certificates of the files read so far: every certificate of
// the folder with a key searched for, in thumbprint order, and never anything else. Each search
// that reads more files hands out new contents; the earlier ones stay as they were.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/posix/store/folder_entries.h"
#include "platform/posix/store/store_contents.h"
#include "platform/posix/store/store_index.h"

namespace corvane::platform {

class IndexedFolder : public std::enable_shared_from_this<IndexedFolder> {
 public:
  enum class Key { kSerial, kSubject };

  // The folder's contents through its index (nothing read yet), when the index file passes the
  // check; null otherwise.
  static std::shared_ptr<StoreContents> Check(const std::filesystem::path& folder);

  // Contents holding, besides what was read before, every certificate of the folder whose
  // serial number's significant bytes (kSerial) or subject Name's encoding (kSubject) is `key`;
  // null when a file read does not hold what the index says.
  std::shared_ptr<const StoreContents> Covering(Key kind, std::string_view key);

 private:
  IndexedFolder(std::filesystem::path folder, std::vector<IndexedFile> files);
  // The certificates of `file`, when it holds what the index says.
  bool ReadFile(const IndexedFile& file, std::vector<std::shared_ptr<const StoredCertificate>>& certificates) const;
  // New contents of the files read so far; `entries` go to the first, whose reading the store
  // cache keeps and checks.
  std::shared_ptr<StoreContents> ContentsOfFilesRead(FolderEntries entries = {});

  const std::filesystem::path folder_;
  const std::vector<IndexedFile> files_;
  // The files (positions in files_) holding a certificate with a serial number or subject key.
  std::unordered_map<uint64_t, std::vector<size_t>> files_by_serial_, files_by_subject_;

  std::mutex lock_;
  std::unordered_map<std::string, std::vector<std::shared_ptr<const StoredCertificate>>> read_;  // by file
  std::weak_ptr<const StoreContents> latest_;  // the contents of read_, while a holder keeps them
};

}  // namespace corvane::platform
