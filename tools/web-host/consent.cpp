#include "consent.h"

#include <openssl/evp.h>

#include <algorithm>
#include <utility>

#include "certs/certificate_text.h"
#include "platform/posix/text/gbk.h"
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

bool IsUtf8(const std::string& bytes) {
  std::u32string code_points;
  return text::DecodeUtf8(bytes, code_points);
}

// What a signature covers, as the question shows it: the start of a text (UTF-8 without control
// characters but line breaks and tabs), else the size and SHA-256 of the bytes.
std::string SignedDataShown(const std::string& data) {
  constexpr size_t kShownBytes = 200;
  const bool text = !data.empty() && IsUtf8(data) && std::none_of(data.begin(), data.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t';
  });
  const std::string size = std::to_string(data.size()) + " bytes";
  if (text) {
    std::string start = data.substr(0, kShownBytes);
    while (!start.empty() && !IsUtf8(start)) start.pop_back();  // not within a character
    return "\n\nThe text (" + size + "):\n" + text::Utf8ToGbk(start) + (start.size() < data.size() ? "..." : "");
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digest_size = 0;
  if (EVP_Digest(data.data(), data.size(), digest, &digest_size, EVP_sha256(), nullptr) != 1) {
    return "\n\nData of " + size;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < digest_size; ++i) hex += {kHex[digest[i] >> 4], kHex[digest[i] & 15]};
  return "\n\nData of " + size + ", SHA-256 " + hex;
}

}  // namespace

bool OriginConsented(const std::string& origin) {
  if (tool::IsAllowedOrigin(origin)) return true;
  if (!platform::AskOkCancel(kCaption, "Allow " + origin + " to use your certificates?")) return false;
  std::string failure;
  tool::AllowOrigin(origin, failure);  // allowed for this request even when it cannot be kept
  return true;
}

KeyUseConsent::KeyUseConsent(std::string origin, bool ask_before_signing, const std::string* signed_data)
    : origin_(std::move(origin)),
      signed_data_(signed_data),
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
          ? origin_ + " asks to sign with your certificate:" + Described(certificate) +
                (signed_data_ != nullptr ? SignedDataShown(*signed_data_) : "") +
                "\n\nAllow this signature?"
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
