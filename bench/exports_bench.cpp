// Each export with the base stores, at 1 KiB to 16 MiB, beside:
// - "openssl_api": OpenSSL's PKCS #7 API doing the same work in this process (openssl_peer.h);
// - "openssl_api_lookup": the same plus finding the certificate as the export must;
// - "floor": the physical floor (physical_floor.h);
// - "corvane_command" and "openssl_cms": the whole `corvane` command against the whole
//   `openssl cms` command with the same options, process against process (their CPU time);
// - "peak_memory": the resident memory one call adds at its peak at 16 MiB, over the data.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_home.h"
#include "bench_sizes.h"
#include "export_calls.h"
#include "fresh_process.h"
#include "openssl_peer.h"
#include "physical_floor.h"
#include "support/test_home.h"

namespace corvane::bench {
namespace {

OpensslPeer PeerOf(const BenchHome& home) {
  return OpensslPeer(home.signer(), home.key(), home.my(), home.ca(), home.root_store(),
                     home.trusted_folder());
}

void Ours(benchmark::State& state, Operation operation) {
  SharedHome();
  const std::string input = OurInput(operation, RandomBytes(static_cast<size_t>(state.range(0))));
  std::string buffer(static_cast<size_t>(std::max(QueryCapacity(operation, input), 0)), '\0');
  if (input.empty() || CallExport(operation, input, buffer) < 0) {
    return state.SkipWithError("export failed");
  }
  for (auto _ : state) benchmark::DoNotOptimize(CallExport(operation, input, buffer));
}

void OpensslApi(benchmark::State& state, Operation operation, bool lookup) {
  const OpensslPeer peer = PeerOf(SharedHome());
  const std::string input = peer.InputFor(operation, RandomBytes(static_cast<size_t>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(peer.Run(operation, input, lookup));
}

void Floor(benchmark::State& state, Operation operation) {
  const std::string data = RandomBytes(static_cast<size_t>(state.range(0)));
  PhysicalFloor floor(SharedHome().key(), data);
  for (auto _ : state) floor.Run(operation);
}

// The command lines of both parties. Verification and opening read the message that the same
// party's command made; their output goes to /dev/null, the messages to files.
struct Commands {
  std::vector<std::string> make;  // makes the input of verification and opening
  std::vector<std::string> run;
  std::filesystem::path output = "/dev/null";
};

Commands CommandsFor(Operation operation, Party party, const std::filesystem::path& data) {
  const BenchHome& home = SharedHome();
  const std::string tool = testing::ToolPath();
  const std::string signed_text = (home.root() / "signed.txt").string();
  const std::string enveloped_text = (home.root() / "enveloped.txt").string();
  const std::string in = data.string();
  const std::vector<std::string> legacy = {"-provider", "legacy", "-provider", "default"};
  std::vector<std::string> sign, verify, envelope, open;
  if (party == Party::kOurs) {
    sign = {tool, "sign", "--serial", kSignerSerial, "--in", in, "--out", signed_text};
    verify = {tool, "verify", "--in", signed_text};
    envelope = {tool, "encrypt", "--serial", kSignerSerial, "--in", in, "--out", enveloped_text};
    open = {tool, "decrypt", "--in", enveloped_text};
  } else {
    sign = {"/usr/bin/openssl", "cms", "-sign", "-binary", "-nodetach", "-noattr", "-md", "sha1",
            "-in", in, "-signer", home.signer_pem().string(), "-inkey", home.key_pem().string(),
            "-outform", "PEM", "-out", signed_text};
    verify = {"/usr/bin/openssl", "cms", "-verify", "-binary", "-inform", "PEM", "-in", signed_text,
              "-CAfile", home.trusted_pem().string(), "-out", "/dev/null"};
    envelope = {"/usr/bin/openssl", "cms", "-encrypt", "-binary", "-rc4", "-in", in, "-outform",
                "PEM", "-out", enveloped_text, home.signer_pem().string()};
    open = {"/usr/bin/openssl", "cms", "-decrypt", "-binary", "-inform", "PEM", "-in",
            enveloped_text, "-recip", home.signer_pem().string(), "-inkey",
            home.key_pem().string(), "-out", "/dev/null"};
    envelope.insert(envelope.begin() + 2, legacy.begin(), legacy.end());
    open.insert(open.begin() + 2, legacy.begin(), legacy.end());
  }
  switch (operation) {
    case Operation::kSign:
      return {{}, sign};
    case Operation::kVerify:
      return {sign, verify};
    case Operation::kEnvelope:
      return {{}, envelope};
    case Operation::kOpen:
      return {envelope, open};
  }
  return {};
}

void Command(benchmark::State& state, Operation operation, Party party) {
  const auto data = SharedHome().root() / "data.bin";
  testing::WriteFile(data, RandomBytes(static_cast<size_t>(state.range(0))));
  const Commands commands = CommandsFor(operation, party, data);
  if (!commands.make.empty() && RunProcess(commands.make).status != 0) {
    return state.SkipWithError("the command making the input failed");
  }
  for (auto _ : state) {
    const ProcessRun run = RunProcess(commands.run, commands.output);
    if (run.status != 0) return state.SkipWithError("the command failed");
    state.SetIterationTime(run.cpu_seconds);
  }
}

void PeakMemory(benchmark::State& state, Party party) {
  const BenchHome& home = SharedHome();
  const auto operation = static_cast<Operation>(state.range(0));
  const size_t size = size_t{16} << 20;
  const std::string data = RandomBytes(size);
  const std::string input = party == Party::kOurs ? OurInput(operation, data)
                                                  : PeerOf(home).InputFor(operation, data);
  const auto file = home.root() / "peak-memory-input";
  testing::WriteFile(file, input);
  double ratio = 0;
  for (auto _ : state) ratio = PeakMemoryRatio(operation, party, file, size);
  state.counters["peak_per_data"] = ratio;
}

void RegisterPeakMemory(Party party, const char* name) {
  auto* benchmark = benchmark::RegisterBenchmark(name, PeakMemory, party);
  for (Operation operation : kOperations) benchmark->Arg(static_cast<int64_t>(operation));
  benchmark->Iterations(1);
}

#define CORVANE_EXPORT_BENCH(name, operation)                                                    \
  BENCHMARK_CAPTURE(Ours, name, operation)->Name(#name "/ours")->Apply(MessageSizes);             \
  BENCHMARK_CAPTURE(OpensslApi, name, operation, false)                                          \
      ->Name(#name "/openssl_api")->Apply(MessageSizes);                                         \
  BENCHMARK_CAPTURE(OpensslApi, name, operation, true)                                           \
      ->Name(#name "/openssl_api_lookup")->Apply(MessageSizes);                                  \
  BENCHMARK_CAPTURE(Floor, name, operation)->Name(#name "/floor")->Apply(MessageSizes);          \
  BENCHMARK_CAPTURE(Command, name, operation, Party::kOurs)                                      \
      ->Name(#name "/corvane_command")->Apply(MessageSizes)->UseManualTime();                    \
  BENCHMARK_CAPTURE(Command, name, operation, Party::kOpenssl)                                   \
      ->Name(#name "/openssl_cms")->Apply(MessageSizes)->UseManualTime()

CORVANE_EXPORT_BENCH(sign, Operation::kSign);
CORVANE_EXPORT_BENCH(verify, Operation::kVerify);
CORVANE_EXPORT_BENCH(envelope, Operation::kEnvelope);
CORVANE_EXPORT_BENCH(open, Operation::kOpen);

const bool kPeakMemoryRegistered = (RegisterPeakMemory(Party::kOurs, "peak_memory/ours"),
                                    RegisterPeakMemory(Party::kOpenssl, "peak_memory/openssl_api"),
                                    true);

}  // namespace
}  // namespace corvane::bench
