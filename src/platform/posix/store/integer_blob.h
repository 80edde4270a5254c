// The significant bytes of a little-endian signed integer, as CertCompareIntegerBlob compares
// them: redundant sign bytes at the most significant end (a 0x00 above a byte <= 0x7F, a 0xFF
// above a byte >= 0x80) do not count, so 0x12AB and 0x0012AB have the same significant bytes.
#pragma once

#include <string_view>

#include "platform/platform.h"

namespace corvane::platform {

// A view of `integer`'s own bytes (which must stay alive), least significant first.
std::string_view SignificantIntegerBytes(const CRYPT_INTEGER_BLOB& integer);

}  // namespace corvane::platform
