// Base64 as pages write it (btoa, Uint8Array.toBase64): the standard alphabet with "=" padding
// and nothing else, checked strictly so that a page learns at once when its text is not Base64.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane::web {

// The bytes, or nullopt when the text is not Base64 (characters outside the alphabet, a length
// that is not a multiple of four, padding anywhere but at the end).
std::optional<std::string> DecodeStrictBase64(std::string_view text);

// One line of Base64 with padding.
std::string EncodeBase64(const std::string& bytes);

}  // namespace corvane::web
