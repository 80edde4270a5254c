// Test-only control of the platform layer's fault-injection seam. The shipped library never
// arms a fault; tests link the platform layer statically and arm faults to drive the operation
// code down its failure paths through the real exports.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace corvane::platform::testing {

// Makes entry point `api` fail with `error` on its calls number skip+1 .. skip+times (counted
// from now; times < 0 means every call from then on).
void ArmFault(const std::string& api, DWORD error, int skip = 0, int times = 1);
void ClearFaults();

// Number of calls into platform entry points since the last reset, and per entry point.
uint64_t PlatformCallCount();
uint64_t PlatformCallCount(const std::string& api);
void ResetPlatformCallCount();

}  // namespace corvane::platform::testing
