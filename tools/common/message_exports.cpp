#include "message_exports.h"

#include "codec/base64.h"
#include "corvane.h"
#include "export_call.h"
#include "ops/verified_text.h"
#include "ops/verify_with_data.h"

namespace corvane::tool {
namespace {

int32_t Length(const std::string& text) { return static_cast<int32_t>(text.size()); }

// The signer's certificate of a message that verified, taken from the message again the way
// the export does (attached, else detached over `data`).
PCCERT_CONTEXT SignerOf(const std::string& text, const std::string* data) {
  std::string message(text.size() + 1, '\0');
  int32_t length = 0;
  auto* bytes = reinterpret_cast<uint8_t*>(message.data());
  if (codec::DecodeBase64(text.data(), Length(text), bytes, &length) != 0) return nullptr;
  CRYPT_VERIFY_MESSAGE_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  parameters.dwMsgAndCertEncodingType = PKCS_7_ASN_ENCODING | X509_ASN_ENCODING;
  PCCERT_CONTEXT signer = nullptr;
  const auto size = static_cast<DWORD>(length);
  if (CryptVerifyMessageSignature(&parameters, 0, bytes, size, nullptr, nullptr, &signer) ||
      data == nullptr) {
    return signer;
  }
  const BYTE* pieces[] = {reinterpret_cast<const BYTE*>(data->data())};
  DWORD piece_sizes[] = {static_cast<DWORD>(data->size())};
  CryptVerifyDetachedMessageSignature(&parameters, 0, bytes, size, 1, pieces, piece_sizes, &signer);
  return signer;
}

}  // namespace

int32_t SignData(const std::string& data, bool detached, const CertificateChoice& choice,
                 std::string& message) {
  const int32_t mode = detached ? 1 : 0;
  const auto length = static_cast<uint32_t>(data.size());
  return CallExportTwice(
      [&](char* out, int32_t* size) {
        if (!choice.serial) return generateSingleSignedMsg(data.data(), length, mode, out, size);
        const std::string& serial = *choice.serial;
        if (!choice.issuer_gbk) {
          return generateSingleSignedMsgBySN(data.data(), length, mode, serial.data(), Length(serial),
                                             out, size);
        }
        return generateSingleSignedMsgByIssuerSN(data.data(), length, mode, choice.issuer_gbk->c_str(),
                                                 Length(*choice.issuer_gbk), serial.data(),
                                                 Length(serial), out, size);
      },
      message);
}

int32_t EncryptData(const std::string& data, const CertificateChoice& choice, std::string& message) {
  const auto length = static_cast<uint32_t>(data.size());
  return CallExportTwice(
      [&](char* out, int32_t* size) {
        if (!choice.serial) return composeSingleEnvelopedMsg(data.data(), length, out, size);
        const std::string& serial = *choice.serial;
        if (!choice.issuer_gbk) {
          return composeSingleEnvelopedMsgBySN(data.data(), length, serial.data(), Length(serial), out,
                                               size);
        }
        return composeSingleEnvelopedMsgByIssuerSN(data.data(), length, choice.issuer_gbk->c_str(),
                                                   Length(*choice.issuer_gbk), serial.data(),
                                                   Length(serial), out, size);
      },
      message);
}

int32_t DecryptMessage(const std::string& text, std::string& data) {
  return CallExportTwice(
      [&](char* out, int32_t* length) {
        return decomposeSingleEnvelopedMsg(text.data(), Length(text), out, length);
      },
      data);
}

int32_t VerifyMessage(const std::string& text, const std::string* data, std::string& content,
                      ops::SignatureForm* form) {
  const ops::SignedData signed_data =
      data != nullptr ? ops::SignedData{data->data(), Length(*data)} : ops::SignedData{};
  return CallExportTwice(
      [&](char* out, int32_t* length) {
        return ops::VerifySignedMessage(text.data(), Length(text), signed_data, out, length, form);
      },
      content);
}

std::string VerificationFailureReason(ops::SignatureForm form, bool data_given) {
  if (form == ops::SignatureForm::kDetached && !data_given) {
    return "the message is a detached signature: it verifies only with the signed data";
  }
  if (form == ops::SignatureForm::kAttached && data_given) {
    return "the message carries signed content that differs from the data given";
  }
  return "";
}

std::string VerifiedTextGbk(const std::string& text, const std::string* data) {
  PCCERT_CONTEXT signer = SignerOf(text, data);
  const certs::LocalArea<char> report = ops::ComposeVerifiedText(signer);
  CertFreeCertificateContext(signer);
  return report ? std::string(report.get()) : std::string();
}

}  // namespace corvane::tool
