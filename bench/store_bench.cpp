// Cost against the size of the stores: MY, CA and ROOT each holding N more certificates, for each
// of the four operations at 1 KiB, warm (after one call has read what the stores gained) and as
// the first call of a fresh process; beside the OpenSSL API peer with the lookup, warm and
// first call (the peer reads its PEM files in the fresh process; its lookup walks the stores'
// certificates in memory).
// Besides, the cost of opening a store whose folder holds N certificate files, plain files or
// symbolic links to files in another folder (whose identities every call checks), once read.
#include "store_bench.h"

#include <filesystem>
#include <string>

#include "bench_home.h"
#include "platform/platform.h"
#include "export_calls.h"
#include "fresh_process.h"
#include "openssl_peer.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane::bench {
namespace {

constexpr size_t kDataSize = 1024;

OpensslPeer PeerOf(const BenchHome& home) {
  return OpensslPeer(home.signer(), home.key(), home.my(), home.ca(), home.root_store(),
                     home.trusted_folder());
}

void OursWarm(benchmark::State& state, Operation operation) {
  SharedHome().FillStores(static_cast<int>(state.range(0)));
  const std::string input = OurInput(operation, RandomBytes(kDataSize));
  std::string buffer(static_cast<size_t>(std::max(QueryCapacity(operation, input), 0)), '\0');
  if (input.empty() || CallExport(operation, input, buffer) < 0) {
    return state.SkipWithError("export failed");
  }
  for (auto _ : state) {
    if (CallExport(operation, input, buffer) < 0) return state.SkipWithError("export failed");
  }
}

void OpensslWarm(benchmark::State& state, Operation operation) {
  SharedHome().FillStores(static_cast<int>(state.range(0)));
  const OpensslPeer peer = PeerOf(SharedHome());
  const std::string input = peer.InputFor(operation, RandomBytes(kDataSize));
  for (auto _ : state) benchmark::DoNotOptimize(peer.Run(operation, input, true));
}

void FirstCall(benchmark::State& state, Operation operation, Party party) {
  BenchHome& home = SharedHome();
  home.FillStores(static_cast<int>(state.range(0)));
  const std::string data = RandomBytes(kDataSize);
  const auto file = home.root() / "first-call-input";
  testing::WriteFile(file, party == Party::kOurs ? OurInput(operation, data)
                                                 : PeerOf(home).InputFor(operation, data));
  for (auto _ : state) {
    state.SetIterationTime(FirstCallMicroseconds(operation, party, file) / 1e6);
  }
}

// Makes the store `name` with `count` self-signed certificates, each file in its folder or, when
// `linked`, a symbolic link to a file in another folder; once (a benchmark runs more than once).
void MakeStore(const std::string& name, int count, bool linked) {
  const std::filesystem::path targets = SharedHome().root() / "link-targets" / name;
  if (!std::filesystem::create_directories(targets)) return;
  const auto key = testing::TestRsaKey(1);
  for (int index = 0; index < count; ++index) {
    const auto certificate = testing::MakeCertificate(
        {.subject = {{"CN", name + " " + std::to_string(index)}}, .serial_hex = "01"}, key.get(), nullptr, key.get());
    const std::filesystem::path file = testing::InstallCertificate(SharedHome().root(), name, certificate.get());
    if (!linked) continue;
    std::filesystem::rename(file, targets / file.filename());
    std::filesystem::create_symlink(targets / file.filename(), file);
  }
}

void OpenStore(benchmark::State& state, bool linked) {
  const int count = static_cast<int>(state.range(0));
  const std::string name = (linked ? "LINKED" : "PLAIN") + std::to_string(count);
  MakeStore(name, count, linked);
  CertCloseStore(CertOpenSystemStoreA(0, name.c_str()), 0);  // the first reading, not measured
  for (auto _ : state) {
    HCERTSTORE store = CertOpenSystemStoreA(0, name.c_str());
    if (store == nullptr) return state.SkipWithError("the store did not open");
    CertCloseStore(store, 0);
  }
}

}  // namespace

void RegisterStoreBenchmarks(const std::vector<int64_t>& sizes) {
  // The stores only grow, so every size runs all its benchmarks before the next size is filled.
  for (int64_t count : sizes) {
    for (Operation operation : kOperations) {
      const std::string name = std::string("store_") + OperationName(operation);
      benchmark::RegisterBenchmark((name + "/ours").c_str(), OursWarm, operation)
          ->Arg(count)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
      benchmark::RegisterBenchmark((name + "/openssl_api_lookup").c_str(), OpensslWarm, operation)
          ->Arg(count)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
      for (Party party : {Party::kOurs, Party::kOpenssl}) {
        benchmark::RegisterBenchmark(
            (name + (party == Party::kOurs ? "/ours_first_call" : "/openssl_first_call")).c_str(),
            FirstCall, operation, party)
            ->Arg(count)->Unit(benchmark::kMicrosecond)->Iterations(3)->UseManualTime();
      }
    }
  }
  for (int64_t count : {10, 100, 1000}) {
    for (bool linked : {false, true}) {
      benchmark::RegisterBenchmark(linked ? "store_open_linked_files" : "store_open_plain_files", OpenStore, linked)
          ->Arg(count)
          ->Unit(benchmark::kMicrosecond)
          ->MeasureProcessCPUTime();
    }
  }
}

}  // namespace corvane::bench
