#include "operations.h"

#include "base64_text.h"
#include "certificate_listing.h"
#include "consent.h"
#include "corvane.h"
#include "ops/result_codes.h"
#include "platform/posix/text/gbk.h"
#include "../common/message_exports.h"
#include "../common/result_text.h"
#include "../common/web_refusals.h"

namespace corvane::web {
namespace {

using nlohmann::json;

// The answer of an export's result: on success the library's success text (GBK, as its box
// shows it), else the code's texts.
json ResultAnswer(const Request& request, int32_t code, const std::string& success_text_gbk) {
  const std::string text = code == 0 ? text::GbkToUtf8(success_text_gbk) : tool::ResultCodeText(code);
  return {{"id", request.id}, {"code", code}, {"text", text}};
}

json Sign(const Request& request) {
  if (!SigningConsented(request.origin, request.certificate)) {
    return RefusalAnswer(request.id, {tool::kWebConsentRefused, "the user did not allow this signature"});
  }
  std::string message;
  const int32_t code = tool::SignData(*request.data, request.detached, request.certificate, message);
  json answer = ResultAnswer(request, code, ops::text::kSigned);
  if (code == 0) answer["message"] = message;
  return answer;
}

json Verify(const Request& request) {
  const std::string* data = request.data ? &*request.data : nullptr;
  std::string content;
  const int32_t code = tool::VerifyMessage(*request.message, data, content);
  json answer = ResultAnswer(request, code, code == 0 ? tool::VerifiedTextGbk(*request.message, data) : "");
  if (code == 0 && data == nullptr) answer["data"] = EncodeBase64(content);
  return answer;
}

json Encrypt(const Request& request) {
  std::string message;
  const int32_t code = tool::EncryptData(*request.data, request.certificate, message);
  json answer = ResultAnswer(request, code, ops::text::kEncrypted);
  if (code == 0) answer["message"] = message;
  return answer;
}

json Decrypt(const Request& request) {
  if (!OpeningConsented(request.origin, *request.message)) {
    return RefusalAnswer(request.id, {tool::kWebConsentRefused, "the user did not allow opening this envelope"});
  }
  std::string content;
  const int32_t code = tool::DecryptMessage(*request.message, content);
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
