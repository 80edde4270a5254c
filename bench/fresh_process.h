// Figures that only a fresh process can give: the cost of the first call (the stores read, the
// library and OpenSSL set up), the peak memory of one call, the CPU time of a whole command, and
// the C caller that the Java binding is measured against, in a process as fresh as the VM's.
// The benchmark program starts itself again with "--child" for all but the command's; the child
// reads the store root from CORVANE_HOME and its input from a file, and prints one number.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "export_calls.h"

namespace corvane::bench {

enum class Party { kOurs, kOpenssl };

struct ProcessRun {
  int status = -1;          // the exit status; -1 when it did not exit normally
  double cpu_seconds = 0;   // user and system time of the process
};

// Runs `argv` (argv[0] a path) with standard input from /dev/null and standard output into
// `output`; standard error is inherited.
ProcessRun RunProcess(const std::vector<std::string>& argv,
                      const std::filesystem::path& output = "/dev/null");

// CPU microseconds of the first call of `operation` in a fresh process, on the input in `input`:
// ours, the export through the two-pass convention; OpenSSL's, the API peer, its reading of the
// signer's certificate, key and trusted certificates from PEM files included.
double FirstCallMicroseconds(Operation operation, Party party, const std::filesystem::path& input);

// The resident memory one call adds at its peak, over `data_size`: the high-water mark less the
// resident size before the call, in a fresh process after a small round trip of all four
// operations, with the input and (for ours) the output buffer of the size query's capacity in
// place beforehand; the peer makes its output itself, and it counts.
double PeakMemoryRatio(Operation operation, Party party, const std::filesystem::path& input,
                       size_t data_size);

// Microseconds per call of the export called as a C caller does, in a fresh process
// (native_caller.h), on the input in `input`.
double NativeCallerMicroseconds(Operation operation, const std::filesystem::path& input, int calls);

// The child's side: `args` follow "--child"; the exit status of the child.
int RunChild(const std::vector<std::string>& args);

}  // namespace corvane::bench
