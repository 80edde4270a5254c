#include "platform/posix/fault_injection.h"

#include <map>
#include <mutex>
#include <new>
#include <string_view>

namespace corvane::platform {
namespace {

struct ArmedFault {
  DWORD error;
  int skip;
  int times;  // < 0: unlimited
  bool throws = false;
};

struct CallRegistry {
  std::mutex lock;
  std::map<std::string, ArmedFault, std::less<>> faults;
  std::map<std::string, uint64_t, std::less<>> calls;
  uint64_t total = 0;
};

CallRegistry& Registry() {
  static CallRegistry registry;
  return registry;
}

// The registry, locked, with the seam switched on.
struct SwitchedOnRegistry {
  SwitchedOnRegistry() : guard(Registry().lock) {
    fault_seam_switched_on.store(true, std::memory_order_relaxed);
  }
  CallRegistry* operator->() const { return &Registry(); }
  std::lock_guard<std::mutex> guard;
};

void Arm(const std::string& api, const ArmedFault& fault) {
  if (fault.times == 0) return;
  SwitchedOnRegistry registry;
  registry->faults[api] = fault;
}

}  // namespace

bool EnterWatchedPlatformCall(const char* api) {
  CallRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  ++registry.total;
  ++registry.calls[api];
  auto fault = registry.faults.find(std::string_view(api));
  if (fault == registry.faults.end()) return false;
  ArmedFault& armed = fault->second;
  if (armed.skip > 0) {
    --armed.skip;
    return false;
  }
  const ArmedFault met = armed;
  if (armed.times > 0 && --armed.times == 0) registry.faults.erase(fault);
  if (met.throws) throw std::bad_alloc();
  SetLastError(met.error);
  return true;
}

namespace testing {

void ArmFault(const std::string& api, DWORD error, int skip, int times) {
  Arm(api, ArmedFault{error, skip, times});
}

void ArmThrowingFault(const std::string& api, int skip, int times) {
  Arm(api, ArmedFault{ERROR_NOT_ENOUGH_MEMORY, skip, times, true});
}

void ClearFaults() {
  std::lock_guard<std::mutex> guard(Registry().lock);
  Registry().faults.clear();
}

uint64_t PlatformCallCount() {
  std::lock_guard<std::mutex> guard(Registry().lock);
  return Registry().total;
}

uint64_t PlatformCallCount(const std::string& api) {
  std::lock_guard<std::mutex> guard(Registry().lock);
  const auto found = Registry().calls.find(api);
  return found == Registry().calls.end() ? 0 : found->second;
}

void ResetPlatformCallCount() {
  SwitchedOnRegistry registry;
  registry->total = 0;
  registry->calls.clear();
}

}  // namespace testing
}  // namespace corvane::platform
