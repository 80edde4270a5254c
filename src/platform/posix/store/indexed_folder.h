// A store folder read through its index (store_index.h): a process that only searches the store
// by serial number, subject or key identifier, or builds chains whose issuers it looks up by
// name, reads the index and the few files that can hold what it looks for, and neither lists the
// folder nor reads its other files. Its revocation lists never come from the index: which lists
// count is what a listing of the folder finds (revocation_list_files.h).
//
// The index counts only after a check: the folder itself must show the identity the index gives
// (so no entry was added, removed or renamed in it since the tool wrote the index), and each
// linked entry (a symbolic link or a file with other hard links, whose file can change with no
// change to the folder) the identity the index gives it. A missing, unreadable, malformed or stale
// index does not count, and the folder is read whole as without one; so does any index of a folder
// on a network or FUSE file system (shared_file_system.h). A file read through the index must
// hold exactly the certificates the index gives it (thumbprints and the four keys);
// otherwise the search gives up on the index and the store is read whole. So an index can make a
// search read less, never find a certificate the folder does not hold.
//
// What the check cannot see: a plain file written in place (same inode, as `cp` over an existing
// file does) by a process other than the tool, which leaves the folder as it was. A search reads
// it, and finds the change, only when the index says it holds the key searched for; a
// certificate it holds now under another key is not found through the index (a search by that
// key finds what it would have found before the write, or nothing, and the chooser then lists
// the whole store). It can never make a search take a certificate the folder does not hold.
//
// The contents handed out hold the certificates of the files read so far: every certificate of
// the folder with a key searched for, in thumbprint order, and never anything else. A search that
// reads more files hands out new contents; the earlier ones stay as they were.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/posix/files/folder_entries.h"
#include "platform/posix/store/store_contents.h"
#include "platform/posix/store/store_index.h"

namespace corvane::platform {

class IndexedFolder : public std::enable_shared_from_this<IndexedFolder> {
 public:
  // What a search looks for: a serial number, a subject Name's encoding, a subject name by the
  // hash of its canonical form (name_hash.h), as chains look up issuers, or a key identifier, as
  // messages name recipients.
  enum class Key { kSerial, kSubject, kName, kKeyIdentifier };

  // The folder's contents through its index (nothing read yet), when the index passes the check;
  // null otherwise. Their entries are the linked ones, which the store cache checks on each call.
  static std::shared_ptr<StoreContents> Check(const std::filesystem::path& folder);

  // Contents holding, besides what was read before, every certificate of the folder whose key
  // of this kind is `key`: IndexKey of the serial number's significant bytes (kSerial), of the
  // subject Name's encoding (kSubject) or of the key identifier (kKeyIdentifier), or the subject
  // name's hash (kName). Null when a file read does not hold what the index says.
  std::shared_ptr<const StoreContents> Covering(Key kind, uint64_t key);

  // True while the folder shows the identity the index gives it and each file read so far the
  // identity it showed when read: a stat of each, no listing and no watch. The linked entries
  // are the contents' to check.
  bool StillHolds();

 private:
  IndexedFolder(std::filesystem::path folder, std::string encoding);
  // The certificates of `file`, named `name`, when it holds what the index says.
  bool ReadFile(const std::string& name, const IndexedFile& file,
                std::vector<std::shared_ptr<const StoredCertificate>>& certificates) const;
  std::shared_ptr<StoreContents> ContentsOfFilesRead(FolderEntries entries = {});

  const std::filesystem::path folder_;
  const std::string encoding_;  // what index_ views
  const std::optional<StoreIndex> index_;  // nothing when the encoding is malformed

  std::mutex lock_;
  std::unordered_set<uint64_t> covered_[4];  // the keys searched for, by Key
  std::unordered_map<std::string, std::vector<std::shared_ptr<const StoredCertificate>>> read_;  // by file
  FolderEntries files_read_;  // each with the identity it showed before it was read
  std::weak_ptr<const StoreContents> latest_;  // the contents of read_, while a holder keeps them
};

}  // namespace corvane::platform
