#include "platform/posix/store/detached_certificate.h"

#include "platform/posix/store/thumbprint.h"
#include "platform/posix/store/certificate_context.h"

namespace corvane::platform {

PCCERT_CONTEXT CreateDetachedCertificateContext(const BYTE* der, size_t length) {
  auto certificate = std::make_unique<StoredCertificate>();
  if (der != nullptr) {
    certificate->thumbprint = Thumbprint(der, length);
    certificate->tbs = TbsCertificate::Parse(std::vector<BYTE>(der, der + length));
  }
  if (certificate->tbs == nullptr || certificate->thumbprint.empty()) {
    SetLastError(CRYPT_E_ASN1_CORRUPT);
    return nullptr;
  }
  // A store of its own with no folder and no handle: it lives as long as the context.
  auto contents = std::make_shared<StoreContents>();
  contents->certificates.push_back(std::move(certificate));
  auto* store = new StoreObject();
  store->contents = std::move(contents);
  ContextObject* context = MakeContext(store, 0);
  ReleaseStore(store);
  return &context->context;
}

}  // namespace corvane::platform
