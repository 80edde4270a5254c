// Each export against the same work done by OpenSSL's PKCS #7 API in this process ("openssl_api")
// and by the `openssl cms` command on files ("openssl_cms", the CPU time of the child processes).
// Signing and enveloping use the serial-number variants, so that no chooser is involved.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <functional>
#include <random>
#include <string>

#include "bench_home.h"
#include "bench_sizes.h"
#include "corvane.h"
#include "openssl_peer.h"
#include "support/test_home.h"

namespace corvane::bench {
namespace {

using Export = std::function<int32_t(const std::string& input, char* output, int32_t* length)>;

std::string RandomBytes(size_t size) {
  std::mt19937 random(2);
  std::string data(size, '\0');
  for (char& c : data) c = static_cast<char>(random());
  return data;
}

// Runs an export with a buffer of the size its size query gives; empty on failure.
std::string CallExport(const Export& call, const std::string& input, std::string& buffer) {
  int32_t length = 0;
  if (buffer.empty()) {
    if (call(input, nullptr, &length) != 0) return {};
    buffer.resize(static_cast<size_t>(length));
  }
  length = static_cast<int32_t>(buffer.size());
  if (call(input, buffer.data(), &length) != 0) return {};
  return buffer.substr(0, static_cast<size_t>(length));
}

const Export kSign = [](const std::string& data, char* out, int32_t* length) {
  return generateSingleSignedMsgBySN(data.data(), static_cast<uint32_t>(data.size()), 0,
                                     kSignerSerial, 4, out, length);
};
const Export kVerify = [](const std::string& text, char* out, int32_t* length) {
  return verifySingleSignedMsg(text.data(), static_cast<int32_t>(text.size()), out, length);
};
const Export kEnvelope = [](const std::string& data, char* out, int32_t* length) {
  return composeSingleEnvelopedMsgBySN(data.data(), static_cast<uint32_t>(data.size()),
                                       kSignerSerial, 4, out, length);
};
const Export kOpen = [](const std::string& text, char* out, int32_t* length) {
  return decomposeSingleEnvelopedMsg(text.data(), static_cast<int32_t>(text.size()), out, length);
};

enum class Operation { kSign, kVerify, kEnvelope, kOpen };

// The input of the measured call: the data, or a message made from it by the same party.
void Ours(benchmark::State& state, Operation operation) {
  SharedHome();
  const std::string data = RandomBytes(static_cast<size_t>(state.range(0)));
  std::string buffer;
  std::string input = data;
  if (operation == Operation::kVerify || operation == Operation::kOpen) {
    input = CallExport(operation == Operation::kVerify ? kSign : kEnvelope, data, buffer);
    buffer.clear();
  }
  const Export& call = operation == Operation::kSign       ? kSign
                       : operation == Operation::kVerify   ? kVerify
                       : operation == Operation::kEnvelope ? kEnvelope
                                                           : kOpen;
  if (CallExport(call, input, buffer).empty()) return state.SkipWithError("export failed");
  for (auto _ : state) benchmark::DoNotOptimize(CallExport(call, input, buffer));
}

void OpensslApi(benchmark::State& state, Operation operation) {
  const BenchHome& home = SharedHome();
  const OpensslPeer peer(home.signer(), home.key(), home.ca());
  const std::string data = RandomBytes(static_cast<size_t>(state.range(0)));
  const std::function<std::string(const std::string&)> calls[] = {
      [&](const std::string& in) { return peer.SignAttached(in); },
      [&](const std::string& in) { return peer.Verify(in); },
      [&](const std::string& in) { return peer.EnvelopeRc4(in); },
      [&](const std::string& in) { return peer.Open(in); }};
  std::string input = data;
  if (operation == Operation::kVerify) input = peer.SignAttached(data);
  if (operation == Operation::kOpen) input = peer.EnvelopeRc4(data);
  const auto& call = calls[static_cast<int>(operation)];
  for (auto _ : state) benchmark::DoNotOptimize(call(input));
}

double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void OpensslCms(benchmark::State& state, Operation operation) {
  const BenchHome& home = SharedHome();
  const auto q = [](const std::filesystem::path& path) {
    return testing::ShellQuote(path.string());
  };
  const auto data = home.root() / "data.bin";
  const auto signed_pem = home.root() / "signed.pem";
  const auto enveloped_pem = home.root() / "enveloped.pem";
  testing::WriteFile(data, RandomBytes(static_cast<size_t>(state.range(0))));
  const std::string legacy = " -provider legacy -provider default";
  const std::string commands[] = {
      "openssl cms -sign -binary -nodetach -md sha1 -in " + q(data) + " -signer " + q(home.signer_pem()) +
          " -inkey " + q(home.key_pem()) + " -outform PEM -out " + q(signed_pem),
      "openssl cms -verify -binary -inform PEM -in " + q(signed_pem) + " -CAfile " +
          q(home.ca_pem()) + " -out /dev/null 2>/dev/null",
      "openssl cms -encrypt -binary -rc4" + legacy + " -in " + q(data) + " -outform PEM -out " +
          q(enveloped_pem) + " " + q(home.signer_pem()),
      "openssl cms -decrypt -binary" + legacy + " -inform PEM -in " + q(enveloped_pem) +
          " -recip " + q(home.signer_pem()) + " -inkey " + q(home.key_pem()) + " -out /dev/null"};
  // The message read by verification and opening comes from the command that makes it.
  if (operation == Operation::kVerify && testing::RunCommand(commands[0]) != 0)
    return state.SkipWithError("openssl cms -sign failed");
  if (operation == Operation::kOpen && testing::RunCommand(commands[2]) != 0)
    return state.SkipWithError("openssl cms -encrypt failed");
  const std::string& command = commands[static_cast<int>(operation)];
  for (auto _ : state) {
    const double before = ChildrenCpuSeconds();
    if (testing::RunCommand(command) != 0) return state.SkipWithError(command.c_str());
    state.SetIterationTime(ChildrenCpuSeconds() - before);
  }
}

#define CORVANE_EXPORT_BENCH(name, operation)                                               \
  BENCHMARK_CAPTURE(Ours, name, operation)->Name(#name "/ours")->Apply(MessageSizes);        \
  BENCHMARK_CAPTURE(OpensslApi, name, operation)                                            \
      ->Name(#name "/openssl_api")->Apply(MessageSizes);                                    \
  BENCHMARK_CAPTURE(OpensslCms, name, operation)                                            \
      ->Name(#name "/openssl_cms")->Apply(MessageSizes)->UseManualTime()

CORVANE_EXPORT_BENCH(sign_attached_by_serial, Operation::kSign);
CORVANE_EXPORT_BENCH(verify, Operation::kVerify);
CORVANE_EXPORT_BENCH(envelope_rc4_by_serial, Operation::kEnvelope);
CORVANE_EXPORT_BENCH(open_envelope, Operation::kOpen);

}  // namespace
}  // namespace corvane::bench
