#include "fresh_process.h"

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "native_caller.h"
#include "openssl_peer.h"
#include "support/test_home.h"

extern char** environ;

namespace corvane::bench {
namespace {

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

double OwnCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM").
long StatusKib(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  throw std::runtime_error("no " + field + " in /proc/self/status");
}

// Starts the high-water mark of resident memory afresh at the present resident size.
void ResetPeakResidentSize() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

std::filesystem::path StoreRoot() {
  const char* root = std::getenv("CORVANE_HOME");
  if (root == nullptr) throw std::runtime_error("CORVANE_HOME is not set");
  return root;
}

OpensslPeer PeerFromFiles() {
  const std::filesystem::path root = StoreRoot();
  return OpensslPeer::FromFiles(root / "signer.pem", root / "key.pem", root / "trusted-hashed");
}

const char* PartyName(Party party) { return party == Party::kOurs ? "ours" : "openssl"; }

// Runs this program as a child with `args` and reads the number it prints.
double ChildFigure(const std::vector<std::string>& args) {
  std::vector<std::string> argv{std::filesystem::read_symlink("/proc/self/exe").string(), "--child"};
  argv.insert(argv.end(), args.begin(), args.end());
  const std::filesystem::path output = StoreRoot() / "child-figure.txt";
  const ProcessRun run = RunProcess(argv, output);
  double figure = -1;
  std::ifstream(output) >> figure;
  if (run.status != 0 || figure < 0) throw std::runtime_error("the child " + args[0] + " failed");
  return figure;
}

// One small round trip of all four operations: what every call needs is then loaded.
void WarmUp(const OpensslPeer* peer) {
  for (Operation operation : {Operation::kVerify, Operation::kOpen}) {
    const std::string data = "x";
    const std::string output =
        peer != nullptr ? peer->Run(operation, peer->InputFor(operation, data), false)
                        : CallExportTwice(operation, OurInput(operation, data));
    if (output != data) throw std::runtime_error("the round trip failed");
  }
}

double FirstCall(Operation operation, Party party, const std::string& input) {
  const double before = OwnCpuSeconds();
  const std::string output = party == Party::kOurs
                                 ? CallExportTwice(operation, input)
                                 : PeerFromFiles().Run(operation, input, false);
  const double after = OwnCpuSeconds();
  if (output.empty()) throw std::runtime_error("the first call failed");
  return (after - before) * 1e6;
}

double PeakMemory(Operation operation, Party party, const std::string& input, size_t data_size) {
  std::optional<OpensslPeer> peer;
  if (party == Party::kOpenssl) peer.emplace(PeerFromFiles());
  WarmUp(peer ? &*peer : nullptr);
  std::string buffer;
  if (!peer) buffer.assign(static_cast<size_t>(QueryCapacity(operation, input)), '\0');
  malloc_trim(0);
  const long before = StatusKib("VmRSS");
  ResetPeakResidentSize();
  const bool done = peer ? !peer->Run(operation, input, false).empty()
                         : CallExport(operation, input, buffer) >= 0;
  const long peak = StatusKib("VmHWM");
  if (!done) throw std::runtime_error("the call failed");
  return static_cast<double>(peak - before) * 1024 / static_cast<double>(data_size);
}

}  // namespace

ProcessRun RunProcess(const std::vector<std::string>& argv, const std::filesystem::path& output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> pointers;
  for (const std::string& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
  pointers.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ProcessRun run;
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) return run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.cpu_seconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  return run;
}

double FirstCallMicroseconds(Operation operation, Party party, const std::filesystem::path& input) {
  return ChildFigure({"first-call", OperationName(operation), PartyName(party), input.string()});
}

double PeakMemoryRatio(Operation operation, Party party, const std::filesystem::path& input,
                       size_t data_size) {
  return ChildFigure({"peak-memory", OperationName(operation), PartyName(party), input.string(),
                      std::to_string(data_size)});
}

double NativeCallerMicroseconds(Operation operation, const std::filesystem::path& input,
                                int calls) {
  return ChildFigure({"native-caller", OperationName(operation), PartyName(Party::kOurs),
                      input.string(), std::to_string(calls)});
}

int RunChild(const std::vector<std::string>& args) {
  try {
    if (args.size() < 4) {
      throw std::invalid_argument("--child KIND OPERATION PARTY INPUT [SIZE|CALLS]");
    }
    const Operation operation = OperationNamed(args[1]);
    const Party party = args[2] == "ours" ? Party::kOurs : Party::kOpenssl;
    const std::string input = testing::ReadFile(args[3]);
    double figure = 0;
    if (args[0] == "first-call") {
      figure = FirstCall(operation, party, input);
    } else if (args[0] == "peak-memory" && args.size() == 5) {
      figure = PeakMemory(operation, party, input, std::stoul(args[4]));
    } else if (args[0] == "native-caller" && args.size() == 5) {
      figure = TimeNativeCaller(operation, input, std::stoi(args[4]));
    } else {
      throw std::invalid_argument("no child " + args[0]);
    }
    std::printf("%.3f\n", figure);
    return 0;
  } catch (const std::exception& failure) {
    std::cerr << "corvane_bench --child: " << failure.what() << "\n";
    return 1;
  }
}

}  // namespace corvane::bench
