#include "consent.h"

#include <algorithm>
#include <utility>

#include "certs/certificate_text.h"
#include "../common/certificate_fields.h"
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

}  // namespace

bool OriginConsented(const std::string& origin) {
  if (tool::IsAllowedOrigin(origin)) return true;
  if (!platform::AskOkCancel(kCaption, "Allow " + origin + " to use your certificates?")) return false;
  std::string failure;
  tool::AllowOrigin(origin, failure);  // allowed for this request even when it cannot be kept
  return true;
}

KeyUseConsent::KeyUseConsent(std::string origin, bool ask_before_signing)
    : origin_(std::move(origin)),
      ask_before_signing_(ask_before_signing),
      requester_(origin_),
      question_([this](PCCERT_CONTEXT certificate, platform::KeyUse use) { return Ask(certificate, use); }) {}

bool KeyUseConsent::Ask(PCCERT_CONTEXT certificate, platform::KeyUse use) {
  if (use == platform::KeyUse::kSign && !ask_before_signing_) return true;  // chosen in the chooser
  // The same certificate is asked about once: a call's size query and its real call use it both.
  std::vector<BYTE> encoded(certificate->pbCertEncoded, certificate->pbCertEncoded + certificate->cbCertEncoded);
  if (std::find(allowed_.begin(), allowed_.end(), encoded) != allowed_.end()) return true;
  const std::string question =
      use == platform::KeyUse::kSign
          ? origin_ + " asks to sign with your certificate:" + Described(certificate) + "\n\nAllow this signature?"
          : origin_ + " asks to open an envelope with the key of your certificate:" + Described(certificate) +
                "\n\nAllow it to read the content?";
  if (!platform::AskOkCancel(kCaption, question)) {
    declined_ = true;
    return false;
  }
  allowed_.push_back(std::move(encoded));
  return true;
}

}  // namespace corvane::web
