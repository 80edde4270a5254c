// Bytes as upper-case hexadecimal text, two digits a byte, no separators: the one hex encoder of
// the platform layer (thumbprints, names shown as "#" and their encoding, serial digits).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane::platform {

std::string UpperHex(const uint8_t* bytes, size_t size);

}  // namespace corvane::platform
