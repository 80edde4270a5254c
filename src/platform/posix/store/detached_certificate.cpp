#include "platform/posix/store/detached_certificate.h"

#include <string_view>

#include "platform/posix/recent_successes.h"
#include "platform/posix/store/thumbprint.h"
#include "platform/posix/store/certificate_context.h"

namespace corvane::platform {
namespace {

// The certificates last read from messages, by their whole encoding (compared byte for byte):
// a signer's messages carry the same certificate every time, and what is read from it depends
// on its bytes alone.
struct MessageCertificate {
  std::string der;
  std::shared_ptr<const StoredCertificate> certificate;
};

using MessageCertificates = RecentSuccesses<MessageCertificate, 16>;

std::unique_ptr<StoredCertificate> ParsedCertificate(const BYTE* der, size_t length) {
  if (der == nullptr) return nullptr;
  auto certificate = std::make_unique<StoredCertificate>();
  certificate->thumbprint = Thumbprint(der, length);
  certificate->tbs = TbsCertificate::Parse(std::vector<BYTE>(der, der + length));
  if (certificate->tbs == nullptr || certificate->thumbprint.empty()) return nullptr;
  return certificate;
}

// The certificate read from `der`, with `parsed` (its OpenSSL form, when already made) kept; or
// the one read before from the same encoding.
std::shared_ptr<const StoredCertificate> KeptOrRead(std::string_view der, X509* parsed) {
  std::shared_ptr<const StoredCertificate> certificate;
  if (MessageCertificates::Instance().Contains([&](const MessageCertificate& kept) {
        if (kept.der != der) return false;
        certificate = kept.certificate;
        return true;
      })) {
    return certificate;
  }
  std::shared_ptr<StoredCertificate> read =
      ParsedCertificate(reinterpret_cast<const BYTE*>(der.data()), der.size());
  if (read == nullptr) return nullptr;
  if (parsed != nullptr) read->KeepOpenSslCertificate(parsed);
  MessageCertificates::Instance().Add(MessageCertificate{std::string(der), read});
  return read;
}

}  // namespace

PCCERT_CONTEXT CreateDetachedCertificateContext(
    const BYTE* der, size_t length, const std::vector<std::vector<BYTE>>& companions) {
  std::vector<std::shared_ptr<const StoredCertificate>> read;
  for (const std::vector<BYTE>& companion : companions) {
    read.push_back(ParsedCertificate(companion.data(), companion.size()));
  }
  return CreateDetachedCertificateContext(ParsedCertificate(der, length), read);
}

std::shared_ptr<const StoredCertificate> CertificateFromMessage(const BYTE* der, size_t length) {
  if (der == nullptr) return nullptr;
  std::shared_ptr<const StoredCertificate> certificate =
      KeptOrRead(std::string_view(reinterpret_cast<const char*>(der), length), nullptr);
  return certificate != nullptr && certificate->OpenSslCertificate() != nullptr ? certificate
                                                                                 : nullptr;
}

std::shared_ptr<const StoredCertificate> CertificateFromMessage(X509* parsed) {
  const std::string der = ossl::DerOf(parsed, i2d_X509);
  return der.empty() ? nullptr : KeptOrRead(der, parsed);
}

// A store of its own with no folder and no handle holds the certificate and the companions that
// could be read, and lives as long as the context.
PCCERT_CONTEXT CreateDetachedCertificateContext(
    std::shared_ptr<const StoredCertificate> certificate,
    const std::vector<std::shared_ptr<const StoredCertificate>>& companions) {
  if (certificate == nullptr) {
    SetLastError(CRYPT_E_ASN1_CORRUPT);
    return nullptr;
  }
  auto contents = std::make_shared<StoreContents>();
  contents->certificates.push_back(std::move(certificate));
  for (const std::shared_ptr<const StoredCertificate>& companion : companions) {
    if (companion != nullptr) contents->certificates.push_back(companion);
  }
  auto* store = new StoreObject(contents);
  ContextObject* context = MakeContext(store, std::move(contents), 0);
  ReleaseStore(store);
  return &context->context;
}

}  // namespace corvane::platform
