// The revocation lists of one store folder, read file by file (revocation_lists.h reads each
// file), so that a new reading of the folder takes over the lists of every file an earlier
// reading holds as unchanged (folder_entries.h) and reads only the others. The files are those a
// listing of the folder finds (by name: no certificate file is stat'ed or read), never those the
// folder's index names: a forged index could otherwise leave a list out while its file stays. A
// reading never changes after loading; readings share the lists of a file.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/ossl.h"
#include "platform/posix/status.h"
#include "platform/posix/files/folder_entries.h"

namespace corvane::platform {

using RevocationLists = std::vector<ossl::UniquePtr<X509_CRL>>;

struct RevocationListFiles {
  FolderEntries entries;  // every *.crl file found
  // The folder's identity taken before it was listed, when settled (file_identity.h): while the
  // folder shows it, the folder holds no *.crl file but these.
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

}  // namespace corvane::platform
