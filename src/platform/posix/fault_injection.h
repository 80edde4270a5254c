// The fault-injection seam of the platform entry points and its test-only controls.
//
// Every entry point asks FailsByInjection (through PLATFORM_ENTRY, platform_call.h) whether to
// fail. Until a test switches the seam on, by arming a fault or by resetting the call counts, the
// answer is one relaxed load of a flag: the shipped library takes no lock and keeps no count.
// Once on (for the rest of the process), every entry point is counted and meets its armed fault
// under one lock. Tests link the platform layer statically and arm faults to drive the operation
// code down its failure paths through the real exports.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace corvane::platform {

// Set by the test controls below; never by the library itself.
inline std::atomic<bool> fault_seam_switched_on{false};

// The watched path of FailsByInjection: counts the call and reports whether a fault armed for
// `api` fails it (the armed error is then the last error), or throws what an armed fault throws.
bool EnterWatchedPlatformCall(const char* api);

// True when entry point `api` is to fail at once with the error it has set as the last error.
inline bool FailsByInjection(const char* api) {
  return fault_seam_switched_on.load(std::memory_order_relaxed) && EnterWatchedPlatformCall(api);
}

namespace testing {

// Makes entry point `api` fail with `error` on its calls number skip+1 .. skip+times (counted
// from now; times < 0 means every call from then on). Switches the seam on.
void ArmFault(const std::string& api, DWORD error, int skip = 0, int times = 1);
// As ArmFault, but the call throws std::bad_alloc, as an allocation inside it would, and so
// leaves at once (not for the entry points that take over an argument, PLATFORM_ENTRY_RELEASING).
void ArmThrowingFault(const std::string& api, int skip = 0, int times = 1);
void ClearFaults();

// Number of calls into platform entry points since the last reset, and per entry point. Calls
// are counted from the first reset (or armed fault) on.
uint64_t PlatformCallCount();
uint64_t PlatformCallCount(const std::string& api);
void ResetPlatformCallCount();

}  // namespace testing
}  // namespace corvane::platform
