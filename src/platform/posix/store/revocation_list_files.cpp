#include "platform/posix/store/revocation_list_files.h"

#include <dirent.h>

#include <cerrno>
#include <memory>

#include "platform/posix/files/shared_file_system.h"
#include "platform/posix/store/revocation_lists.h"

namespace corvane::platform {

RevocationLists RevocationListFiles::AllLists() const {
  RevocationLists all;
  for (const auto& [name, lists] : lists_of_file) {
    for (const auto& list : *lists) {
      if (X509_CRL_up_ref(list.get()) == 1) all.emplace_back(list.get());
    }
  }
  return all;
}

namespace {

// Reads the list file `name` of the folder into `reading`, or takes over what `earlier` read of
// it while it holds the file as unchanged.
void AddListFile(const std::filesystem::path& folder, const std::string& name, RevocationListFiles& reading,
                 const EarlierReading<RevocationListFiles>* earlier) {
  const std::filesystem::path path = folder / name;
  // Taken before the file is read: a change after it shows in a later identity.
  const EntryIdentity identity = IdentityOfEntry(path);
  std::shared_ptr<const RevocationLists> lists;
  if (earlier != nullptr && earlier->Unchanged(name, identity)) {
    const auto kept = earlier->reading.lists_of_file.find(name);
    if (kept != earlier->reading.lists_of_file.end()) lists = kept->second;
  }
  if (lists == nullptr) lists = std::make_shared<const RevocationLists>(RevocationListsOfFile(path));
  reading.entries.Add(name, identity);
  reading.lists_of_file.emplace(name, std::move(lists));
}

}  // namespace

Status ListRevocationListFiles(const std::filesystem::path& folder, std::vector<std::string>& names) {
  names.clear();
  // Listed by name, with no path made for the folder's other entries (a store folder holds
  // thousands of certificate files for a few lists).
  const std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(folder.c_str()), closedir);
  if (listing == nullptr) return errno == ENOENT ? Status() : Status::FromSystemError(errno);
  for (errno = 0; const dirent* entry = readdir(listing.get()); errno = 0) {
    if (IsRevocationListFileName(entry->d_name)) names.emplace_back(entry->d_name);
  }
  return errno == 0 ? Status() : Status::FromSystemError(errno);
}

Status LoadRevocationListFiles(const std::filesystem::path& folder, std::shared_ptr<RevocationListFiles>& reading,
                               const EarlierReading<RevocationListFiles>* earlier) {
  auto loaded = std::make_shared<RevocationListFiles>();
  // A client of a network file system may answer a stat from attributes it cached.
  if (!IsOnSharedFileSystem(folder)) loaded->settled_folder = SettledIdentityOfFolder(folder);
  std::vector<std::string> names;
  const Status listed = ListRevocationListFiles(folder, names);
  if (!listed.ok()) return listed;
  for (const std::string& name : names) AddListFile(folder, name, *loaded, earlier);
  reading = std::move(loaded);
  return Status();
}

}  // namespace corvane::platform
