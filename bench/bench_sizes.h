// The message sizes every per-message benchmark runs at.
#pragma once

#include <benchmark/benchmark.h>

namespace corvane::bench {

inline void MessageSizes(benchmark::internal::Benchmark* b) {
  for (int64_t size : {int64_t{1} << 10, int64_t{64} << 10, int64_t{1} << 20, int64_t{16} << 20}) {
    b->Arg(size);
  }
  b->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
}

}  // namespace corvane::bench
