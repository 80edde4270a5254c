// The Java binding against the native export at 1 MiB, for the two entry points that need no
// chooser (verification of an attached message, opening). Both sides run in a fresh process of
// their own by one protocol (warm-up calls, then the median of five batches, process CPU time per
// call): the native figure is a C caller's whole two-pass call (size query, a buffer of that
// capacity, the call; native_caller.h), the Java figure the entry point called from Java
// (bench/java/BindingBench.java, in a child VM, its garbage collection included).
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "bench_home.h"
#include "export_calls.h"
#include "fresh_process.h"
#include "support/test_home.h"

namespace corvane::bench {
namespace {

constexpr int64_t kSize = int64_t{1} << 20;
// Calls to warm up, and in each of the five batches.
constexpr int kCalls = 400;

double JavaMicroseconds(Operation operation, const std::filesystem::path& input) {
  const auto output = SharedHome().root() / "binding-figure.txt";
  const ProcessRun run = RunProcess({CORVANE_BENCH_JAVA, "-Djava.library.path=" CORVANE_BENCH_LIBRARY_DIR,
                                     "-cp", CORVANE_BENCH_CLASS_PATH, "BindingBench",
                                     OperationName(operation), input.string(),
                                     std::to_string(kCalls)},
                                    output);
  double microseconds = -1;
  std::ifstream(output) >> microseconds;
  return run.status == 0 ? microseconds : -1;
}

// The argument is the operation; `java` picks the side.
void Binding(benchmark::State& state, bool java) {
  const auto operation = static_cast<Operation>(state.range(0));
  const auto input = SharedHome().root() / "binding-input";
  testing::WriteFile(input, OurInput(operation, RandomBytes(kSize)));
  for (auto _ : state) {
    const double microseconds = java ? JavaMicroseconds(operation, input)
                                     : NativeCallerMicroseconds(operation, input, kCalls);
    if (microseconds <= 0) return state.SkipWithError("the child process failed");
    state.SetIterationTime(microseconds / 1e6);
  }
}

void Register(const char* name, bool java) {
  benchmark::RegisterBenchmark(name, Binding, java)
      ->Arg(static_cast<int64_t>(Operation::kVerify))
      ->Arg(static_cast<int64_t>(Operation::kOpen))
      ->Unit(benchmark::kMicrosecond)
      ->Iterations(1)
      ->UseManualTime();
}

const bool kRegistered =
    (Register("java_binding/ours", false), Register("java_binding/java", true), true);

}  // namespace
}  // namespace corvane::bench
