#include "platform/posix/admin/store_files.h"

#include <openssl/pem.h>

#include <utility>

#include "platform/posix/files/atomic_file.h"
#include "platform/posix/admin/store_index_update.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/files/store_layout.h"

namespace corvane::platform {

Status StoreFolderOf(const std::string& store, std::filesystem::path& folder) {
  if (!IsValidStoreName(store)) {
    return Status(E_INVALIDARG).Because("\"" + store + "\" is not a store name");
  }
  folder = StoreFolder(store);
  return Status();
}

Status StoreNotOpened(const std::string& store, DWORD error) {
  const Status status(error);
  return status.Because("cannot open store " + StoreFolderName(store) + " in " +
                        StoresFolder().string() + " (" + status.Text() + ")");
}

Status LoadStoreCertificates(const std::string& store,
                             std::vector<ossl::UniquePtr<X509>>& certificates) {
  HCERTSTORE handle = CertOpenSystemStoreA(0, store.c_str());
  if (handle == nullptr) return StoreNotOpened(store, GetLastError());
  for (PCCERT_CONTEXT context = nullptr;
       (context = CertEnumCertificatesInStore(handle, context)) != nullptr;) {
    if (X509* certificate = CertificateX509(context)) {
      X509_up_ref(certificate);
      certificates.emplace_back(certificate);
    }
  }
  CertCloseStore(handle, 0);
  return Status();
}

std::string CertificateDer(X509* certificate) { return ossl::DerOf(certificate, i2d_X509); }

std::string PrivateKeyPem(EVP_PKEY* key) {
  ossl::UniquePtr<BIO> bio(BIO_new(BIO_s_mem()));
  if (bio == nullptr ||
      PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1) {
    return std::string();
  }
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<size_t>(length));
}

Status WriteStoreFile(const std::filesystem::path& folder, const std::string& name,
                      std::string_view bytes, mode_t mode) {
  Status status = CreatePrivateFolder(folder);
  std::vector<std::string> removed;
  if (status.ok()) RemoveStaleTemporaryFiles(folder, removed);
  if (status.ok()) status = WriteFileAtomically(folder / name, bytes, mode);
  if (!status.ok()) return status.Because("cannot write " + (folder / name).string());
  return UpdateStoreIndex(folder);  // any new entry changes the folder the index describes
}

}  // namespace corvane::platform
