// The certificates of one store folder, read once per change (store_cache.h): every *.cer *.crt
// *.der *.pem file (DER or PEM, read by store_entry.h), ordered by ascending thumbprint with
// duplicates removed; the files that could not be read are kept as skipped entries with their
// reasons. The contents never change after loading; contexts share them, and the OpenSSL form of
// a certificate is made on first use only.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/ossl.h"
#include "platform/posix/status.h"
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

 private:
  mutable std::once_flag parse_once_;
  mutable ossl::UniquePtr<X509> x509_;
};

struct StoreContents {
  std::filesystem::path folder;  // empty for a certificate from no store
  std::vector<std::unique_ptr<StoredCertificate>> certificates;
  std::vector<SkippedEntry> skipped;  // in the folder's listing order
};

// Reads the store in `folder`. A missing folder is an empty store, and a file removed while the
// folder is read is not in it; an entry that cannot be read is skipped. Fails only when the
// folder itself cannot be listed or a non-folder stands in its place.
Status LoadStoreContents(const std::filesystem::path& folder, std::shared_ptr<StoreContents>& contents);

}  // namespace corvane::platform
