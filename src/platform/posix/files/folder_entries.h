// What a reading of a store folder saw of its entries (the identity of each, file_identity.h),
// and so what may have changed in the folder since: a linked entry, whose file can change with no
// event in the folder, or, in a folder whose events cannot be had (folder_watch.h), any entry.
#pragma once

#include <filesystem>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/posix/files/file_identity.h"

namespace corvane::platform {

// The kind of entry a reading takes: certificate files, or revocation list files.
using EntryFilter = bool (*)(const std::filesystem::path& file);

class FolderEntries {
 public:
  void Add(const std::string& name, const EntryIdentity& identity);

  // True when the reading found the entry `name` leading to a regular file, with `identity`.
  bool Shows(const std::string& name, const EntryIdentity& identity) const;

  // The linked entries whose file is no longer the file they led to, for a folder with no event
  // since: a stat of each, none of the others.
  std::unordered_set<std::string> ChangedLinks(const std::filesystem::path& folder) const;

  // True when `folder` holds exactly these entries of the kind `wanted` takes, each showing the
  // identity it showed: a listing of the folder and a stat of each entry.
  bool StillIn(const std::filesystem::path& folder, EntryFilter wanted) const;

  // True when each of these entries shows the identity it showed: a stat of each and no listing,
  // so an entry added to the folder is not seen.
  bool StillShown(const std::filesystem::path& folder) const;

  // Every entry found, by name.
  const std::unordered_map<std::string, EntryIdentity>& identities() const { return identities_; }

 private:
  std::unordered_map<std::string, EntryIdentity> identities_;  // by entry name
  std::vector<std::string> linked_;
};

// An earlier reading of the same folder (anything with `entries`), and the names of the entries
// that may have changed since though they show the same identity.
template <typename Reading>
struct EarlierReading {
  const Reading& reading;
  const std::unordered_set<std::string>& changed;

  // True when what the earlier reading took from the entry `name`, which shows `identity` now,
  // holds still.
  bool Unchanged(const std::string& name, const EntryIdentity& identity) const {
    return !changed.contains(name) && reading.entries.Shows(name, identity);
  }
};

}  // namespace corvane::platform
