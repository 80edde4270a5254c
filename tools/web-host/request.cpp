#include "request.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base64_text.h"
#include "corvane.h"
#include "platform/posix/text/gbk.h"
#include "../common/web_origins.h"
#include "../common/web_refusals.h"

namespace corvane::web {
namespace {

using nlohmann::json;

// Deeper JSON than any request needs is refused while it is parsed: objects and arrays nested
// more than kMaxDepth levels, the request's own object being the first.
constexpr int kMaxDepth = 16;
constexpr size_t kMaxSerialLength = 128;  // hex digits; real serial numbers have at most 40

struct TooDeep {};

constexpr std::array<std::pair<std::string_view, Operation>, 5> kOperations = {{
    {"sign", Operation::kSign},
    {"verify", Operation::kVerify},
    {"encrypt", Operation::kEncrypt},
    {"decrypt", Operation::kDecrypt},
    {"certificates", Operation::kCertificates},
}};

// A refusal as the return value of a reading step.
std::optional<Request> Refuse(Refusal& refusal, int code, std::string text) {
  refusal = {code, std::move(text)};
  return std::nullopt;
}

// The string field `name`: nullopt and a refusal when it is present but not a string, or absent
// and `required`.
std::optional<std::string> StringField(const json& object, const char* name, bool required,
                                       Refusal& refusal) {
  const auto field = object.find(name);
  if (field == object.end() || field->is_null()) {
    if (required) refusal = {CORVANE_E_MISSING_ARGUMENT, std::string("\"") + name + "\" is missing"};
    return std::nullopt;
  }
  if (!field->is_string()) {
    refusal = {CORVANE_E_MISSING_ARGUMENT, std::string("\"") + name + "\" must be a string"};
    return std::nullopt;
  }
  return field->get<std::string>();
}

bool IsHexDigits(const std::string& text) {
  return !text.empty() && text.size() <= kMaxSerialLength &&
         std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
         });
}

// The fields of the operation: "data" for sign and encrypt (and a detached verification),
// "message" for verify and decrypt, and the certificate choice for sign and encrypt.
bool ReadFields(const json& object, Request& request, Refusal& refusal) {
  const Operation op = request.operation;
  const bool takes_data = op == Operation::kSign || op == Operation::kEncrypt || op == Operation::kVerify;
  const bool takes_message = op == Operation::kVerify || op == Operation::kDecrypt;
  const bool takes_certificate = op == Operation::kSign || op == Operation::kEncrypt;
  refusal = {};
  if (takes_message) {
    request.message = StringField(object, "message", true, refusal);
    if (!request.message) return false;
  }
  if (takes_data) {
    const std::optional<std::string> text = StringField(object, "data", op != Operation::kVerify, refusal);
    if (refusal.code != 0) return false;
    if (text) {
      request.data = DecodeStrictBase64(*text);
      if (!request.data) {
        refusal = {CORVANE_E_DECODING_FAILED, "\"data\" is not Base64"};
        return false;
      }
    }
  }
  if (op == Operation::kSign) {
    const auto detached = object.find("detached");
    if (detached != object.end() && !detached->is_null() && !detached->is_boolean()) {
      refusal = {CORVANE_E_MISSING_ARGUMENT, "\"detached\" must be true or false"};
      return false;
    }
    request.detached = detached != object.end() && detached->is_boolean() && detached->get<bool>();
  }
  if (!takes_certificate) return true;
  request.certificate.serial = StringField(object, "serial", false, refusal);
  const std::optional<std::string> issuer = StringField(object, "issuer", false, refusal);
  if (refusal.code != 0) return false;
  if (request.certificate.serial && !IsHexDigits(*request.certificate.serial)) {
    refusal = {CORVANE_E_MISSING_ARGUMENT, "\"serial\" must be 1 to 128 hex digits"};
    return false;
  }
  if (issuer && !request.certificate.serial) {
    refusal = {CORVANE_E_MISSING_ARGUMENT, "\"issuer\" needs \"serial\""};
    return false;
  }
  // Names are compared in the library's code page.
  if (issuer) request.certificate.issuer_gbk = text::Utf8ToGbk(*issuer);
  return true;
}

}  // namespace

std::string_view OperationName(Operation operation) {
  for (const auto& [name, known] : kOperations) {
    if (known == operation) return name;
  }
  return "?";
}

std::optional<Request> ReadRequest(const std::string& frame, json& id, Refusal& refusal) {
  id = nullptr;
  json object;
  try {
    // An object or array starts at the depth of the containers around it (0 for the request
    // itself), so one starting at kMaxDepth would be the kMaxDepth + 1st level.
    object = json::parse(frame, [](int depth, json::parse_event_t event, json&) {
      const bool opens = event == json::parse_event_t::object_start || event == json::parse_event_t::array_start;
      if (opens && depth >= kMaxDepth) throw TooDeep{};
      return true;
    });
  } catch (const json::exception& error) {  // a syntax error, or a number beyond a double
    return Refuse(refusal, tool::kWebUnreadableRequest, std::string("the request is not JSON: ") + error.what());
  } catch (const TooDeep&) {
    return Refuse(refusal, tool::kWebUnreadableRequest, "the request is nested too deeply");
  }
  if (!object.is_object()) return Refuse(refusal, tool::kWebUnreadableRequest, "the request is not a JSON object");
  if (const auto given = object.find("id"); given != object.end()) id = *given;

  Request request;
  request.id = id;
  const std::optional<std::string> origin = StringField(object, "origin", true, refusal);
  if (!origin) return Refuse(refusal, tool::kWebUnreadableRequest, "the request names no origin");
  if (!tool::IsAcceptedOrigin(*origin)) {
    return Refuse(refusal, tool::kWebOriginNotAllowed,
                  "origin \"" + *origin + "\" is refused: only https: and http://localhost or 127.0.0.1");
  }
  request.origin = *origin;
  const std::optional<std::string> op = StringField(object, "op", true, refusal);
  if (!op) return std::nullopt;
  const auto known = std::find_if(kOperations.begin(), kOperations.end(),
                                  [&](const auto& entry) { return entry.first == *op; });
  if (known == kOperations.end()) {
    return Refuse(refusal, tool::kWebUnreadableRequest,
                  "unknown op \"" + *op + "\": sign, verify, encrypt, decrypt or certificates");
  }
  request.operation = known->second;
  if (!ReadFields(object, request, refusal)) return std::nullopt;
  return request;
}

}  // namespace corvane::web
