#include <map>
#include <mutex>
#include <string>

#include "platform/posix/fault_injection.h"
#include "platform/posix/platform_call.h"

namespace corvane::platform {
namespace {

struct ArmedFault {
  DWORD error;
  int skip;
  int times;  // < 0: unlimited
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

}  // namespace

bool EnterPlatformCall(const char* api) {
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
  const DWORD error = armed.error;
  if (armed.times > 0 && --armed.times == 0) registry.faults.erase(fault);
  SetLastError(error);
  return true;
}

namespace testing {

void ArmFault(const std::string& api, DWORD error, int skip, int times) {
  CallRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  if (times == 0) return;
  registry.faults[api] = ArmedFault{error, skip, times};
}

void ClearFaults() {
  CallRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.faults.clear();
}

uint64_t PlatformCallCount() {
  CallRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  return registry.total;
}

uint64_t PlatformCallCount(const std::string& api) {
  CallRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  auto found = registry.calls.find(api);
  return found == registry.calls.end() ? 0 : found->second;
}

void ResetPlatformCallCount() {
  CallRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.total = 0;
  registry.calls.clear();
}

}  // namespace testing
}  // namespace corvane::platform
