#include "platform/posix/store/revocation_list_files.h"

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
  std::error_code error;
  std::filesystem::directory_iterator entries(folder, error);
  for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    const std::filesystem::path& path = entries->path();
    if (!IsRevocationListFile(path)) continue;
    const std::string name = path.filename().string();
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
  if (error && error != std::errc::no_such_file_or_directory) return Status::FromSystemError(error.value());
  reading = std::move(loaded);
  return Status();
}

}  // namespace corvane::platform
