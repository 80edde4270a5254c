#include "platform/posix/store/store_index.h"

#include <algorithm>
#include <concepts>

#include "platform/posix/store/integer_blob.h"
#include "platform/posix/store/name_hash.h"
#include "platform/posix/store/revocation_lists.h"
#include "platform/posix/store/store_contents.h"
#include "platform/posix/files/store_layout.h"

namespace corvane::platform {
namespace {

constexpr std::string_view kMagic = "CORVANE STORE INDEX 4\n";
constexpr size_t kThumbprintLength = 40;
constexpr uint8_t kPlain = 0;
constexpr uint8_t kLeadsToFile = 1;
constexpr uint8_t kLinked = 2;
// The encoded sizes of a file without a name, identity or certificates, and of a certificate.
constexpr size_t kLeastFileSize = 1 + 1 + 2;
constexpr size_t kCertificateSize = kThumbprintLength + 8 + 8 + 8 + 8;

class Writer {
 public:
  template <std::integral Integer>
  void Put(Integer value) {
    for (size_t i = 0; i < sizeof(Integer); ++i) out_.push_back(static_cast<char>(uint64_t(value) >> (8 * i)));
  }
  void Put(std::string_view bytes) { out_.append(bytes); }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

// Reads the encoding front to back; every read is checked against what is left, and after the
// first failure every read fails.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : rest_(bytes) {}

  template <std::integral Integer>
  bool Get(Integer& value) {
    if (rest_.size() < sizeof(Integer)) return false;
    uint64_t gathered = 0;
    for (size_t i = 0; i < sizeof(Integer); ++i) gathered |= uint64_t(static_cast<uint8_t>(rest_[i])) << (8 * i);
    value = static_cast<Integer>(gathered);
    rest_.remove_prefix(sizeof(Integer));
    return true;
  }
  bool Get(size_t length, std::string_view& bytes) {
    if (rest_.size() < length) return false;
    bytes = rest_.substr(0, length);
    rest_.remove_prefix(length);
    return true;
  }
  bool AtEnd() const { return rest_.empty(); }
  size_t left() const { return rest_.size(); }

 private:
  std::string_view rest_;
};

bool GetIdentity(Reader& reader, FileIdentity& identity) {
  uint64_t device = 0, inode = 0;
  if (!reader.Get(device) || !reader.Get(inode) || !reader.Get(identity.size) || !reader.Get(identity.modified_ns) ||
      !reader.Get(identity.changed_ns)) {
    return false;
  }
  identity.device = static_cast<dev_t>(device);
  identity.inode = static_cast<ino_t>(inode);
  return true;
}

void PutIdentity(Writer& writer, const FileIdentity& identity) {
  writer.Put(static_cast<uint64_t>(identity.device));
  writer.Put(static_cast<uint64_t>(identity.inode));
  writer.Put(identity.size);
  writer.Put(identity.modified_ns);
  writer.Put(identity.changed_ns);
}

// Only a linked entry's identity is kept: a plain file can change only through the folder, which
// changes the folder's identity, or in place, which the reading of the file finds out.
bool GetEntryIdentity(Reader& reader, EntryIdentity& identity) {
  uint8_t flags = 0;
  if (!reader.Get(flags) || (flags != kPlain && flags != kLinked && flags != (kLinked | kLeadsToFile))) return false;
  identity.linked = flags != kPlain;
  return (flags & kLeadsToFile) == 0 || GetIdentity(reader, identity.file.emplace());
}

void PutEntryIdentity(Writer& writer, const EntryIdentity& identity) {
  if (!identity.linked) return writer.Put(kPlain);
  writer.Put(static_cast<uint8_t>(kLinked | (identity.file ? kLeadsToFile : 0)));
  if (identity.file) PutIdentity(writer, *identity.file);
}

// A name of an entry of the folder, `length` bytes, of the kind `wanted` takes.
bool GetName(Reader& reader, uint8_t length, bool (*wanted)(std::string_view name), std::string_view& name) {
  return reader.Get(length, name) && name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos &&
         wanted(name);
}

bool GetName(Reader& reader, bool (*wanted)(std::string_view name), std::string_view& name) {
  uint8_t length = 0;
  return reader.Get(length) && GetName(reader, length, wanted, name);
}

// True when `thumbprint` is one the tool names files by: 40 upper-case hex digits, so that the
// name made of it is a plain name in the folder.
bool IsToolThumbprint(std::string_view thumbprint) { return ParseThumbprint(thumbprint) == thumbprint; }

// True when `file`, holding `first` first, has the name the tool gives: written without it.
bool HasToolName(std::string_view name, const IndexedCertificate* first) {
  return first != nullptr && name.size() == kThumbprintLength + kCertificateExtension.size() &&
         name.starts_with(first->thumbprint) && name.ends_with(kCertificateExtension) &&
         IsToolThumbprint(first->thumbprint);
}

bool GetFile(Reader& reader, StoreIndex& index) {
  const uint32_t position = static_cast<uint32_t>(index.files.size());
  IndexedFile& file = index.files.emplace_back();
  uint8_t name_length = 0;
  EntryIdentity identity;
  uint16_t count = 0;
  if (!reader.Get(name_length) ||
      (name_length != 0 && !GetName(reader, name_length, IsCertificateFileName, file.name)) ||
      !GetEntryIdentity(reader, identity) || !reader.Get(count)) {
    return false;
  }
  if (identity.linked) index.linked.push_back({position, identity});
  file.first = static_cast<uint32_t>(index.certificates.size());
  file.count = count;
  for (uint16_t i = 0; i < count; ++i) {
    IndexedCertificate& certificate = index.certificates.emplace_back();
    if (!reader.Get(kThumbprintLength, certificate.thumbprint) || !reader.Get(certificate.serial_key) ||
        !reader.Get(certificate.subject_key) || !reader.Get(certificate.name_key) ||
        !reader.Get(certificate.key_identifier_key)) {
      return false;
    }
  }
  // One form only: the tool's name is never written, and no file without a certificate goes
  // without one. (Whether the thumbprint makes a name is asked when the name is: FileNameOf.)
  const IndexedCertificate* first = count > 0 ? &index.certificates[file.first] : nullptr;
  return name_length == 0 ? first != nullptr : !HasToolName(file.name, first);
}

}  // namespace

uint64_t IndexKey(std::string_view bytes) {
  uint64_t hash = 0xcbf29ce484222325;
  for (const char byte : bytes) {
    hash ^= static_cast<uint8_t>(byte);
    hash *= 0x100000001b3;
  }
  return hash;
}

IndexedCertificate IndexEntryOf(const StoredCertificate& certificate) {
  const CERT_INFO& info = *certificate.tbs->info();
  return {certificate.thumbprint, IndexKey(SignificantIntegerBytes(info.SerialNumber)),
          IndexKey({reinterpret_cast<const char*>(info.Subject.pbData), info.Subject.cbData}),
          SubjectNameHash(certificate).value_or(kNoNameKey), IndexKey(certificate.KeyIdentifier())};
}

std::optional<std::string> FileNameOf(const StoreIndex& index, const IndexedFile& file) {
  if (!file.name.empty()) return std::string(file.name);
  const std::string_view thumbprint = index.certificates[file.first].thumbprint;
  if (!IsToolThumbprint(thumbprint)) return std::nullopt;
  return CertificateFileName(thumbprint);
}

std::filesystem::path StoreIndexFile(const std::filesystem::path& folder) {
  return folder.parent_path() / (folder.filename().string() + ".index");
}

StoreIndex IndexOf(const StoreContents& contents, const std::vector<std::string>& revocation_lists,
                   const FileIdentity& folder) {
  StoreIndex index{folder, {}, {}, {}, {revocation_lists.begin(), revocation_lists.end()}};
  for (const auto& [name, identity] : contents.entries.identities()) {
    if (identity.linked) index.linked.push_back({static_cast<uint32_t>(index.files.size()), identity});
    IndexedFile& file = index.files.emplace_back(IndexedFile{name, static_cast<uint32_t>(index.certificates.size()), 0});
    const auto found = contents.certificates_of_file.find(name);
    if (found == contents.certificates_of_file.end()) continue;
    for (const auto& certificate : found->second) index.certificates.push_back(IndexEntryOf(*certificate));
    file.count = static_cast<uint32_t>(found->second.size());
  }
  return index;
}

// A name is at most NAME_MAX (255) bytes and a file within kStoreFileLimit holds far fewer than
// 65,536 certificates, so the narrow counts hold every reading's.
std::string EncodeStoreIndex(const StoreIndex& index) {
  Writer writer;
  writer.Put(kMagic);
  PutIdentity(writer, index.folder);
  writer.Put(static_cast<uint32_t>(index.files.size()));
  auto linked = index.linked.begin();
  for (const IndexedFile& file : index.files) {
    const uint32_t position = static_cast<uint32_t>(&file - index.files.data());
    const IndexedCertificate* first = file.count > 0 ? &index.certificates[file.first] : nullptr;
    const std::string_view name = HasToolName(file.name, first) ? std::string_view() : file.name;
    writer.Put(static_cast<uint8_t>(name.size()));
    writer.Put(name);
    const bool is_linked = linked != index.linked.end() && linked->file == position;
    PutEntryIdentity(writer, is_linked ? (linked++)->identity : EntryIdentity{});
    writer.Put(static_cast<uint16_t>(file.count));
    for (uint32_t i = file.first; i < file.first + file.count; ++i) {
      const IndexedCertificate& certificate = index.certificates[i];
      writer.Put(certificate.thumbprint);
      writer.Put(certificate.serial_key);
      writer.Put(certificate.subject_key);
      writer.Put(certificate.name_key);
      writer.Put(certificate.key_identifier_key);
    }
  }
  writer.Put(static_cast<uint32_t>(index.revocation_lists.size()));
  for (const std::string_view name : index.revocation_lists) {
    writer.Put(static_cast<uint8_t>(name.size()));
    writer.Put(name);
  }
  return writer.Take();
}

std::optional<StoreIndex> ParseStoreIndex(std::string_view bytes) {
  if (!bytes.starts_with(kMagic)) return std::nullopt;
  Reader reader(bytes.substr(kMagic.size()));
  StoreIndex index;
  uint32_t count = 0;
  if (!GetIdentity(reader, index.folder) || !reader.Get(count)) return std::nullopt;
  // Room for as many files as the bytes can hold, never more than the count claims.
  index.files.reserve(std::min<size_t>(count, reader.left() / kLeastFileSize));
  index.certificates.reserve(std::min<size_t>(count, reader.left() / kCertificateSize));
  for (uint32_t i = 0; i < count; ++i) {
    if (!GetFile(reader, index)) return std::nullopt;
  }
  if (!reader.Get(count)) return std::nullopt;
  index.revocation_lists.reserve(std::min<size_t>(count, reader.left()));
  for (uint32_t i = 0; i < count; ++i) {
    if (!GetName(reader, IsRevocationListFileName, index.revocation_lists.emplace_back())) return std::nullopt;
  }
  if (!reader.AtEnd()) return std::nullopt;
  return index;
}

}  // namespace corvane::platform
