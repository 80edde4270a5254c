// Whether the process keeps what it parsed from the stores (certificates, revocation lists, keys)
// between calls. On unless CORVANE_CACHE is "off"; read on every call, so a change of the
// variable holds from the next call on.
#pragma once

namespace corvane::platform {

bool StoreCachingEnabled();

}  // namespace corvane::platform
