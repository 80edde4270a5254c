#include "platform/posix/store/store_index.h"

#include <concepts>
#include <unordered_set>

#include "platform/posix/store/integer_blob.h"
#include "platform/posix/store/store_contents.h"
#include "platform/posix/store/store_layout.h"

namespace corvane::platform {
namespace {

constexpr std::string_view kMagic = "CORVANE STORE INDEX 1\n";
constexpr size_t kThumbprintLength = 40;
constexpr uint8_t kLeadsToFile = 1;
constexpr uint8_t kLinked = 2;

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
  bool Get(size_t length, std::string& bytes) {
    if (rest_.size() < length) return false;
    bytes.assign(rest_.substr(0, length));
    rest_.remove_prefix(length);
    return true;
  }
  bool AtEnd() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

bool GetIdentity(Reader& reader, EntryIdentity& identity) {
  uint8_t flags = 0;
  if (!reader.Get(flags) || (flags & ~(kLeadsToFile | kLinked)) != 0) return false;
  identity.linked = (flags & kLinked) != 0;
  if ((flags & kLeadsToFile) == 0) return true;
  uint64_t device = 0, inode = 0;
  FileIdentity& file = identity.file.emplace();
  if (!reader.Get(device) || !reader.Get(inode) || !reader.Get(file.size) || !reader.Get(file.modified_ns) ||
      !reader.Get(file.changed_ns)) {
    return false;
  }
  file.device = static_cast<dev_t>(device);
  file.inode = static_cast<ino_t>(inode);
  return true;
}

bool GetFile(Reader& reader, IndexedFile& file) {
  uint8_t name_length = 0;
  uint16_t count = 0;
  if (!reader.Get(name_length) || !reader.Get(name_length, file.name) || !GetIdentity(reader, file.identity) ||
      !reader.Get(count)) {
    return false;
  }
  if (file.name.find_first_of(std::string_view("/\0", 2)) != std::string::npos || !IsCertificateFileName(file.name)) {
    return false;
  }
  for (uint16_t i = 0; i < count; ++i) {
    IndexedCertificate& certificate = file.certificates.emplace_back();
    if (!reader.Get(kThumbprintLength, certificate.thumbprint) || !reader.Get(certificate.serial_key) ||
        !reader.Get(certificate.subject_key)) {
      return false;
    }
  }
  return true;
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
          IndexKey({reinterpret_cast<const char*>(info.Subject.pbData), info.Subject.cbData})};
}

std::vector<IndexedFile> IndexOf(const StoreContents& contents) {
  std::vector<IndexedFile> files;
  for (const auto& [name, identity] : contents.entries.identities()) {
    IndexedFile& file = files.emplace_back(IndexedFile{name, identity, {}});
    const auto found = contents.certificates_of_file.find(name);
    if (found == contents.certificates_of_file.end()) continue;
    for (const auto& certificate : found->second) file.certificates.push_back(IndexEntryOf(*certificate));
  }
  return files;
}

std::string EncodeStoreIndex(const std::vector<IndexedFile>& files) {
  Writer writer;
  writer.Put(kMagic);
  writer.Put(static_cast<uint32_t>(files.size()));
  for (const IndexedFile& file : files) {
    writer.Put(static_cast<uint8_t>(file.name.size()));
    writer.Put(file.name);
    const std::optional<FileIdentity>& identity = file.identity.file;
    writer.Put(static_cast<uint8_t>((identity ? kLeadsToFile : 0) | (file.identity.linked ? kLinked : 0)));
    if (identity) {
      writer.Put(static_cast<uint64_t>(identity->device));
      writer.Put(static_cast<uint64_t>(identity->inode));
      writer.Put(identity->size);
      writer.Put(identity->modified_ns);
      writer.Put(identity->changed_ns);
    }
    writer.Put(static_cast<uint16_t>(file.certificates.size()));
    for (const IndexedCertificate& certificate : file.certificates) {
      writer.Put(certificate.thumbprint);
      writer.Put(certificate.serial_key);
      writer.Put(certificate.subject_key);
    }
  }
  return writer.Take();
}

std::optional<std::vector<IndexedFile>> ParseStoreIndex(std::string_view bytes) {
  if (!bytes.starts_with(kMagic)) return std::nullopt;
  Reader reader(bytes.substr(kMagic.size()));
  uint32_t count = 0;
  if (!reader.Get(count)) return std::nullopt;
  std::vector<IndexedFile> files;
  std::unordered_set<std::string> names;
  for (uint32_t i = 0; i < count; ++i) {
    IndexedFile& file = files.emplace_back();
    if (!GetFile(reader, file) || !names.insert(file.name).second) return std::nullopt;
  }
  if (!reader.AtEnd()) return std::nullopt;
  return files;
}

}  // namespace corvane::platform
