#include "operations.h"

#include "base64_text.h"
#include "certificate_listing.h"
#include "consent.h"
#include "corvane.h"
#include "ops/result_codes.h"
#include "platform/posix/failure_detail.h"
#include "platform/posix/text/gbk.h"
#include "../common/message_exports.h"
#include "../common/result_text.h"
#include "../common/web_refusals.h"

namespace corvane::web {
namespace {

using nlohmann::json;

// The answer of an export's result: on success the library's success text (GBK, as its box
// shows it), else the code's texts and, where the library told why, the reason.
json ResultAnswer(const Request& request, int32_t code, const std::string& success_text_gbk) {
  std::string text = code == 0 ? text::GbkToUtf8(success_text_gbk) : tool::ResultCodeText(code);
  const std::string detail = platform::TakeFailureDetail();
  if (code != 0 && !detail.empty()) text += " (" + detail + ")";
  return {{"id", request.id}, {"code", code}, {"text", text}};
}

json Sign(const Request& request) {
  KeyUseConsent consent(request.origin, request.certificate.serial.has_value(), &*request.data);
  std::string message;
  const int32_t code = tool::SignData(*request.data, request.detached, request.certificate, message);
  if (consent.declined()) {
    return RefusalAnswer(request.id, {tool::kWebConsentRefused, "the user did not allow this signature"});
  }
  json answer = ResultAnswer(request, code, ops::text::kSigned);
  if (code == 0) answer["message"] = message;
  return answer;
}

// A page learns whether the message carried its content (then `data` is that content, which
// equals the data the page gave, if any) or was a detached signature over the page's data.
json Verify(const Request& request) {
  const std::string* data = request.data ? &*request.data : nullptr;
  std::string content;
  ops::SignatureForm form = ops::SignatureForm::kUnknown;
  const int32_t code = tool::VerifyMessage(*request.message, data, content, &form);
  json answer = ResultAnswer(request, code, code == 0 ? tool::VerifiedTextGbk(*request.message, data) : "");
  if (form != ops::SignatureForm::kUnknown) answer["detached"] = form == ops::SignatureForm::kDetached;
  if (code == 0 && form == ops::SignatureForm::kAttached) answer["data"] = EncodeBase64(content);
  const std::string reason = code != 0 ? tool::VerificationFailureReason(form, data != nullptr) : "";
  if (!reason.empty()) answer["text"] = answer["text"].get<std::string>() + " (" + reason + ")";
  return answer;
}

json Encrypt(const Request& request) {
  const KeyUseConsent consent(request.origin, false);  // names the origin in the chooser
  std::string message;
  const int32_t code = tool::EncryptData(*request.data, request.certificate, message);
  json answer = ResultAnswer(request, code, ops::text::kEncrypted);
  if (code == 0) answer["message"] = message;
  return answer;
}

json Decrypt(const Request& request) {
  KeyUseConsent consent(request.origin, false);
  std::string content;
  const int32_t code = tool::DecryptMessage(*request.message, content);
  if (consent.declined()) {
    return RefusalAnswer(request.id, {tool::kWebConsentRefused, "the user did not allow opening this envelope"});
  }
  json answer = ResultAnswer(request, code, ops::text::kDecrypted);
  if (code == 0) answer["data"] = EncodeBase64(content);
  return answer;
}

json Certificates(const Request& request) {
  std::optional<json> list = PersonalCertificates();
  if (!list) return RefusalAnswer(request.id, {CORVANE_E_STORE_NOT_OPENED, "the personal store cannot be opened"});
  return {{"id", request.id}, {"code", 0}, {"text", ""}, {"certificates", std::move(*list)}};
}

}  // namespace

json RefusalAnswer(const json& id, const Refusal& refusal) {
  return {{"id", id}, {"code", refusal.code}, {"text", refusal.text}};
}

json Serve(const Request& request) {
  if (!OriginConsented(request.origin)) {
    return RefusalAnswer(request.id, {tool::kWebOriginNotAllowed,
                                      request.origin + " is not allowed to use your certificates"});
  }
  platform::TakeFailureDetail();  // none left from an earlier request
  switch (request.operation) {
    case Operation::kSign:
      return Sign(request);
    case Operation::kVerify:
      return Verify(request);
    case Operation::kEncrypt:
      return Encrypt(request);
    case Operation::kDecrypt:
      return Decrypt(request);
    case Operation::kCertificates:
      return Certificates(request);
  }
  return RefusalAnswer(request.id, {tool::kWebUnreadableRequest, "unknown op"});
}

}  // namespace corvane::web
