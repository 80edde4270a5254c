// Cost against the size of the stores: MY, CA and ROOT each holding N more certificates, for a
// whole signing call by serial number (1 KiB), for the lookup alone (open MY, find by serial), and
// for a whole verification (1 KiB, attached), whose chain draws on CA and ROOT. Each is measured
// after one call has read what the stores gained (docs/performance.md says what that first call
// costs).
// Besides, the cost of opening a store whose folder holds N certificate files, plain files or
// symbolic links to files in another folder (whose identities every call checks), once read.
#include "store_bench.h"

#include <filesystem>
#include <string>

#include "bench_home.h"
#include "certs/certificate_search.h"
#include "corvane.h"
#include "support/test_pki.h"

namespace corvane::bench {
namespace {

const std::string kData(1024, 'x');

// Signs kData into `output`, whose size is the capacity offered; the text's length on success.
int32_t Sign(std::string& output) {
  auto length = static_cast<int32_t>(output.size());
  return generateSingleSignedMsgBySN(kData.data(), 1024, 0, kSignerSerial, 4, output.data(),
                                     &length) == 0 ? length : -1;
}

// A buffer of the size query's answer, after one signing call: the first call after the stores
// grew reads what is new in them, a cost of its own, once, that is not measured.
std::string WarmedBuffer() {
  int32_t capacity = 0;
  generateSingleSignedMsgBySN(kData.data(), 1024, 0, kSignerSerial, 4, nullptr, &capacity);
  std::string buffer(static_cast<size_t>(capacity), '\0');
  Sign(buffer);
  return buffer;
}

void SignBySerial(benchmark::State& state) {
  SharedHome().FillStores(static_cast<int>(state.range(0)));
  std::string output = WarmedBuffer();
  for (auto _ : state) {
    if (Sign(output) < 0) return state.SkipWithError("signing failed");
  }
}

void Verify(benchmark::State& state) {
  SharedHome().FillStores(static_cast<int>(state.range(0)));
  std::string text = WarmedBuffer();
  const int32_t length = Sign(text);
  if (length < 0) return state.SkipWithError("signing failed");
  text.resize(static_cast<size_t>(length));
  std::string content(text.size(), '\0');
  int32_t first = static_cast<int32_t>(content.size());
  verifySingleSignedMsg(text.data(), static_cast<int32_t>(text.size()), content.data(), &first);
  for (auto _ : state) {
    int32_t content_length = static_cast<int32_t>(content.size());
    if (verifySingleSignedMsg(text.data(), static_cast<int32_t>(text.size()), content.data(),
                              &content_length) != 0) {
      return state.SkipWithError("verification failed");
    }
  }
}

// How many certificates of MY a search by the signer's serial number goes through: the fillers
// and the signer are made with new keys and times in every run, so where the signer falls in the
// thumbprint order (and with it the cost of a lookup) changes from run to run.
double CertificatesBeforeTheSigner() {
  HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
  PCCERT_CONTEXT found = certs::FindCertificateBySerial(&store, 1, kSignerSerial, 4, certs::kFixedIssuerText);
  double count = 0;
  for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c)) != nullptr;) {
    ++count;
    if (found != nullptr && c->pbCertEncoded == found->pbCertEncoded) {
      CertFreeCertificateContext(c);
      break;
    }
  }
  CertFreeCertificateContext(found);
  CertCloseStore(store, 0);
  return count;
}

void Lookup(benchmark::State& state) {
  SharedHome().FillStores(static_cast<int>(state.range(0)));
  const double enumerated = CertificatesBeforeTheSigner();
  state.counters["enumerated"] = enumerated;
  state.counters["per_certificate"] = benchmark::Counter(
      enumerated, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  for (auto _ : state) {
    HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
    PCCERT_CONTEXT found = certs::FindCertificateBySerial(&store, 1, kSignerSerial, 4,
                                                          certs::kFixedIssuerText);
    if (found == nullptr) return state.SkipWithError("not found");
    CertFreeCertificateContext(found);
    CertCloseStore(store, 0);
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

void RegisterStoreBenchmarks() {
  // The stores only grow, so every size runs all three benchmarks before the next size is filled.
  for (int64_t count : {10, 100, 1000, 10000}) {
    for (auto [name, function] : {std::pair{"store_sign_by_serial", &SignBySerial},
                                  std::pair{"store_lookup", &Lookup},
                                  std::pair{"store_verify", &Verify}}) {
      benchmark::RegisterBenchmark(name, function)
          ->Arg(count)
          ->Unit(benchmark::kMicrosecond)
          ->MeasureProcessCPUTime();
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
