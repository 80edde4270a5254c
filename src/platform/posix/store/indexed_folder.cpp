#include "platform/posix/store/indexed_folder.h"

#include <algorithm>
#include <unordered_set>

#include "platform/posix/store/atomic_file.h"
#include "platform/posix/store/store_entry.h"
#include "platform/posix/store/store_layout.h"

namespace corvane::platform {
namespace {

// The folder's entries when they are exactly the index's files, each showing its identity.
std::optional<FolderEntries> EntriesAsIndexed(const std::filesystem::path& folder,
                                              const std::vector<IndexedFile>& files) {
  std::unordered_map<std::string_view, const IndexedFile*> by_name;
  for (const IndexedFile& file : files) by_name.emplace(file.name, &file);
  FolderEntries entries;
  size_t seen = 0;
  std::error_code error;
  std::filesystem::directory_iterator listing(folder, error);
  for (; !error && listing != std::filesystem::directory_iterator(); listing.increment(error)) {
    const std::filesystem::path& path = listing->path();
    if (!IsCertificateFileName(path)) continue;
    const std::string name = path.filename().string();
    const auto found = by_name.find(name);
    if (found == by_name.end()) return std::nullopt;
    const EntryIdentity identity = IdentityOfEntry(path);
    if (identity != found->second->identity) return std::nullopt;
    entries.Add(name, identity);
    ++seen;
  }
  if (error || seen != files.size()) return std::nullopt;
  return entries;
}

}  // namespace

IndexedFolder::IndexedFolder(std::filesystem::path folder, std::vector<IndexedFile> files)
    : folder_(std::move(folder)), files_(std::move(files)) {
  for (size_t position = 0; position < files_.size(); ++position) {
    for (const IndexedCertificate& certificate : files_[position].certificates) {
      files_by_serial_[certificate.serial_key].push_back(position);
      files_by_subject_[certificate.subject_key].push_back(position);
    }
  }
}

std::shared_ptr<StoreContents> IndexedFolder::Check(const std::filesystem::path& folder) {
  std::string bytes;
  if (!ReadWholeFile(folder / kStoreIndexFileName, bytes, kStoreIndexLimit).ok()) return nullptr;
  std::optional<std::vector<IndexedFile>> files = ParseStoreIndex(bytes);
  if (!files) return nullptr;
  std::optional<FolderEntries> entries = EntriesAsIndexed(folder, *files);
  if (!entries) return nullptr;
  std::shared_ptr<IndexedFolder> indexed(new IndexedFolder(folder, std::move(*files)));
  const std::lock_guard guard(indexed->lock_);
  return indexed->ContentsOfFilesRead(std::move(*entries));
}

bool IndexedFolder::ReadFile(const IndexedFile& file,
                             std::vector<std::shared_ptr<const StoredCertificate>>& certificates) const {
  const std::filesystem::path path = folder_ / file.name;
  // Taken before the file is read, as a whole reading takes it: a change after it shows in a
  // later identity, and the next call reads the folder again.
  if (IdentityOfEntry(path) != file.identity) return false;
  std::string reason;
  if (ReadCertificateEntry(path, certificates, reason) != EntryRead::kRead) return false;
  if (certificates.size() != file.certificates.size()) return false;
  for (size_t i = 0; i < certificates.size(); ++i) {
    if (IndexEntryOf(*certificates[i]) != file.certificates[i]) return false;
  }
  return true;
}

std::shared_ptr<const StoreContents> IndexedFolder::Covering(Key kind, std::string_view key) {
  const auto& files_by_key = kind == Key::kSerial ? files_by_serial_ : files_by_subject_;
  const std::lock_guard guard(lock_);
  static const std::vector<size_t> kNone;
  const auto found = files_by_key.find(IndexKey(key));
  bool read_more = false;
  for (const size_t position : found == files_by_key.end() ? kNone : found->second) {
    const IndexedFile& file = files_[position];
    if (read_.contains(file.name)) continue;
    std::vector<std::shared_ptr<const StoredCertificate>> certificates;
    if (!ReadFile(file, certificates)) return nullptr;
    read_.emplace(file.name, std::move(certificates));
    read_more = true;
  }
  if (!read_more) {
    if (auto latest = latest_.lock()) return latest;
  }
  return ContentsOfFilesRead();
}

std::shared_ptr<StoreContents> IndexedFolder::ContentsOfFilesRead(FolderEntries entries) {
  auto contents = std::make_shared<StoreContents>();
  contents->folder = folder_;
  contents->entries = std::move(entries);
  contents->certificates_of_file = read_;
  contents->indexed = shared_from_this();
  auto& certificates = contents->certificates;
  for (const auto& [name, of_file] : read_) certificates.insert(certificates.end(), of_file.begin(), of_file.end());
  SortByThumbprint(certificates);
  latest_ = contents;
  return contents;
}

}  // namespace corvane::platform
