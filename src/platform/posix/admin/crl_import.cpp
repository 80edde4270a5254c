#include "platform/posix/admin/crl_import.h"

#include <filesystem>

#include "platform/posix/ossl.h"
#include "platform/posix/admin/store_files.h"
#include "platform/posix/store/revocation_lists.h"
#include "platform/posix/files/store_layout.h"
#include "platform/posix/store/thumbprint.h"

namespace corvane::platform {

Status AddCrl(const std::string& store, const std::string& origin, const std::string& bytes,
              std::vector<std::string>& report, std::vector<std::string>& warnings) {
  std::filesystem::path folder;
  Status status = StoreFolderOf(store, folder);
  if (!status.ok()) return status;

  // The first list the bytes hold, read as the store reads its list files.
  std::vector<ossl::UniquePtr<X509_CRL>> lists;
  {
    const ossl::ErrorQueueMark mark;
    AddRevocationListsOfFile(bytes, lists);
  }
  if (lists.empty()) {
    return Status(CRYPT_E_ASN1_CORRUPT).Because(origin + ": not a certificate revocation list");
  }
  X509_CRL* crl = lists.front().get();
  const std::string der = ossl::DerOf(crl, i2d_X509_CRL);
  if (der.empty()) return Status(CRYPT_E_ASN1_ERROR).Because("cannot encode the revocation list");

  std::vector<ossl::UniquePtr<X509>> certificates;
  status = LoadStoreCertificates(store, certificates);
  if (!status.ok()) return status;
  // A list counts only when a certificate of its store issued it. One whose issuer is not there
  // yet may be added before it; one that a certificate of that name did not sign never counts.
  std::vector<X509*> candidates;
  for (const auto& certificate : certificates) candidates.push_back(certificate.get());
  const ListIssuer issuer = FindListIssuer(candidates, crl);
  if (issuer == ListIssuer::kSignatureBad) {
    return Status(NTE_BAD_SIGNATURE)
        .Because(origin + ": the revocation list's signature does not verify with the key of its issuer in store " +
                 StoreFolderName(store));
  }
  if (issuer == ListIssuer::kAbsent) {
    warnings.push_back("no certificate of store " + StoreFolderName(store) +
                       " is the issuer of this revocation list: it counts only once its issuer is added");
  }

  const std::string name = CrlFileName(Thumbprint(reinterpret_cast<const BYTE*>(der.data()), der.size()));
  status = WriteStoreFile(folder, name, der, 0644);
  if (!status.ok()) return status;
  report.push_back("revocation list -> " + (folder / name).string());
  return Status();
}

}  // namespace corvane::platform
