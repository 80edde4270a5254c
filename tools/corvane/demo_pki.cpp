#include "demo_pki.h"

#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <iostream>

#include "platform/posix/ossl.h"

namespace corvane::tool {
namespace {

using ossl::UniquePtr;

UniquePtr<X509_NAME> Name(std::initializer_list<std::pair<const char*, const char*>> parts) {
  UniquePtr<X509_NAME> name(X509_NAME_new());
  for (const auto& [field, value] : parts) {
    X509_NAME_add_entry_by_txt(name.get(), field, MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(value), -1, -1, 0);
  }
  return name;
}

bool AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  const UniquePtr<X509_EXTENSION> extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value));
  return extension != nullptr && X509_add_ext(certificate, extension.get(), -1) == 1;
}

UniquePtr<X509> Certificate(X509_NAME* subject, EVP_PKEY* key, long serial, X509* issuer,
                            EVP_PKEY* issuer_key, bool ca) {
  UniquePtr<X509> certificate(X509_new());
  X509_set_version(certificate.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), serial);
  X509_set_subject_name(certificate.get(), subject);
  X509_set_issuer_name(certificate.get(), issuer ? X509_get_subject_name(issuer) : subject);
  X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 365L * 24 * 3600);
  X509_set_pubkey(certificate.get(), key);
  X509* signer = issuer ? issuer : certificate.get();
  const bool extended =
      AddExtension(certificate.get(), signer, NID_basic_constraints, ca ? "critical,CA:TRUE" : "CA:FALSE") &&
      AddExtension(certificate.get(), signer, NID_subject_key_identifier, "hash") &&
      AddExtension(certificate.get(), signer, NID_key_usage,
                   ca ? "critical,keyCertSign,cRLSign"
                      : "digitalSignature,nonRepudiation,keyEncipherment,dataEncipherment");
  if (!extended || X509_sign(certificate.get(), issuer_key, EVP_sha256()) <= 0) return nullptr;
  return certificate;
}

bool WritePem(const std::filesystem::path& path, X509* certificate, EVP_PKEY* key) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) return false;
  const bool written = certificate ? PEM_write_X509(file, certificate) == 1
                                   : PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr,
                                                          nullptr) == 1;
  return std::fclose(file) == 0 && written;
}

}  // namespace

bool MakeDemoPki(const std::filesystem::path& folder, DemoPki& pki) {
  UniquePtr<EVP_PKEY> ca_key(EVP_RSA_gen(2048));
  UniquePtr<EVP_PKEY> user_key(EVP_RSA_gen(2048));
  if (!ca_key || !user_key) {
    std::cerr << "corvane demo: key generation failed\n";
    return false;
  }
  auto ca_name = Name({{"CN", "QDRA"}, {"OU", "config"}, {"O", "Ostrevalia"}});
  auto user_name = Name({{"C", "CN"}, {"O", "Corvane Demo"}, {"CN", "Demo User"}});
  auto ca = Certificate(ca_name.get(), ca_key.get(), 1, nullptr, ca_key.get(), true);
  constexpr long kUserSerial = 0x2026;
  auto user = ca ? Certificate(user_name.get(), user_key.get(), kUserSerial, ca.get(), ca_key.get(), false)
                 : nullptr;
  pki.ca_certificate = folder / "demo-ca.pem";
  pki.user_certificate = folder / "demo-user.pem";
  pki.user_key = folder / "demo-user-key.pem";
  pki.user_serial_hex = "2026";
  if (!user || !WritePem(pki.ca_certificate, ca.get(), nullptr) ||
      !WritePem(pki.user_certificate, user.get(), nullptr) ||
      !WritePem(pki.user_key, nullptr, user_key.get())) {
    std::cerr << "corvane demo: cannot make the demo certificates\n";
    return false;
  }
  return true;
}

}  // namespace corvane::tool
