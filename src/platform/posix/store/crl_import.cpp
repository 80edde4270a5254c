#include "platform/posix/store/crl_import.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include <filesystem>

#include "platform/posix/ossl.h"
#include "platform/posix/store/store_files.h"
#include "platform/posix/store/revocation_lists.h"
#include "platform/posix/store/store_layout.h"
#include "platform/posix/store/thumbprint.h"

namespace corvane::platform {
namespace {

// The DER of the first "X509 CRL" block of PEM text; empty when there is none.
std::string FirstCrlBlock(const std::string& pem) {
  ossl::UniquePtr<BIO> in(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  std::string der;
  char* label = nullptr;
  char* header = nullptr;
  unsigned char* data = nullptr;
  long length = 0;
  while (in != nullptr && der.empty() &&
         PEM_read_bio(in.get(), &label, &header, &data, &length) == 1) {
    if (std::string(label) == "X509 CRL") der.assign(reinterpret_cast<char*>(data), static_cast<size_t>(length));
    OPENSSL_free(label);
    OPENSSL_free(header);
    OPENSSL_free(data);
  }
  return der;
}

// The list in exactly these DER bytes; null when they are not one.
ossl::UniquePtr<X509_CRL> CrlFromDer(const std::string& der) {
  X509_CRL* target = X509_CRL_new_ex(ossl::LibraryContext(), ossl::kNoProperties);
  if (target == nullptr || der.empty()) {
    X509_CRL_free(target);
    return nullptr;
  }
  const auto* begin = reinterpret_cast<const unsigned char*>(der.data());
  const unsigned char* cursor = begin;
  const bool parsed = d2i_X509_CRL(&target, &cursor, static_cast<long>(der.size())) != nullptr;
  ossl::UniquePtr<X509_CRL> crl(target);  // d2i_X509_CRL freed it when it failed
  if (!parsed || cursor != begin + der.size()) return nullptr;
  return crl;
}

}  // namespace

Status AddCrl(const std::string& store, const std::string& origin, const std::string& bytes,
              std::vector<std::string>& report, std::vector<std::string>& warnings) {
  std::filesystem::path folder;
  Status status = StoreFolderOf(store, folder);
  if (!status.ok()) return status;

  ERR_set_mark();
  const bool pem = bytes.find("-----BEGIN ") != std::string::npos;
  const ossl::UniquePtr<X509_CRL> crl = CrlFromDer(pem ? FirstCrlBlock(bytes) : bytes);
  ERR_pop_to_mark();
  if (crl == nullptr) {
    return Status(CRYPT_E_ASN1_CORRUPT).Because(origin + ": not a certificate revocation list");
  }
  unsigned char* encoded = nullptr;
  const int encoded_length = i2d_X509_CRL(crl.get(), &encoded);
  if (encoded_length <= 0) return Status(CRYPT_E_ASN1_ERROR).Because("cannot encode the revocation list");
  const std::string der(reinterpret_cast<char*>(encoded), static_cast<size_t>(encoded_length));
  OPENSSL_free(encoded);

  std::vector<ossl::UniquePtr<X509>> certificates;
  status = LoadStoreCertificates(store, certificates);
  if (!status.ok()) return status;
  // A list counts only when a certificate of its store issued it. One whose issuer is not there
  // yet may be added before it; one that a certificate of that name did not sign never counts.
  bool issuer_named = false;
  bool issued = false;
  for (const auto& certificate : certificates) {
    issuer_named |=
        X509_NAME_cmp(X509_get_subject_name(certificate.get()), X509_CRL_get_issuer(crl.get())) == 0;
    issued = issued || IsIssuerOf(certificate.get(), crl.get());
  }
  if (issuer_named && !issued) {
    return Status(NTE_BAD_SIGNATURE)
        .Because(origin + ": the revocation list's signature does not verify with the key of its issuer in store " +
                 StoreFolderName(store));
  }
  if (!issuer_named) {
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
