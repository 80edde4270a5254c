// Serving one request that was read: the origin's consent, the operation's own question where it
// has one, then the library's export, answered as
//
//   {"id", "code": 0, -100xx or -2000x, "text": UTF-8, "message": Base64 text (sign, encrypt),
//    "data": Base64 bytes (attached content verified, envelope opened), "certificates": [...]}
//
// The codes are the exports' own. The host's refusals have codes of their own (web_refusals.h):
// an origin the user did not allow, a question about a certificate cancelled; MY that cannot be
// listed is -10018, as for the exports.
#pragma once

#include <nlohmann/json.hpp>

#include "request.h"

namespace corvane::web {

nlohmann::json Serve(const Request& request);

// {"id", "code", "text"}.
nlohmann::json RefusalAnswer(const nlohmann::json& id, const Refusal& refusal);

}  // namespace corvane::web
