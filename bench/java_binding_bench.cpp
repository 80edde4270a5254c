// The Java binding against the native export at 1 MiB, for the two entry points that need no
// chooser (verification of an attached message, opening): the native figure is a C caller's
// whole two-pass call (size query, a buffer of that capacity, the call), the Java figure the
// entry point called from Java (bench/java/BindingBench.java, in a child VM), both process CPU
// time per call.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>

#include "bench_home.h"
#include "export_calls.h"
#include "fresh_process.h"
#include "support/test_home.h"

namespace corvane::bench {
namespace {

constexpr int64_t kSize = int64_t{1} << 20;

void Native(benchmark::State& state) {
  SharedHome();
  const auto operation = static_cast<Operation>(state.range(0));
  const std::string input = OurInput(operation, RandomBytes(kSize));
  for (auto _ : state) {
    const int32_t capacity = QueryCapacity(operation, input);
    const std::unique_ptr<char[]> output(new char[static_cast<size_t>(capacity) + 1]);
    auto length = capacity;
    if (CallExportInto(operation, input, output.get(), &length) != 0) {
      return state.SkipWithError("export failed");
    }
  }
}

void Java(benchmark::State& state) {
  const BenchHome& home = SharedHome();
  const auto operation = static_cast<Operation>(state.range(0));
  const auto file = home.root() / "binding-input";
  testing::WriteFile(file, OurInput(operation, RandomBytes(kSize)));
  const auto output = home.root() / "binding-figure.txt";
  for (auto _ : state) {
    const ProcessRun run = RunProcess({CORVANE_BENCH_JAVA, "-Djava.library.path=" CORVANE_BENCH_LIBRARY_DIR,
                                       "-cp", CORVANE_BENCH_CLASS_PATH, "BindingBench",
                                       OperationName(operation), file.string(), "400"},
                                      output);
    double microseconds = -1;
    std::ifstream(output) >> microseconds;
    if (run.status != 0 || microseconds <= 0) return state.SkipWithError("the Java program failed");
    state.SetIterationTime(microseconds / 1e6);
  }
}

// The argument is the operation.
BENCHMARK(Native)->Name("java_binding/ours")->Arg(static_cast<int64_t>(Operation::kVerify))
    ->Arg(static_cast<int64_t>(Operation::kOpen))->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();
BENCHMARK(Java)->Name("java_binding/java")->Arg(static_cast<int64_t>(Operation::kVerify))
    ->Arg(static_cast<int64_t>(Operation::kOpen))->Unit(benchmark::kMicrosecond)
    ->Iterations(1)->UseManualTime();

}  // namespace
}  // namespace corvane::bench
