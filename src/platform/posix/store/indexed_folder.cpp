#include "platform/posix/store/indexed_folder.h"

#include "platform/posix/files/atomic_file.h"
#include "platform/posix/files/whole_file.h"
#include "platform/posix/files/shared_file_system.h"
#include "platform/posix/store/store_entry.h"

namespace corvane::platform {

IndexedFolder::IndexedFolder(std::filesystem::path folder, std::string encoding)
    : folder_(std::move(folder)), encoding_(std::move(encoding)), index_(ParseStoreIndex(encoding_)) {}

std::shared_ptr<StoreContents> IndexedFolder::Check(const std::filesystem::path& folder) {
  // A client of a network file system may answer from attributes it cached, and a FUSE daemon's
  // source may change under the folder: there the folder is listed on every call anyway.
  if (IsOnSharedFileSystem(folder)) return nullptr;
  std::string encoding;
  if (!ReadWholeFile(StoreIndexFile(folder), encoding, kStoreIndexLimit).ok()) return nullptr;
  std::shared_ptr<IndexedFolder> indexed(new IndexedFolder(folder, std::move(encoding)));
  const std::optional<StoreIndex>& index = indexed->index_;
  if (!index || IdentityOfFolder(folder) != index->folder) return nullptr;
  FolderEntries linked;
  for (const LinkedFile& entry : index->linked) {
    const std::optional<std::string> name = FileNameOf(*index, index->files[entry.file]);
    if (!name || IdentityOfEntry(folder / *name) != entry.identity) return nullptr;
    linked.Add(*name, entry.identity);
  }
  const std::lock_guard guard(indexed->lock_);
  return indexed->ContentsOfFilesRead(std::move(linked));
}

bool IndexedFolder::ReadFile(const std::string& name, const IndexedFile& file,
                             std::vector<std::shared_ptr<const StoredCertificate>>& certificates) const {
  std::string reason;
  if (ReadCertificateEntry(folder_ / name, certificates, reason) != EntryRead::kRead ||
      certificates.size() != file.count) {
    return false;
  }
  for (uint32_t i = 0; i < file.count; ++i) {
    if (IndexEntryOf(*certificates[i]) != index_->certificates[file.first + i]) return false;
  }
  return true;
}

namespace {

uint64_t KeyOf(const IndexedCertificate& certificate, IndexedFolder::Key kind) {
  switch (kind) {
    case IndexedFolder::Key::kSerial:
      return certificate.serial_key;
    case IndexedFolder::Key::kSubject:
      return certificate.subject_key;
    case IndexedFolder::Key::kName:
      return certificate.name_key;
    case IndexedFolder::Key::kKeyIdentifier:
      return certificate.key_identifier_key;
  }
  return 0;
}

}  // namespace

std::shared_ptr<const StoreContents> IndexedFolder::Covering(Key kind, uint64_t wanted) {
  const std::lock_guard guard(lock_);
  if (covered_[static_cast<int>(kind)].insert(wanted).second) {
    for (const IndexedFile& file : index_->files) {
      bool holds = false;
      for (uint32_t i = file.first; i < file.first + file.count && !holds; ++i) {
        holds = KeyOf(index_->certificates[i], kind) == wanted;
      }
      if (!holds) continue;
      const std::optional<std::string> name = FileNameOf(*index_, file);
      if (name && read_.contains(*name)) continue;
      std::vector<std::shared_ptr<const StoredCertificate>> certificates;
      const EntryIdentity shown = name ? IdentityOfEntry(folder_ / *name) : EntryIdentity{};
      if (!name || !ReadFile(*name, file, certificates)) {  // no file the tool wrote, or not what it says
        covered_[static_cast<int>(kind)].erase(wanted);
        return nullptr;
      }
      files_read_.Add(*name, shown);
      read_.emplace(*name, std::move(certificates));
      latest_.reset();
    }
  }
  if (auto latest = latest_.lock()) return latest;
  return ContentsOfFilesRead();
}

bool IndexedFolder::StillHolds() {
  if (IdentityOfFolder(folder_) != index_->folder) return false;
  const std::lock_guard guard(lock_);
  return files_read_.StillShown(folder_);
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
