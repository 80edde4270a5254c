#include "platform/posix/admin/store_import.h"

#include <filesystem>

#include "platform/posix/admin/store_files.h"
#include "platform/posix/files/store_layout.h"
#include "platform/posix/store/tbs_certificate.h"
#include "platform/posix/store/thumbprint.h"

namespace corvane::platform {
namespace {

struct PendingFile {
  std::filesystem::path folder;
  std::string name;
  std::string bytes;
  mode_t mode;
  std::string report;
};

// The store a chain certificate goes to; empty for none.
std::string ChainStore(X509* certificate, ChainDestination chain) {
  switch (chain) {
    case ChainDestination::kCa:
      return "CA";
    case ChainDestination::kRoot:
      return "ROOT";
    case ChainDestination::kNowhere:
      return "";
    case ChainDestination::kBySelfSignature:
      break;
  }
  return X509_self_signed(certificate, 0) == 1 ? "ROOT" : "CA";
}

// The subject in one line of UTF-8, for the report.
std::string SubjectOf(X509* certificate) {
  ossl::UniquePtr<BIO> bio(BIO_new(BIO_s_mem()));
  X509_NAME_print_ex(bio.get(), X509_get_subject_name(certificate), 0,
                     (XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB) | ASN1_STRFLGS_UTF8_CONVERT);
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<size_t>(length));
}

// Plans the certificate's file in `store`. OpenSSL reads some certificates that the stores do
// not (a validity time that is no time): such a certificate is refused, since every store would
// pass its file over.
Status PlanCertificateFile(const std::string& store, X509* certificate, const char* what,
                           std::vector<PendingFile>& writes) {
  const std::string thumbprint = Thumbprint(certificate);
  std::string der = CertificateDer(certificate);
  if (TbsCertificate::Parse(std::vector<BYTE>(der.begin(), der.end())) == nullptr) {
    return Status(CRYPT_E_ASN1_CORRUPT)
        .Because(std::string(what) + " " + thumbprint + " (" + SubjectOf(certificate) +
                 ") is malformed; nothing was imported");
  }
  writes.push_back({StoreFolder(store), CertificateFileName(thumbprint), std::move(der), 0644,
                    std::string(what) + " " + thumbprint + " -> " + StoreFolderName(store) + "  " +
                        SubjectOf(certificate)});
  return Status();
}

// The certificate among `lists` whose public key is `key`; null when there is none.
X509* CertificateOfKey(EVP_PKEY* key,
                       std::initializer_list<const std::vector<ossl::UniquePtr<X509>>*> lists) {
  for (const auto* list : lists) {
    for (const auto& certificate : *list) {
      if (EVP_PKEY_eq(key, X509_get0_pubkey(certificate.get())) == 1) return certificate.get();
    }
  }
  return nullptr;
}

// The refusal of keys given for a store other than MY, naming the files they came from.
Status KeysLeftOut(const std::string& store, const ImportItems& items) {
  std::string origins;
  for (const std::string& origin : items.key_origins) {
    if (origins.find(origin) == std::string::npos) origins += (origins.empty() ? "" : ", ") + origin;
  }
  return Status(E_INVALIDARG)
      .Because("the private key in " + origins + " was not imported: only store MY holds private keys, not " +
               StoreFolderName(store) + " (import the key into MY with its certificate)");
}

}  // namespace

Status ImportIntoStore(const std::string& store, const ImportItems& items,
                       ChainDestination chain, std::vector<std::string>& report) {
  std::filesystem::path folder;
  Status status = StoreFolderOf(store, folder);
  if (!status.ok()) return status;
  if (items.certificates.empty() && items.keys.empty() && items.chain.empty()) {
    return Status(CRYPT_E_NOT_FOUND).Because("nothing to import");
  }
  std::vector<ossl::UniquePtr<X509>> existing;
  status = LoadStoreCertificates(store, existing);
  if (!status.ok()) return status;

  // Everything is planned first: nothing is written unless every key has its certificate. Keys
  // are written before the certificates, so that an import cut short leaves at worst a key the
  // store does not list, never a listed certificate without its key.
  std::vector<PendingFile> writes;
  const bool holds_keys = StoreFolderName(store) == "MY";  // the personal store
  for (size_t k = 0; holds_keys && k < items.keys.size(); ++k) {
    X509* match = CertificateOfKey(items.keys[k].get(), {&items.certificates, &existing});
    if (match == nullptr) {
      return Status(CRYPT_E_NO_KEY_PROPERTY)
          .Because("the private key in " + items.key_origins[k] +
                   " matches no certificate of this import or of store " + StoreFolderName(store) +
                   "; nothing was imported");
    }
    const std::string thumbprint = Thumbprint(match);
    const std::string pem = PrivateKeyPem(items.keys[k].get());
    if (pem.empty()) {
      return Status(NTE_BAD_KEY).Because("cannot encode the private key in " + items.key_origins[k]);
    }
    writes.push_back({folder, KeyFileName(thumbprint), pem, 0600,
                      "private key -> " + StoreFolderName(store) + ", linked to " + thumbprint});
  }
  for (const auto& certificate : items.certificates) {
    status = PlanCertificateFile(store, certificate.get(), "certificate", writes);
    if (!status.ok()) return status;
  }
  for (const auto& certificate : items.chain) {
    const std::string target = ChainStore(certificate.get(), chain);
    if (target.empty()) continue;
    status = PlanCertificateFile(target, certificate.get(), "chain certificate", writes);
    if (!status.ok()) return status;
  }

  for (const PendingFile& file : writes) {
    status = WriteStoreFile(file.folder, file.name, file.bytes, file.mode);
    if (!status.ok()) return status;
    report.push_back(file.report);
  }
  return holds_keys || items.keys.empty() ? Status() : KeysLeftOut(store, items);
}

}  // namespace corvane::platform
