// The certificates held by one file of a store: a DER certificate, or PEM text with one or more
// "CERTIFICATE" blocks (other PEM blocks, such as a key kept in the same file, are passed over).
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace corvane::platform {

// The DER encodings in the file's order; nothing when the PEM text is malformed or holds no
// certificate. DER input is returned as it is (its structure is checked by the caller's parser).
std::optional<std::vector<std::vector<BYTE>>> CertificatesInFile(std::string_view bytes);

// Strict Base64 (standard alphabet, "=" padding, whitespace between characters allowed).
std::optional<std::vector<BYTE>> DecodePemBase64(std::string_view text);

}  // namespace corvane::platform
