// The revocation lists of one store folder, read file by file (revocation_lists.h reads each
// file), so that a new reading of the folder takes over the lists of every file an earlier
// reading holds as unchanged (folder_entries.h) and reads only the others. The files are those a
// listing of the folder finds, or those the folder's index names while the folder shows the
// identity the index gives (indexed_folder.h); either way each list is read from its file. A
// reading never changes after loading; readings share the lists of a file.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/ossl.h"
#include "platform/posix/status.h"
#include "platform/posix/files/folder_entries.h"

namespace corvane::platform {

using RevocationLists = std::vector<ossl::UniquePtr<X509_CRL>>;

struct RevocationListFiles {
  FolderEntries entries;  // every *.crl file found
  // The folder's identity taken before it was listed, when settled (file_identity.h), or the one
  // its index gives: while the folder shows it, the folder holds no *.crl file but these.
  // Nothing on a network or FUSE file system.
  std::optional<FileIdentity> settled_folder;
  std::map<std::string, std::shared_ptr<const RevocationLists>> lists_of_file;  // by file name

  // A reference of the caller's own to every list, in the order of the files' names.
  RevocationLists AllLists() const;
};

// The names of the *.crl files of `folder`, listed by name; a missing folder has none. Fails when
// the folder cannot be listed.
Status ListRevocationListFiles(const std::filesystem::path& folder, std::vector<std::string>& names);

// Reads the *.crl files of `folder`; a missing folder has none. With `earlier`, a file that it
// holds as unchanged gives the very lists it gave then. Fails when the folder cannot be listed.
Status LoadRevocationListFiles(const std::filesystem::path& folder, std::shared_ptr<RevocationListFiles>& reading,
                               const EarlierReading<RevocationListFiles>* earlier = nullptr);

// Reads the files `names` of `folder`, which showed the identity `shown` when it held no other
// *.crl file (the names and identity its index gives, checked by the caller): no listing.
std::shared_ptr<RevocationListFiles> LoadNamedRevocationListFiles(const std::filesystem::path& folder,
                                                                  const FileIdentity& shown,
                                                                  const std::vector<std::string_view>& names);

}  // namespace corvane::platform
