#include "platform/posix/ui/ui_child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

extern char** environ;

namespace corvane::platform {
namespace {

std::string_view VariableName(std::string_view assignment) {
  return assignment.substr(0, assignment.find('='));
}

std::vector<std::string> ChildEnvironment(const std::vector<std::string>& overrides) {
  std::vector<std::string> environment;
  for (char** variable = environ; variable && *variable; ++variable) {
    bool overridden = false;
    for (const std::string& assignment : overrides) {
      overridden = overridden || VariableName(*variable) == VariableName(assignment);
    }
    if (!overridden) environment.emplace_back(*variable);
  }
  environment.insert(environment.end(), overrides.begin(), overrides.end());
  return environment;
}

// The null-terminated pointer array that exec wants; the strings must outlive it.
std::vector<char*> PointersTo(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Spawns the child with its standard output on `output_fd`; false when it cannot be started.
// Throws nothing: `argv` and `envp` are the null-terminated arrays exec wants, made before.
bool Spawn(const std::string& program, char* const* argv, char* const* envp, int output_fd,
           pid_t* pid) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return false;
  }
  sigset_t all_signals;
  sigset_t no_signals;
  sigfillset(&all_signals);
  sigemptyset(&no_signals);
  const bool prepared =
      posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
      posix_spawn_file_actions_adddup2(&actions, output_fd, STDOUT_FILENO) == 0 &&
      posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
      // Descriptors the host left inheritable are none of the tool's business.
      posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1) == 0 &&
      posix_spawnattr_setsigdefault(&attributes, &all_signals) == 0 &&
      posix_spawnattr_setsigmask(&attributes, &no_signals) == 0 &&
      posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK) == 0;
  const bool started =
      prepared && posix_spawn(pid, program.c_str(), &actions, &attributes, argv, envp) == 0;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return started;
}

// Reads `fd` to its end into `output`, keeping its first kMaxChildOutput bytes: within the room
// `output` reserved for them, so nothing is allocated.
void ReadAll(int fd, std::string& output) {
  char chunk[4096];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    const size_t room = kMaxChildOutput - output.size();
    output.append(chunk, std::min(static_cast<size_t>(got), room));
  }
}

}  // namespace

ChildExit RunChildAndWait(const std::string& program, const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment_overrides) {
  // Everything the call allocates is had before the pipe and the child exist: running out of
  // memory (an exception) can then never leave a dialog on the screen that nobody waits for.
  ChildExit result;
  result.output.reserve(kMaxChildOutput);
  std::vector<std::string> argument_texts = arguments;
  std::vector<std::string> environment = ChildEnvironment(environment_overrides);
  const std::vector<char*> argv = PointersTo(argument_texts);
  const std::vector<char*> envp = PointersTo(environment);
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return result;
  pid_t pid = 0;
  const bool started = Spawn(program, argv.data(), envp.data(), pipe_fds[1], &pid);
  close(pipe_fds[1]);
  if (started) ReadAll(pipe_fds[0], result.output);
  close(pipe_fds[0]);
  if (!started) return result;

  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited == pid && WIFEXITED(status)) {
    result.exited = true;
    result.status = WEXITSTATUS(status);
  } else if (waited < 0 && errno == ECHILD) {
    // The host ignores SIGCHLD, so the system reaped the tool without telling us how it ended.
    // What it printed still tells: a row means OK with it; nothing means Cancel (for a chooser,
    // OK without a row comes to the same: no certificate).
    result.exited = true;
    result.status = result.output.empty() ? 1 : 0;
  }
  return result;
}

}  // namespace corvane::platform
