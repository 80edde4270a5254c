// The store-size benchmarks, registered after the others (they grow the shared stores).
#pragma once

#include <benchmark/benchmark.h>

#include <vector>

namespace corvane::bench {

// `sizes`: the numbers of certificates added to each of MY, CA and ROOT, in increasing order.
void RegisterStoreBenchmarks(const std::vector<int64_t>& sizes);

}  // namespace corvane::bench
