#include "platform/posix/message/recipient_certificate.h"

#include <algorithm>
#include <cstring>

#include "platform/posix/keys/linked_key.h"
#include "platform/serial_number.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/ui/ui.h"

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
  std::vector<BYTE> serial(recipient.serial_number.size());
  ReverseSerialBytes(recipient.serial_number.data(), serial.size(), serial.data());
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

Status FindRecipientCertificate(const HCERTSTORE* stores, DWORD store_count,
                                const std::vector<EnvelopeRecipient>& recipients,
                                std::optional<RecipientCertificate>& found) {
  found.reset();
  for (DWORD index = 0; index < store_count; ++index) {
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(stores[index], certificate)) != nullptr) {
      const auto recipient = std::find_if(
          recipients.begin(), recipients.end(), [&](const EnvelopeRecipient& candidate) {
            return CertificateMatchesRecipient(certificate, candidate);
          });
      if (recipient == recipients.end()) continue;
      ossl::UniquePtr<EVP_PKEY> key;
      const Status key_status = LoadLinkedPrivateKey(certificate, AskPin, key);
      if (key_status.error() == CRYPT_E_NO_KEY_PROPERTY) continue;
      // Leaving the enumeration early: the context it returned last is now ours to release.
      CertificateReference reference(certificate);
      if (!key_status.ok()) return key_status;
      found = RecipientCertificate{std::move(reference), std::move(key), &*recipient};
      return Status();
    }
  }
  return Status(CRYPT_E_NO_DECRYPT_CERT);
}

}  // namespace corvane::platform
