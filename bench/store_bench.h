// The store-scaling benchmarks, registered after the others (they grow the shared stores).
#pragma once

#include <benchmark/benchmark.h>

namespace corvane::bench {

void RegisterStoreBenchmarks();

}  // namespace corvane::bench
