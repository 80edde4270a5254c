// Running a dialog tool as a child process and waiting for it.
#pragma once

#include <string>
#include <vector>

namespace corvane::platform {

struct ChildExit {
  bool exited = false;  // started and ended by exit (not by a signal)
  int status = -1;      // its exit status when it exited
  std::string output;   // its standard output (the first kMaxChildOutput bytes)
};

inline constexpr size_t kMaxChildOutput = 64 * 1024;

// Runs `program` (a path) with the arguments (argv[0] is the program's path) and waits until it
// ends. No shell is involved. The child gets /dev/null as standard input and standard error, a
// pipe as standard output and no other descriptor, this process's environment with
// `environment_overrides` ("NAME=value") replacing any variables of the same names, and every
// signal at its default disposition.
ChildExit RunChildAndWait(const std::string& program, const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment_overrides);

}  // namespace corvane::platform
