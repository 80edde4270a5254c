// libFuzzer target: the browser host's request reader (JSON, origin, operation, fields, strict
// Base64) on a frame's bytes. A request it refuses always says why; one it takes has an accepted
// origin, and its data, when Base64 gave any, encodes back to a text as long as the request's.
#include <cstddef>
#include <cstdint>
#include <string>

#include "../../tools/common/web_origins.h"
#include "../../tools/web-host/base64_text.h"
#include "../../tools/web-host/request.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string frame(reinterpret_cast<const char*>(data), size);
  nlohmann::json id;
  corvane::web::Refusal refusal;
  const auto request = corvane::web::ReadRequest(frame, id, refusal);
  if (!request) {
    if (refusal.code == 0 || refusal.text.empty()) __builtin_trap();
    return 0;
  }
  if (!corvane::tool::IsAcceptedOrigin(request->origin)) __builtin_trap();
  if (request->data) {
    const std::string text = nlohmann::json::parse(frame).at("data").get<std::string>();
    if (corvane::web::EncodeBase64(*request->data).size() != text.size()) __builtin_trap();
  }
  return 0;
}
