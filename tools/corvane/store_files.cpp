#include "store_files.h"

#include <openssl/pem.h>

#include <cstdio>

#include "platform/posix/store/atomic_file.h"
#include "platform/posix/store/store_layout.h"
#include "platform/posix/store/certificate_x509.h"

namespace corvane::tool {

std::string DerOf(X509* certificate) {
  unsigned char* der = nullptr;
  const int length = i2d_X509(certificate, &der);
  if (length <= 0) return std::string();
  std::string bytes(reinterpret_cast<char*>(der), static_cast<size_t>(length));
  OPENSSL_free(der);
  return bytes;
}

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

bool StoreFolderOf(const std::string& store, std::filesystem::path& folder, std::string& error) {
  if (!platform::IsValidStoreName(store)) {
    error = "\"" + store + "\" is not a store name";
    return false;
  }
  folder = platform::StoreFolder(store);
  return true;
}

bool WriteStoreFile(const std::filesystem::path& folder, const std::string& name, const std::string& bytes,
                    mode_t mode, std::string& error) {
  std::error_code failure = platform::CreatePrivateFolder(folder);
  if (!failure) failure = platform::WriteFileAtomically(folder / name, bytes, mode);
  if (failure) error = "cannot write " + (folder / name).string() + ": " + failure.message();
  return !failure;
}

std::string StoreOpenError(const std::string& store, DWORD error) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(error));
  return "cannot open store " + platform::StoreFolderName(store) + " in " + platform::StoresFolder().string() +
         " (error " + code + ")";
}

bool LoadStoreCertificates(const std::string& store, std::vector<ossl::UniquePtr<X509>>& certificates,
                           std::string& error) {
  HCERTSTORE handle = CertOpenSystemStoreA(0, store.c_str());
  if (handle == nullptr) {
    error = StoreOpenError(store, GetLastError());
    return false;
  }
  for (PCCERT_CONTEXT context = nullptr; (context = CertEnumCertificatesInStore(handle, context)) != nullptr;) {
    if (X509* certificate = platform::CertificateX509(context)) {
      X509_up_ref(certificate);
      certificates.emplace_back(certificate);
    }
  }
  CertCloseStore(handle, 0);
  return true;
}

std::string NormalizeThumbprint(const std::string& text) {
  std::string thumbprint;
  for (char c : text) {
    if (c == ':' || c == ' ') continue;
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return std::string();
    thumbprint += c;
  }
  return thumbprint.size() == 40 ? thumbprint : std::string();
}

}  // namespace corvane::tool
