#include "platform/posix/store/detached_certificate.h"

#include "platform/posix/store/thumbprint.h"
#include "platform/posix/store/certificate_context.h"

namespace corvane::platform {
namespace {

std::unique_ptr<StoredCertificate> ParsedCertificate(const BYTE* der, size_t length) {
  if (der == nullptr) return nullptr;
  auto certificate = std::make_unique<StoredCertificate>();
  certificate->thumbprint = Thumbprint(der, length);
  certificate->tbs = TbsCertificate::Parse(std::vector<BYTE>(der, der + length));
  if (certificate->tbs == nullptr || certificate->thumbprint.empty()) return nullptr;
  return certificate;
}

// The certificate read from its own encoding, with `parsed` kept as its OpenSSL form.
std::unique_ptr<StoredCertificate> ParsedCertificate(X509* parsed) {
  const std::string der = ossl::DerOf(parsed, i2d_X509);
  if (der.empty()) return nullptr;
  std::unique_ptr<StoredCertificate> certificate =
      ParsedCertificate(reinterpret_cast<const BYTE*>(der.data()), der.size());
  if (certificate != nullptr) certificate->KeepOpenSslCertificate(parsed);
  return certificate;
}

std::unique_ptr<StoredCertificate> ParsedCertificate(const std::vector<BYTE>& der) {
  return ParsedCertificate(der.data(), der.size());
}

// A context for `first` in a store of its own with no folder and no handle, which holds the
// companions that can be read and lives as long as the context.
template <typename Companion>
PCCERT_CONTEXT ContextOf(std::unique_ptr<StoredCertificate> first,
                         const std::vector<Companion>& companions) {
  if (first == nullptr) {
    SetLastError(CRYPT_E_ASN1_CORRUPT);
    return nullptr;
  }
  auto contents = std::make_shared<StoreContents>();
  contents->certificates.push_back(std::move(first));
  for (const Companion& companion : companions) {
    if (auto parsed = ParsedCertificate(companion)) {
      contents->certificates.push_back(std::move(parsed));
    }
  }
  auto* store = new StoreObject(contents);
  ContextObject* context = MakeContext(store, std::move(contents), 0);
  ReleaseStore(store);
  return &context->context;
}

}  // namespace

PCCERT_CONTEXT CreateDetachedCertificateContext(
    const BYTE* der, size_t length, const std::vector<std::vector<BYTE>>& companions) {
  return ContextOf(ParsedCertificate(der, length), companions);
}

PCCERT_CONTEXT CreateDetachedCertificateContext(X509* certificate,
                                                const std::vector<X509*>& companions) {
  return ContextOf(ParsedCertificate(certificate), companions);
}

}  // namespace corvane::platform
