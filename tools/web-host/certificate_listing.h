// The "certificates" operation: what a page may know of the user's certificates in MY.
#pragma once

#include <nlohmann/json.hpp>

namespace corvane::web {

// One object per certificate of MY, in the store's order: "subject", "issuer" (as the library
// renders names, UTF-8), "serial" (plain hex digits, what "serial" of a request takes),
// "notBefore", "notAfter" (UTC) and "thumbprint"; never anything of a key. Nullopt when MY
// cannot be opened.
std::optional<nlohmann::json> PersonalCertificates();

}  // namespace corvane::web
