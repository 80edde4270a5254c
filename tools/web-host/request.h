// One request of a page, as the extension hands it to the host:
//
//   {"id": any JSON value, "origin": the page's origin (added by the extension from the browser's
//    sender data), "op": "sign" | "verify" | "encrypt" | "decrypt" | "certificates",
//    "data": Base64 bytes, "message": the library's Base64 message text, "detached": bool,
//    "serial": hex digits, "issuer": issuer text}
//
// Reading checks everything that needs no store and no user: the JSON, the origin's form, the
// operation, the fields the operation needs and their types, and the Base64 of "data".
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "../common/message_exports.h"

namespace corvane::web {

// The longest request frame the host reads. Browsers send up to 64 MiB, but an answer must stay
// under 1 MiB, so only a detached signature's data (verified, not sent back) can usefully be
// larger than that; 8 MiB of request serves such data of some 6 MiB and bounds what a page can
// make the host hold.
inline constexpr size_t kMaxRequestFrame = size_t{8} << 20;

enum class Operation { kSign, kVerify, kEncrypt, kDecrypt, kCertificates };

struct Request {
  nlohmann::json id;  // null when the request has none
  std::string origin;
  Operation operation = Operation::kCertificates;
  std::optional<std::string> data;     // decoded bytes
  std::optional<std::string> message;  // the Base64 text as given
  bool detached = false;
  tool::CertificateChoice certificate;  // the issuer converted to GBK
};

// Why a request is not served: the code and text of the answer.
struct Refusal {
  int code = 0;
  std::string text;
};

// The request, or the refusal to answer it with. The answer's id is request.id whenever the JSON
// was an object (it is set before any field is checked), else null.
std::optional<Request> ReadRequest(const std::string& frame, nlohmann::json& id, Refusal& refusal);

std::string_view OperationName(Operation operation);

}  // namespace corvane::web
