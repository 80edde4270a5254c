#include "platform/posix/message/recipient_certificate.h"

#include <algorithm>
#include <cstring>

#include "platform/posix/keys/linked_key.h"
#include "platform/posix/store/certificate_context.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/ui/ui.h"
#include "platform/serial_number.h"

namespace corvane::platform {
namespace {

// The serial number of an issuer-and-serial recipient in the platform's byte order.
std::vector<BYTE> PlatformOrderSerial(const EnvelopeRecipient& recipient) {
  std::vector<BYTE> serial(recipient.serial_number.size());
  ReverseSerialBytes(recipient.serial_number.data(), serial.size(), serial.data());
  return serial;
}

bool SameBytes(const std::vector<uint8_t>& bytes, const uint8_t* data, size_t size) {
  return bytes.size() == size && (size == 0 || std::memcmp(bytes.data(), data, size) == 0);
}

bool MatchesIssuerAndSerial(PCCERT_CONTEXT certificate, const EnvelopeRecipient& recipient) {
  CERT_INFO* info = certificate->pCertInfo;
  if (info == nullptr ||
      !SameBytes(recipient.issuer, info->Issuer.pbData, info->Issuer.cbData)) {
    return false;
  }
  std::vector<BYTE> serial = PlatformOrderSerial(recipient);
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

namespace {

// Adds to `found` the certificates of `store` that `search` yields and that match `recipient`.
void AddMatches(HCERTSTORE store, DWORD search, const void* key, const EnvelopeRecipient& recipient,
                std::vector<CertificateReference>& found) {
  PCCERT_CONTEXT certificate = nullptr;
  while ((certificate = CertFindCertificateInStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, search, key,
                                                   certificate)) != nullptr) {
    if (CertificateMatchesRecipient(certificate, recipient)) {
      found.emplace_back(CertDuplicateCertificateContext(certificate));
    }
  }
}

// The certificates of `store` that match any of the recipients, each once, in the store's
// enumeration order (ascending thumbprint). A recipient is looked up in the store's index of
// serial numbers or of key identifiers, as it is named, and each certificate found is then
// compared in full.
std::vector<CertificateReference> MatchingCertificates(HCERTSTORE store,
                                                       const std::vector<EnvelopeRecipient>& recipients) {
  std::vector<CertificateReference> found;
  for (const EnvelopeRecipient& recipient : recipients) {
    if (recipient.identifier == EnvelopeRecipient::Identifier::kIssuerAndSerialNumber) {
      std::vector<BYTE> serial = PlatformOrderSerial(recipient);
      const CRYPT_INTEGER_BLOB key{static_cast<DWORD>(serial.size()), serial.data()};
      AddMatches(store, CORVANE_CERT_FIND_SERIAL_NUMBER, &key, recipient, found);
    } else {
      std::vector<BYTE> identifier(recipient.key_identifier.begin(), recipient.key_identifier.end());
      const CRYPT_HASH_BLOB key{static_cast<DWORD>(identifier.size()), identifier.data()};
      AddMatches(store, CERT_FIND_KEY_IDENTIFIER, &key, recipient, found);
    }
  }
  const auto thumbprint = [](const CertificateReference& c) -> const std::string& {
    return ContextOf(c.get())->certificate->thumbprint;
  };
  std::sort(found.begin(), found.end(), [&](const auto& a, const auto& b) { return thumbprint(a) < thumbprint(b); });
  found.erase(std::unique(found.begin(), found.end(),
                          [&](const auto& a, const auto& b) { return thumbprint(a) == thumbprint(b); }),
              found.end());
  return found;
}

}  // namespace

Status FindRecipientCertificate(const HCERTSTORE* stores, DWORD store_count,
                                const std::vector<EnvelopeRecipient>& recipients,
                                std::optional<RecipientCertificate>& found) {
  found.reset();
  for (DWORD index = 0; index < store_count; ++index) {
    for (CertificateReference& certificate : MatchingCertificates(stores[index], recipients)) {
      const auto recipient = std::find_if(
          recipients.begin(), recipients.end(), [&](const EnvelopeRecipient& candidate) {
            return CertificateMatchesRecipient(certificate.get(), candidate);
          });
      if (recipient == recipients.end()) continue;
      ossl::UniquePtr<EVP_PKEY> key;
      const Status key_status = LoadLinkedPrivateKey(certificate.get(), AskPin, key);
      if (key_status.error() == CRYPT_E_NO_KEY_PROPERTY) continue;
      if (!key_status.ok()) return key_status;
      found = RecipientCertificate{std::move(certificate), std::move(key), &*recipient};
      return Status();
    }
  }
  return Status(CRYPT_E_NO_DECRYPT_CERT);
}

}  // namespace corvane::platform
