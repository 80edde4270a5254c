// The index file of a store folder, `certificates.index`: what each certificate file of the
// folder held when the `corvane` tool last wrote the store, so that a process can find a
// certificate by serial number or subject without reading every file (indexed_folder.h).
//
// The index is input to be checked, never trusted: it counts only while it names exactly the
// folder's certificate files, each showing the identity (file_identity.h) it gives, and every file
// read through it must hold exactly the certificates it says. It records for each file its name,
// its identity and, for each certificate in it, the thumbprint and the keys of its serial number
// and subject Name.
//
// Encoding (integers little-endian): the line "CORVANE STORE INDEX 1\n"; u32 file count; per file
// u8 name length, the name, u8 flags (1: leads to a regular file, 2: linked), when it leads to a
// file u64 device, u64 inode, i64 size, i64 modification and i64 change time in nanoseconds; u16
// certificate count; per certificate its 40-character thumbprint, u64 serial key, u64 subject key.
// Nothing may follow the last file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/store/file_identity.h"

namespace corvane::platform {

struct StoreContents;
struct StoredCertificate;

inline constexpr char kStoreIndexFileName[] = "certificates.index";
// Far above the index of a million certificate files.
inline constexpr size_t kStoreIndexLimit = size_t{256} << 20;

// A key of the index: a 64-bit hash (FNV-1a) of the bytes. Equal bytes give equal keys; a key
// only says which files may hold a certificate, which is then read and compared in full.
uint64_t IndexKey(std::string_view bytes);

struct IndexedCertificate {
  std::string thumbprint;
  uint64_t serial_key = 0;   // of the serial number's significant bytes (integer_blob.h)
  uint64_t subject_key = 0;  // of the subject Name's encoding

  bool operator==(const IndexedCertificate&) const = default;
};

struct IndexedFile {
  std::string name;  // a certificate file name (store_layout.h), no path
  EntryIdentity identity;
  std::vector<IndexedCertificate> certificates;  // in the file's order; none for a skipped file
};

IndexedCertificate IndexEntryOf(const StoredCertificate& certificate);

// The index of a whole reading of a folder (store_contents.h): every entry it found.
std::vector<IndexedFile> IndexOf(const StoreContents& contents);

std::string EncodeStoreIndex(const std::vector<IndexedFile>& files);

// Nothing unless `bytes` is exactly one index in the encoding above, each name a certificate
// file name without a path separator, and no name twice.
std::optional<std::vector<IndexedFile>> ParseStoreIndex(std::string_view bytes);

}  // namespace corvane::platform
