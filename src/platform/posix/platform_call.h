// The one checked-call idiom of the platform layer and the fault-injection seam.
//
// Every platform entry point starts with PLATFORM_ENTRY(name) (or PLATFORM_ENTRY_RELEASING): it
// counts the call and, when a test has armed a fault for that entry point, fails it at once with
// the armed GetLastError value, exactly as the real call would fail. Inside an entry point,
// PLATFORM_ENSURE(cond, err) fails the call with `err` unless `cond` holds. Both return the
// value-initialised result (FALSE, a null handle or 0), which is how every Windows function of the
// subset signals failure.
#pragma once

#include "platform/platform.h"

namespace corvane::platform {

// True when a fault is armed for `api`; it has then set the armed error as the last error.
bool EnterPlatformCall(const char* api);

}  // namespace corvane::platform

#define PLATFORM_ENTRY(api)                                 \
  do {                                                      \
    if (::corvane::platform::EnterPlatformCall(api)) return {}; \
  } while (0)

// PLATFORM_ENTRY for an entry point that takes over an argument on every path, its failures
// included (the `previous` context of enumeration and search): `release` runs before an armed
// fault fails the call, as it would before any real failure.
#define PLATFORM_ENTRY_RELEASING(api, release)                    \
  do {                                                            \
    if (::corvane::platform::EnterPlatformCall(api)) {            \
      release;                                                    \
      return {};                                                  \
    }                                                             \
  } while (0)

#define PLATFORM_ENSURE(cond, error) \
  do {                               \
    if (!(cond)) {                   \
      SetLastError(error);           \
      return {};                     \
    }                                \
  } while (0)
