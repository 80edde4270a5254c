// The index file of a store folder, stores/<NAME>.index beside the folder: what each certificate
// file of the folder held when the `corvane` tool last wrote the store, so that a process can
// find a certificate by serial number, subject or key identifier, and chains an issuer by name,
// without listing the folder or reading its other files (indexed_folder.h).
//
// The index is input to be checked, never trusted (indexed_folder.h says how). It records the
// identity of the folder itself (file_identity.h), whose modification and change times move with
// every entry added, removed or renamed in it, and for each certificate file its name, the
// identity of the file a linked entry leads to (a plain file can change only through the folder,
// or in place, which reading it finds out) and, for each certificate in it, the thumbprint and
// the keys of its serial number, of its subject Name's encoding, of the subject name's canonical
// form (the hash chains look issuers up by, name_hash.h) and of its key identifier (as messages
// name recipients). Then the names of the folder's *.crl files, written for earlier versions of
// the library, which read the lists by these names; this one never uses them: the lists that
// count are those a listing of the folder finds (revocation_list_files.h), so no index can hide
// one. It lies outside the folder so that writing it leaves the folder's times as they were.
//
// Encoding (integers little-endian): the line "CORVANE STORE INDEX 4\n"; the folder's identity
// (u64 device, u64 inode, i64 size, i64 modification and i64 change time in nanoseconds); u32
// file count; per file u8 name length, the name, u8 kind (0: plain, 2: a linked entry that leads
// to no regular file, 3: a linked entry, followed by its file's identity as the folder's); u16
// certificate count; per certificate its 40-character thumbprint, u64 serial key, u64 subject
// key, u64 name key, u64 key identifier key; then u32 revocation list file count; per file u8
// name length, the name. A file named as the tool names the files it writes, its first
// certificate's thumbprint (40 upper-case hex digits) and ".cer", has the name length 0 and no
// name: that name is never written out, which makes the index of a store the tool wrote a third
// smaller. Nothing may follow. An index of an earlier version does not parse, and the folder is
// read whole until the tool writes the index again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/files/file_identity.h"

namespace corvane::platform {

struct StoreContents;
struct StoredCertificate;

// Far above the index of a million certificate files.
inline constexpr size_t kStoreIndexLimit = size_t{256} << 20;

// Where the index of the store folder `folder` lies: stores/<NAME>.index.
std::filesystem::path StoreIndexFile(const std::filesystem::path& folder);

// A key of the index: a 64-bit hash (FNV-1a) of the bytes. Equal bytes give equal keys; a key
// only says which files may hold a certificate, which is then read and compared in full.
uint64_t IndexKey(std::string_view bytes);

// The name key of a certificate whose subject name OpenSSL cannot put in canonical form: above
// every name hash, so no lookup asks for it (such a certificate is no chain's issuer).
inline constexpr uint64_t kNoNameKey = ~uint64_t{0};

struct IndexedCertificate {
  std::string_view thumbprint;
  uint64_t serial_key = 0;   // of the serial number's significant bytes (integer_blob.h)
  uint64_t subject_key = 0;  // of the subject Name's encoding
  uint64_t name_key = 0;     // the subject name's hash (name_hash.h), or kNoNameKey
  uint64_t key_identifier_key = 0;  // of the key identifier (StoredCertificate::KeyIdentifier)

  bool operator==(const IndexedCertificate&) const = default;
};

// A file of the index. Kept small: an index of ten thousand files is parsed whole by a process's
// first search, and the memory it touches is most of what that costs.
struct IndexedFile {
  // A certificate file name (store_layout.h), no path; empty for the name the tool gives (its
  // first certificate's thumbprint and ".cer"), which FileNameOf makes.
  std::string_view name;
  uint32_t first = 0;  // its certificates: [first, first + count) of the index's, in the file's order
  uint32_t count = 0;
};

// A linked entry (a symbolic link, or a file with other hard links) of the index, with the
// identity of the file it leads to; a plain entry's is not kept (it can change only through the
// folder, or in place, which reading it finds out).
struct LinkedFile {
  uint32_t file = 0;  // its position in the index's files
  EntryIdentity identity;

  bool operator==(const LinkedFile&) const = default;
};

// An index; its texts are views into what it was made from (the encoding it was read from, or
// the reading of the folder it describes), which must outlive it.
struct StoreIndex {
  FileIdentity folder;
  std::vector<IndexedFile> files;
  std::vector<IndexedCertificate> certificates;
  std::vector<LinkedFile> linked;  // in the order of their files, each file at most once
  std::vector<std::string_view> revocation_lists;  // the *.crl file names, no path: for earlier readers only
};

// The name of `file` of `index` in its folder; nothing when it would be made of a thumbprint that
// is no upper-case hex (the index then names no file the tool wrote, and does not count).
std::optional<std::string> FileNameOf(const StoreIndex& index, const IndexedFile& file);

IndexedCertificate IndexEntryOf(const StoredCertificate& certificate);

// The index of a whole reading of a folder (store_contents.h) and of the names of its *.crl
// files, both taken after the folder showed `folder`.
StoreIndex IndexOf(const StoreContents& contents, const std::vector<std::string>& revocation_lists,
                   const FileIdentity& folder);

std::string EncodeStoreIndex(const StoreIndex& index);

// Nothing unless `bytes` is exactly one index in the encoding above, each name a certificate
// file name, or in the revocation lists a *.crl name, without a path separator.
std::optional<StoreIndex> ParseStoreIndex(std::string_view bytes);

}  // namespace corvane::platform
