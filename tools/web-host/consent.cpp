#include "consent.h"

#include <vector>

#include "certs/certificate_search.h"
#include "certs/certificate_text.h"
#include "codec/base64.h"
#include "platform/posix/message/enveloped_data.h"
#include "platform/posix/message/recipient_certificate.h"
#include "platform/posix/admin/store_admin.h"
#include "platform/posix/ui/ui.h"
#include "../common/certificate_fields.h"
#include "../common/open_store.h"
#include "../common/web_origins.h"

namespace corvane::web {
namespace {

constexpr char kCaption[] = "Corvane";

// Subject, issuer and serial number as the library renders them (GBK).
std::string Described(PCCERT_CONTEXT certificate) {
  return "\n\nSubject: " + tool::CertificateFieldGbk(certificate, certs::kSubjectName) +
         "\nIssuer: " + tool::CertificateFieldGbk(certificate, certs::kIssuerName) +
         "\nSerial number: " + tool::CertificateFieldGbk(certificate, certs::kSerialNumber);
}

// The first certificate of MY an envelope was made for.
platform::CertificateReference RecipientInPersonalStore(const std::string& message_text) {
  std::vector<uint8_t> message(message_text.size() + 1);
  int32_t length = 0;
  if (codec::DecodeBase64(message_text.data(), static_cast<int32_t>(message_text.size()), message.data(),
                          &length) != codec::kBase64Done) {
    return nullptr;
  }
  platform::EnvelopedData envelope;
  if (platform::ReadEnvelopedData(message.data(), static_cast<size_t>(length), envelope) !=
      platform::EnvelopeReading::kRead) {
    return nullptr;
  }
  tool::OpenStore personal("MY");
  if (personal.get() == nullptr) return nullptr;
  for (PCCERT_CONTEXT context = nullptr;
       (context = CertEnumCertificatesInStore(personal.get(), context)) != nullptr;) {
    for (const platform::EnvelopeRecipient& recipient : envelope.recipients) {
      if (platform::CertificateMatchesRecipient(context, recipient)) {
        return platform::CertificateReference(context);  // the enumeration's reference, taken over
      }
    }
  }
  return nullptr;
}

}  // namespace

bool OriginConsented(const std::string& origin) {
  if (tool::IsAllowedOrigin(origin)) return true;
  if (!platform::AskOkCancel(kCaption, "Allow " + origin + " to use your certificates?")) return false;
  std::string failure;
  tool::AllowOrigin(origin, failure);  // allowed for this request even when it cannot be kept
  return true;
}

bool SigningConsented(const std::string& origin, const tool::CertificateChoice& choice) {
  if (!choice.serial) return true;
  tool::OpenStore personal("MY");
  if (personal.get() == nullptr) return true;  // the export fails on it as well
  const std::string& serial = *choice.serial;
  const platform::CertificateReference certificate(certs::FindCertificateBySerial(
      personal.address(), 1, serial.data(), static_cast<uint32_t>(serial.size()),
      choice.issuer_gbk ? choice.issuer_gbk->c_str() : certs::kFixedIssuerText));
  if (certificate == nullptr) return true;
  return platform::AskOkCancel(kCaption, origin + " asks to sign with your certificate:" +
                                             Described(certificate.get()) + "\n\nAllow this signature?");
}

bool OpeningConsented(const std::string& origin, const std::string& message_text) {
  const platform::CertificateReference certificate = RecipientInPersonalStore(message_text);
  if (certificate == nullptr) return true;
  return platform::AskOkCancel(kCaption, origin + " asks to open an envelope with the key of your certificate:" +
                                             Described(certificate.get()) + "\n\nAllow it to read the content?");
}

}  // namespace corvane::web
