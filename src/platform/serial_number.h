// Serial numbers as the platform holds them (CERT_INFO::SerialNumber, CRYPT_INTEGER_BLOB): least
// significant byte first, the reverse of the order in which DER and hex text write them.
#pragma once

#include <algorithm>
#include <cstddef>

#include "platform/platform.h"

namespace corvane::platform {

// Copies `size` bytes of a serial number from one order into the other (the step is the same
// both ways). The two ranges must not overlap.
inline void ReverseSerialBytes(const BYTE* from, size_t size, BYTE* to) {
  std::reverse_copy(from, from + size, to);
}

}  // namespace corvane::platform
