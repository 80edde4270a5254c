#include "platform/posix/message/recipient_certificate.h"

#include <algorithm>
#include <cstring>

#include "platform/posix/store/certificate_x509.h"

namespace corvane::platform {
namespace {

bool SameBytes(const std::vector<uint8_t>& bytes, const uint8_t* data, size_t size) {
  return bytes.size() == size && (size == 0 || std::memcmp(bytes.data(), data, size) == 0);
}

bool MatchesIssuerAndSerial(PCCERT_CONTEXT certificate, const EnvelopeRecipient& recipient) {
  CERT_INFO* info = certificate->pCertInfo;
  if (info == nullptr ||
      !SameBytes(recipient.issuer, info->Issuer.pbData, info->Issuer.cbData)) {
    return false;
  }
  // The platform keeps serial numbers least significant byte first.
  std::vector<BYTE> serial(recipient.serial_number.rbegin(), recipient.serial_number.rend());
  CRYPT_INTEGER_BLOB blob{static_cast<DWORD>(serial.size()), serial.data()};
  return CertCompareIntegerBlob(&blob, &info->SerialNumber) != FALSE;
}

bool MatchesKeyIdentifier(PCCERT_CONTEXT certificate, const EnvelopeRecipient& recipient) {
  X509* x509 = CertificateX509(certificate);
  if (x509 == nullptr || recipient.key_identifier.empty()) return false;
  return KeyIdentifierOf(x509) == recipient.key_identifier;
}

}  // namespace

bool CertificateMatchesRecipient(PCCERT_CONTEXT certificate,
                                 const EnvelopeRecipient& recipient) {
  switch (recipient.identifier) {
    case EnvelopeRecipient::Identifier::kIssuerAndSerialNumber:
      return MatchesIssuerAndSerial(certificate, recipient);
    case EnvelopeRecipient::Identifier::kSubjectKeyIdentifier:
      return MatchesKeyIdentifier(certificate, recipient);
  }
  return false;
}

std::optional<RecipientCertificate> FindRecipientCertificate(
    const HCERTSTORE* stores, DWORD store_count,
    const std::vector<EnvelopeRecipient>& recipients, DWORD& failure) {
  failure = CRYPT_E_NO_DECRYPT_CERT;
  for (DWORD index = 0; index < store_count; ++index) {
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(stores[index], certificate)) != nullptr) {
      const auto recipient = std::find_if(
          recipients.begin(), recipients.end(), [&](const EnvelopeRecipient& candidate) {
            return CertificateMatchesRecipient(certificate, candidate);
          });
      if (recipient == recipients.end()) continue;
      DWORD key_failure = 0;
      ossl::UniquePtr<EVP_PKEY> key = LoadLinkedPrivateKey(certificate, &key_failure);
      if (!key && key_failure != CRYPT_E_NO_KEY_PROPERTY) {
        CertFreeCertificateContext(certificate);
        failure = key_failure;
        return std::nullopt;
      }
      if (!key) continue;
      // Leaving the enumeration early: the context it returned last is now ours to release.
      return RecipientCertificate{CertificateReference(certificate), std::move(key), &*recipient};
    }
  }
  return std::nullopt;
}

}  // namespace corvane::platform
