// The one-line form of a .key file that names a private key kept on a PKCS #11 token instead of
// holding it: an RFC 7512 URI such as
//
//   pkcs11:token=My%20Token;id=%01%02;object=Signing%20key;type=private
//
// Path attributes are separated by ';', values are percent-decoded; "token" is required, "id"
// and/or "object" (the key's CKA_ID / CKA_LABEL) pick the key, "type" must be "private" when
// present. Query attributes after '?' (pin-source, module-path, ...) are not honoured: the PIN
// always comes from the UI and modules from the system's configuration, so a .key file cannot
// make the library read a file or load a module of its choosing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::platform {

struct TokenKeyUri {
  std::string token;            // the token label
  std::vector<uint8_t> id;      // the key's CKA_ID; empty: any
  std::string object;           // the key's label; empty: any
};

inline constexpr std::string_view kTokenKeyScheme = "pkcs11:";
inline constexpr size_t kMaxTokenKeyUri = 4096;

// Whether the text of a .key file is a token key URI (rather than a PEM key).
bool IsTokenKeyUri(std::string_view text);

// The URI of one line (a trailing line break allowed); nullopt when it is malformed, too long,
// gives an attribute twice, names no token, neither id nor object, or a type other than private.
std::optional<TokenKeyUri> ParseTokenKeyUri(std::string_view text);

// The canonical one-line form written by `corvane store link-token`.
std::string FormatTokenKeyUri(const TokenKeyUri& uri);

}  // namespace corvane::platform
