#include "platform/posix/files/folder_entries.h"

namespace corvane::platform {

void FolderEntries::Add(const std::string& name, const EntryIdentity& identity) {
  if (identity.linked) linked_.push_back(name);
  identities_.insert_or_assign(name, identity);
}

bool FolderEntries::Shows(const std::string& name, const EntryIdentity& identity) const {
  const auto found = identities_.find(name);
  return found != identities_.end() && found->second.file.has_value() && found->second == identity;
}

std::unordered_set<std::string> FolderEntries::ChangedLinks(const std::filesystem::path& folder) const {
  std::unordered_set<std::string> changed;
  // One stat each, of the file the entry leads to: with no event in the folder, the entry
  // itself is what it was.
  for (const std::string& name : linked_) {
    if (IdentityOf(folder / name) != identities_.at(name).file) changed.insert(name);
  }
  return changed;
}

bool FolderEntries::StillShown(const std::filesystem::path& folder) const {
  for (const auto& [name, identity] : identities_) {
    if (IdentityOfEntry(folder / name) != identity) return false;
  }
  return true;
}

bool FolderEntries::StillIn(const std::filesystem::path& folder, EntryFilter wanted) const {
  std::error_code error;
  std::filesystem::directory_iterator entries(folder, error);
  // No folder is as empty as a folder with no entries.
  if (error == std::errc::no_such_file_or_directory) return identities_.empty();
  size_t seen = 0;
  for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    const std::filesystem::path& path = entries->path();
    if (!wanted(path)) continue;
    const auto found = identities_.find(path.filename().string());
    if (found == identities_.end() || IdentityOfEntry(path) != found->second) return false;
    ++seen;
  }
  return !error && seen == identities_.size();
}

}  // namespace corvane::platform
