#include "platform/posix/admin/store_export.h"

#include <openssl/pem.h>

#include <filesystem>

#include "platform/posix/ossl.h"
#include "platform/posix/admin/store_files.h"
#include "platform/posix/files/store_layout.h"
#include "platform/posix/store/thumbprint.h"

namespace corvane::platform {
namespace {

std::string PemBlock(const char* label, const std::string& der) {
  ossl::UniquePtr<BIO> bio(BIO_new(BIO_s_mem()));
  PEM_write_bio(bio.get(), label, "", reinterpret_cast<const unsigned char*>(der.data()),
                static_cast<long>(der.size()));
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<size_t>(length));
}

}  // namespace

Status FindStoreCertificate(const std::string& store, const std::string& thumbprint,
                            std::string& der) {
  std::filesystem::path folder;
  const Status named = StoreFolderOf(store, folder);
  if (!named.ok()) return named;
  HCERTSTORE handle = CertOpenSystemStoreA(0, store.c_str());
  if (handle == nullptr) return StoreNotOpened(store, GetLastError());
  der.clear();
  for (PCCERT_CONTEXT context = nullptr;
       (context = CertEnumCertificatesInStore(handle, context)) != nullptr;) {
    if (Thumbprint(context->pbCertEncoded, context->cbCertEncoded) == thumbprint) {
      der.assign(reinterpret_cast<const char*>(context->pbCertEncoded), context->cbCertEncoded);
      CertFreeCertificateContext(context);
      break;
    }
  }
  CertCloseStore(handle, 0);
  if (der.empty()) {
    return Status(CRYPT_E_NOT_FOUND)
        .Because("no certificate " + thumbprint + " in store " + StoreFolderName(store));
  }
  return Status();
}

Status ExportCertificate(const std::string& store, const std::string& thumbprint, bool pem,
                         std::string& bytes) {
  std::string der;
  const Status found = FindStoreCertificate(store, thumbprint, der);
  if (!found.ok()) return found;
  bytes = pem ? PemBlock("CERTIFICATE", der) : der;
  return Status();
}

}  // namespace corvane::platform
