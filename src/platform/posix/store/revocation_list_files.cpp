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

Status LoadRevocationListFiles(const std::filesystem::path& folder, std::shared_ptr<RevocationListFiles>& reading,
                               const EarlierReading<RevocationListFiles>* earlier) {
  auto loaded = std::make_shared<RevocationListFiles>();
  // A client of a network file system may answer a stat from attributes it cached.
  if (!IsOnSharedFileSystem(folder)) loaded->settled_folder = SettledIdentityOfFolder(folder);
  // Listed by name, with no path made for the folder's other entries (a store folder holds
  // thousands of certificate files for a few lists).
  const std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(folder.c_str()), closedir);
  if (listing == nullptr) {
    if (errno != ENOENT) return Status::FromSystemError(errno);
    reading = std::move(loaded);
    return Status();
  }
  for (errno = 0; const dirent* entry = readdir(listing.get()); errno = 0) {
    if (!IsRevocationListFileName(entry->d_name)) continue;
    const std::string name = entry->d_name;
    const std::filesystem::path path = folder / name;
    // Taken before the file is read: a change after it shows in a later identity.
    const EntryIdentity identity = IdentityOfEntry(path);
    std::shared_ptr<const RevocationLists> lists;
    if (earlier != nullptr && earlier->Unchanged(name, identity)) {
      const auto kept = earlier->reading.lists_of_file.find(name);
      if (kept != earlier->reading.lists_of_file.end()) lists = kept->second;
    }
    if (lists == nullptr) lists = std::make_shared<const RevocationLists>(RevocationListsOfFile(path));
    loaded->entries.Add(name, identity);
    loaded->lists_of_file.emplace(name, std::move(lists));
  }
  if (errno != 0) return Status::FromSystemError(errno);
  reading = std::move(loaded);
  return Status();
}

}  // namespace corvane::platform
