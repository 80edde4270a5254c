// The certificates of one store folder, read once per change (store_cache.h): every *.cer *.crt
// *.der *.pem file (DER or PEM, read by store_entry.h), ordered by ascending thumbprint with
// duplicates removed; the files that could not be read are kept as skipped entries with their
// reasons. The contents never change after loading; contexts share them, and the OpenSSL form of
// a certificate is made on first use only.
//
// A reading of a folder can take over what an earlier reading parsed: the certificates of each
// file that shows the same identity as then (file_identity.h) and that is not named as changed
// since are shared, not read again.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/posix/ossl.h"
#include "platform/posix/status.h"
#include "platform/posix/files/folder_entries.h"
#include "platform/posix/store/store_entry.h"
#include "platform/posix/store/tbs_certificate.h"

namespace corvane::platform {

struct StoredCertificate {
  std::string file;  // the name of the file in the store's folder it was read from
  std::string thumbprint;
  std::unique_ptr<TbsCertificate> tbs;

  // The parsed OpenSSL certificate (null when OpenSSL rejects the DER), made once.
  X509* OpenSslCertificate() const;
  // Takes a reference to `parsed`, a certificate OpenSSL already read from this DER elsewhere, as
  // the OpenSSL form, unless one was made before.
  void KeepOpenSslCertificate(X509* parsed) const;
  // The key identifier messages name the certificate by (KeyIdentifierOf, certificate_x509.h),
  // made once; empty when it has none.
  std::string_view KeyIdentifier() const;

 private:
  mutable std::once_flag parse_once_;
  mutable ossl::UniquePtr<X509> x509_;
  mutable std::once_flag key_identifier_once_;
  mutable std::string key_identifier_;
};

class IndexedFolder;

struct StoreContents {
  std::filesystem::path folder;  // empty for a certificate from no store
  std::vector<std::shared_ptr<const StoredCertificate>> certificates;
  std::vector<SkippedEntry> skipped;  // in the folder's listing order
  FolderEntries entries;  // every certificate file found, read or skipped
  // The certificates each file that read gave, by file name.
  std::unordered_map<std::string, std::vector<std::shared_ptr<const StoredCertificate>>> certificates_of_file;
  // Set when the folder was not read whole but through its index (indexed_folder.h): the
  // certificates are then those of the files read so far, and a search asks `indexed` for more.
  std::shared_ptr<IndexedFolder> indexed;

  // The position of the first certificate at or after `from` whose subject Name is encoded
  // exactly as `subject`; certificates.size() when there is none.
  size_t FirstWithSubject(std::string_view subject, size_t from) const;
  // The same for the certificate whose serial number has these significant bytes
  // (integer_blob.h), least significant first.
  size_t FirstWithSerial(std::string_view serial, size_t from) const;
  // The same for the certificate with this key identifier.
  size_t FirstWithKeyIdentifier(std::string_view key_identifier, size_t from) const;

 private:
  // The positions of the certificates by one key of theirs (a view into the certificate's own
  // bytes), ascending; made on the first search, so that a search costs the same however many
  // certificates the store holds.
  class PositionsByKey {
   public:
    using KeyOf = std::string_view (*)(const StoredCertificate& certificate);
    size_t First(const StoreContents& contents, KeyOf key_of, std::string_view key, size_t from) const;

   private:
    mutable std::once_flag made_;
    mutable std::unordered_map<std::string_view, std::vector<size_t>> positions_;
  };
  PositionsByKey by_subject_;
  PositionsByKey by_serial_;
  PositionsByKey by_key_identifier_;
};

// Orders certificates by ascending thumbprint and keeps one of each.
void SortByThumbprint(std::vector<std::shared_ptr<const StoredCertificate>>& certificates);

// Reads the store in `folder`. A missing folder is an empty store, and a file removed while the
// folder is read is not in it; an entry that cannot be read is skipped. Fails only when the
// folder itself cannot be listed or a non-folder stands in its place. With `earlier`, a file
// that `earlier` read and that it holds as unchanged gives the very certificates it gave then.
Status LoadStoreContents(const std::filesystem::path& folder, std::shared_ptr<StoreContents>& contents,
                         const EarlierReading<StoreContents>* earlier = nullptr);

}  // namespace corvane::platform
