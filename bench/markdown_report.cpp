#include "markdown_report.h"

#include <openssl/crypto.h>
#include <sys/utsname.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "export_calls.h"

namespace corvane::bench {
namespace {

constexpr const char* kMethod = R"(## Method

- **Ours** is the export, called in this process through the two-pass convention's second call
  (the buffer sized by the size query beforehand): signing and enveloping by serial number
  (`generateSingleSignedMsgBySN`, `composeSingleEnvelopedMsgBySN`; no chooser), verification of
  an attached message, opening. Base64 text in and out.
- **API** is OpenSSL's PKCS #7 API doing exactly the export's work in this process, with the same
  key and certificates: `PKCS7_sign` with SHA-1, `PKCS7_NOATTR` and only the signer's
  certificate; `PKCS7_verify` against an `X509_STORE` of the certificates of ROOT and CA, which
  it reads from a hashed directory as it needs them (as `openssl rehash` lays them out; adding
  them with `X509_STORE_add_cert` sorts the store's list at every addition: 20,000 took 491 s);
  `PKCS7_encrypt` with RC4-128; `PKCS7_decrypt`; Base64 in and out with OpenSSL's line-breaking
  codec (`EVP_EncodeUpdate`, `EVP_DecodeUpdate`) on both sides. **API+L** adds the certificate
  lookup the export must make: `X509_find_by_issuer_and_serial` over the certificates of MY
  (signing, from the serial number's text), of CA then ROOT (enveloping), of MY by the issuer and
  serial number the message names (opening); verification has no lookup (API+L = API). The
  ratio that counts is ours over API+L.
- **Floor** is the physical floor: the work no implementation can leave out, with the fastest
  means at hand and no allocation. Signing: SHA-1 of the data, one RSA signature, Base64 of data
  and signature. Verification: Base64 decoding, SHA-1, one RSA verification. Enveloping: RC4 over
  the data, one RSA encryption of the key, Base64. Opening: Base64 decoding, one RSA decryption,
  RC4. What a column stands above it is what ASN.1, certificates, the chain and copies cost.
- **`corvane`** and **`openssl cms`** are whole processes, start-up included, each run with the
  same work on files: `corvane sign|encrypt --serial 12AB --in DATA --out FILE`, `corvane
  verify|decrypt --in FILE` (standard output to /dev/null) against `openssl cms -sign -binary
  -nodetach -noattr -md sha1 -signer -inkey -outform PEM -out FILE`, `-verify -binary -inform PEM
  -CAfile` (the certificates of ROOT and CA) `-out /dev/null`, `-encrypt -binary -rc4`, `-decrypt
  -binary -recip -inkey -out /dev/null` (RC4 from OpenSSL's legacy provider). Verification and
  opening read the message the same party's command made. The figure is the CPU time of the
  process (user and system), taken by `wait4`; the wall time a command spends waiting for the
  disk is not in it (`docs/performance.md` gives the cost of flushing the output).
- **Store sizes**: MY, CA and ROOT each hold N more certificates (all issued by the one CA, one
  subject key for all); the four operations at 1 KiB. *Warm* is a call in this process after one
  call has read what the stores gained. *First call* is the first call of a fresh process (this
  program started again), its CPU time from before the call to after it: the stores read, the
  library and OpenSSL set up. OpenSSL's first call is the API peer without the lookup in a fresh
  process reading the signer's certificate and key from PEM files and the trusted certificates
  from the hashed directory, as a program built on OpenSSL would.
- **Peak memory**: the resident memory one call at 16 MiB adds at its peak, over the data's size:
  the high-water mark (`VmHWM`, started afresh through `/proc/self/clear_refs`) less the resident
  size just before the call, in a fresh process after a small round trip of all four operations,
  with the caller's input in place and, for ours, its output buffer of the size query's capacity
  allocated and written beforehand. The peer makes its output itself, and that counts.
- **Java binding**: the entry points that need no chooser (`JNIVerifyAttachedMsg`,
  `JNIDecryptMsg`) called from Java at 1 MiB (`bench/java/BindingBench.java`, in a child VM,
  garbage collection included) against the native export called as a C caller does (size query,
  a buffer of that capacity, the call; `bench/native_caller.cpp`, in a child process of its own).
  Both sides: 400 calls to warm up, then the median of five batches of 400, process CPU time.
- Times are process CPU time per call, the median of the repetitions (`./dev bench` runs three),
  so that other work on a shared machine disturbs them less; still, treat differences under
  about 10% as noise. Ratios are ours over the peer's: below 1 is faster than the peer.
)";

std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  }
  return "unknown CPU";
}

// The load averages (1, 5, 15 minutes) when the report is written: how busy the machine was.
std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + ", " + five + ", " + fifteen;
}

std::string Format(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string SizeText(long long size) {
  if (size >= (1 << 20)) return std::to_string(size >> 20) + " MiB";
  return std::to_string(size >> 10) + " KiB";
}

// A time, or a dash when it was not measured.
std::string Time(double value) { return value > 0 ? Format(value < 100 ? "%.1f" : "%.0f", value) : "–"; }

// Our figure over the peer's, or a dash when either did not run.
std::string Ratio(double ours, double peer) {
  return ours > 0 && peer > 0 ? Format("%.2f×", ours / peer) : "–";
}

const std::map<std::string, std::string> kTitles = {
    {"base64_encode", "Base64 encoding (ours against `EVP_EncodeBlock`)"},
    {"base64_decode", "Base64 decoding (ours against `EVP_DecodeBlock`)"},
    {"sign", "Signing by serial number, attached, base stores"},
    {"verify", "Verification of an attached message, base stores"},
    {"envelope", "Enveloping with RC4-128 by serial number, base stores"},
    {"open", "Opening an envelope, base stores"},
    {"peak_memory", "Peak memory of one call at 16 MiB"},
    {"java_binding", "The Java binding against the native export at 1 MiB"},
    {"store_sign", "Signing by serial number against store size (1 KiB)"},
    {"store_verify", "Verification against store size (1 KiB)"},
    {"store_envelope", "Enveloping by serial number against store size (1 KiB)"},
    {"store_open", "Opening against store size (1 KiB)"},
    {"store_open_plain_files", "Opening a store of N plain certificate files, once read"},
    {"store_open_linked_files", "Opening a store of N linked certificate files, once read"},
};

}  // namespace

void MarkdownReport::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.error_occurred) continue;
    if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
    if (run.run_type == Run::RT_Iteration && run.repetitions > 1) continue;
    const std::string& name = run.run_name.function_name;
    const auto slash = name.find('/');
    const std::string group = name.substr(0, slash);
    const std::string party = slash == std::string::npos ? "ours" : name.substr(slash + 1);
    if (figures_.find(group) == figures_.end()) groups_.push_back(group);
    Figure& figure = figures_[group][party][std::stoll(run.run_name.args)];
    const bool manual = run.run_name.time_type.find("manual_time") != std::string::npos;
    figure.time = manual ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
    const auto rate = run.counters.find("bytes_per_second");
    if (rate != run.counters.end()) figure.bytes_per_second = rate->second.value;
    const auto peak = run.counters.find("peak_per_data");
    if (peak != run.counters.end()) figure.peak_per_data = peak->second.value;
  }
  ConsoleReporter::ReportRuns(runs);
}

void MarkdownReport::WriteCodecTable(std::ostream& out, const Parties& parties) const {
  out << "| size | ours GB/s | OpenSSL GB/s | ours / OpenSSL |\n|---:|---:|---:|---:|\n";
  for (const auto& [size, ours] : parties.at("ours")) {
    const auto api = parties.count("openssl_api") ? parties.at("openssl_api") : std::map<long long, Figure>{};
    const double peer = api.count(size) ? api.at(size).bytes_per_second : 0;
    out << "| " << SizeText(size) << " | " << Format("%.2f", ours.bytes_per_second / 1e9) << " | "
        << Format("%.2f", peer / 1e9) << " | " << Ratio(ours.bytes_per_second, peer) << " |\n";
  }
}

void MarkdownReport::WriteOperationTable(std::ostream& out, const Parties& parties) const {
  out << "| size | ours µs | API µs | API+L µs | ours / API+L | floor µs | ours / floor | "
         "`corvane` µs | `openssl cms` µs | `corvane` / `openssl cms` |\n"
         "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  const auto time = [&](const char* party, long long size) {
    const auto found = parties.find(party);
    if (found == parties.end() || found->second.count(size) == 0) return 0.0;
    return found->second.at(size).time;
  };
  for (const auto& [size, figure] : parties.at("ours")) {
    const double ours = figure.time;
    const double lookup = time("openssl_api_lookup", size);
    const double floor = time("floor", size);
    const double command = time("corvane_command", size);
    const double cms = time("openssl_cms", size);
    out << "| " << SizeText(size) << " | " << Time(ours) << " | " << Time(time("openssl_api", size))
        << " | " << Time(lookup) << " | " << Ratio(ours, lookup) << " | " << Time(floor) << " | "
        << Ratio(ours, floor) << " | " << Time(command) << " | " << Time(cms) << " | "
        << Ratio(command, cms) << " |\n";
  }
}

void MarkdownReport::WriteStoreSizeTable(std::ostream& out, const Parties& parties) const {
  out << "| certificates added to each of MY, CA, ROOT | ours warm µs | API+L warm µs | "
         "ours / API+L | ours first call µs | first call / first call with the fewest | "
         "OpenSSL first call µs |\n|---:|---:|---:|---:|---:|---:|---:|\n";
  const auto time = [&](const char* party, long long count) {
    const auto found = parties.find(party);
    if (found == parties.end() || found->second.count(count) == 0) return 0.0;
    return found->second.at(count).time;
  };
  double fewest = 0;
  for (const auto& [count, figure] : parties.at("ours")) {
    const double first = time("ours_first_call", count);
    if (fewest == 0) fewest = first;
    out << "| " << count << " | " << Time(figure.time) << " | "
        << Time(time("openssl_api_lookup", count)) << " | "
        << Ratio(figure.time, time("openssl_api_lookup", count)) << " | " << Time(first) << " | "
        << Ratio(first, fewest) << " | " << Time(time("openssl_first_call", count)) << " |\n";
  }
}

void MarkdownReport::WritePeakMemoryTable(std::ostream& out, const Parties& parties) const {
  out << "| operation | ours: peak ÷ data | OpenSSL API: peak ÷ data |\n|---|---:|---:|\n";
  for (const auto& [index, ours] : parties.at("ours")) {
    const auto api = parties.count("openssl_api") ? parties.at("openssl_api") : std::map<long long, Figure>{};
    const double peer = api.count(index) ? api.at(index).peak_per_data : 0;
    out << "| " << OperationName(static_cast<Operation>(index)) << " | " << Format("%.2f×", ours.peak_per_data) << " | "
        << (peer > 0 ? Format("%.2f×", peer) : "–") << " |\n";
  }
}

void MarkdownReport::WriteJavaBindingTable(std::ostream& out, const Parties& parties) const {
  out << "| operation | native export µs | Java binding µs | Java / native |\n|---|---:|---:|---:|\n";
  for (const auto& [index, native] : parties.at("ours")) {
    const auto java = parties.count("java") ? parties.at("java") : std::map<long long, Figure>{};
    const double java_time = java.count(index) ? java.at(index).time : 0;
    out << "| " << OperationName(static_cast<Operation>(index)) << " | " << Time(native.time) << " | " << Time(java_time) << " | "
        << Ratio(java_time, native.time) << " |\n";
  }
}

void MarkdownReport::WriteStoreOpenTable(std::ostream& out, const Parties& parties) const {
  out << "| certificate files in the store's folder | µs per call |\n|---:|---:|\n";
  for (const auto& [count, figure] : parties.at("ours")) {
    out << "| " << count << " | " << Format("%.1f", figure.time) << " |\n";
  }
}

std::string MarkdownReport::Markdown() const {
  std::ostringstream out;
  utsname system{};
  uname(&system);
  const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
  out << "# Benchmarks\n\n"
      << "Written by `./dev bench` (bench/). Date: " << date << ". Machine: " << CpuModel() << ", "
      << std::thread::hardware_concurrency() << " logical CPUs, " << system.sysname << " "
      << system.release << " " << system.machine << ". " << OpenSSL_version(OPENSSL_VERSION)
      << ". Load average when the run ended: " << LoadAverage() << ".\n\n"
      << kMethod;
  for (const std::string& group : groups_) {
    const Parties& parties = figures_.at(group);
    if (parties.count("ours") == 0) continue;
    const auto title = kTitles.find(group);
    out << "\n## " << (title != kTitles.end() ? title->second : group) << "\n\n";
    if (group.rfind("base64", 0) == 0) {
      WriteCodecTable(out, parties);
    } else if (group == "peak_memory") {
      WritePeakMemoryTable(out, parties);
    } else if (group == "java_binding") {
      WriteJavaBindingTable(out, parties);
    } else if (group.rfind("store_open_", 0) == 0) {
      WriteStoreOpenTable(out, parties);
    } else if (group.rfind("store_", 0) == 0) {
      WriteStoreSizeTable(out, parties);
    } else {
      WriteOperationTable(out, parties);
    }
  }
  return out.str();
}

}  // namespace corvane::bench
