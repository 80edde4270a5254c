// The one checked-call idiom of the platform layer and the fault-injection seam.
//
// Every platform entry point starts with PLATFORM_ENTRY(name) (or PLATFORM_ENTRY_RELEASING): when
// a test has armed a fault for that entry point (fault_injection.h), it fails the call at once
// with the armed GetLastError value, exactly as the real call would fail; otherwise it costs one
// load of a flag. Inside an entry point, PLATFORM_ENSURE(cond, err) fails the call with `err`
// unless `cond` holds. Both return the value-initialised result (FALSE, a null handle or 0), which
// is how every Windows function of the subset signals failure.
#pragma once

#include "platform/platform.h"
#include "platform/posix/fault_injection.h"
#include "platform/posix/status.h"

#define PLATFORM_ENTRY(api)                                    \
  do {                                                         \
    if (::corvane::platform::FailsByInjection(api)) return {}; \
  } while (0)

// PLATFORM_ENTRY for an entry point that takes over an argument on every path, its failures
// included (the `previous` context of enumeration and search): `release` runs before an armed
// fault fails the call, as it would before any real failure.
#define PLATFORM_ENTRY_RELEASING(api, release)                    \
  do {                                                            \
    if (::corvane::platform::FailsByInjection(api)) {             \
      release;                                                    \
      return {};                                                  \
    }                                                             \
  } while (0)

// PLATFORM_ENSURE for a step's Status (status.h): fails the call with its error unless it is ok.
#define PLATFORM_ENSURE_OK(step)                         \
  do {                                                   \
    const ::corvane::platform::Status status_ = (step); \
    if (!status_.ok()) {                                 \
      SetLastError(status_.error());                     \
      return {};                                         \
    }                                                    \
  } while (0)

#define PLATFORM_ENSURE(cond, error) \
  do {                               \
    if (!(cond)) {                   \
      SetLastError(error);           \
      return {};                     \
    }                                \
  } while (0)
