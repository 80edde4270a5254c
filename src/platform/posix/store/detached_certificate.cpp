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

}  // namespace

PCCERT_CONTEXT CreateDetachedCertificateContext(
    const BYTE* der, size_t length, const std::vector<std::vector<BYTE>>& companions) {
  std::unique_ptr<StoredCertificate> certificate = ParsedCertificate(der, length);
  if (certificate == nullptr) {
    SetLastError(CRYPT_E_ASN1_CORRUPT);
    return nullptr;
  }
  // A store of its own with no folder and no handle: it lives as long as the context. The
  // certificate comes first; the context is made for it.
  auto contents = std::make_shared<StoreContents>();
  contents->certificates.push_back(std::move(certificate));
  for (const std::vector<BYTE>& companion : companions) {
    if (auto parsed = ParsedCertificate(companion.data(), companion.size())) {
      contents->certificates.push_back(std::move(parsed));
    }
  }
  auto* store = new StoreObject(contents);
  ContextObject* context = MakeContext(store, std::move(contents), 0);
  ReleaseStore(store);
  return &context->context;
}

}  // namespace corvane::platform
