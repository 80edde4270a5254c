// A message's algorithm this layer does not have: the Windows error, and the algorithm's name in
// the failure detail (failure_detail.h), so that a person learns it is not supported rather than
// broken.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/posix/status.h"

namespace corvane::platform {

// The failure `error`, with "<role> <name> (<dotted oid>) is not supported" as the detail; the name
// is OpenSSL's long name of the identifier, or the identifier alone when it has none.
Status UnsupportedAlgorithm(std::string_view role, const std::string& dotted_oid, DWORD error);

}  // namespace corvane::platform
