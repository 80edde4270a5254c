// The C caller that the Java binding is measured against (java_binding_bench.cpp), run in a fresh
// process by the same protocol as bench/java/BindingBench.java: the export called as a C caller
// does (size query, a buffer of that capacity, the call) `calls` times to warm up, then five
// batches of `calls`, the median batch's process CPU time per call.
#pragma once

#include <string>

#include "export_calls.h"

namespace corvane::bench {

// Microseconds per call; throws when a call fails.
double TimeNativeCaller(Operation operation, const std::string& input, int calls);

}  // namespace corvane::bench
