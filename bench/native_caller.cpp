#include "native_caller.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <memory>
#include <stdexcept>

namespace corvane::bench {
namespace {

double ProcessCpuMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

void CallAsCCallerDoes(Operation operation, const std::string& input) {
  const int32_t capacity = QueryCapacity(operation, input);
  if (capacity < 0) throw std::runtime_error("the size query failed");
  const std::unique_ptr<char[]> output(new char[static_cast<size_t>(capacity) + 1]);
  int32_t length = capacity;
  if (CallExportInto(operation, input, output.get(), &length) != 0) {
    throw std::runtime_error("the export failed");
  }
}

}  // namespace

double TimeNativeCaller(Operation operation, const std::string& input, int calls) {
  for (int i = 0; i < calls; ++i) CallAsCCallerDoes(operation, input);
  std::array<double, 5> per_call{};
  for (double& batch : per_call) {
    const double before = ProcessCpuMicroseconds();
    for (int i = 0; i < calls; ++i) CallAsCCallerDoes(operation, input);
    batch = (ProcessCpuMicroseconds() - before) / calls;
  }
  std::sort(per_call.begin(), per_call.end());
  return per_call[per_call.size() / 2];
}

}  // namespace corvane::bench
