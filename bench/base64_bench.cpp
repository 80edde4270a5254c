// The library's Base64 codec against OpenSSL's block functions on the same data. OpenSSL's
// EVP_EncodeBlock writes no line ends and EVP_DecodeBlock accepts no bytes outside the alphabet
// but leading and trailing blanks, so both are given unbroken text; ours is measured with the
// line-broken text the exports produce and read.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <random>
#include <string>

#include "bench_sizes.h"
#include "codec/base64.h"

namespace corvane::bench {
namespace {

std::string RandomBytes(size_t size) {
  std::mt19937 random(1);
  std::string data(size, '\0');
  for (char& c : data) c = static_cast<char>(random());
  return data;
}

std::string OurText(const std::string& data, int line_breaks) {
  const auto length = codec::EncodedBase64Length(static_cast<int64_t>(data.size()), line_breaks);
  std::string text(static_cast<size_t>(length), '\0');
  int32_t written = 0;
  codec::EncodeBase64(reinterpret_cast<const uint8_t*>(data.data()),
                      static_cast<int32_t>(data.size()), text.data(), &written, line_breaks);
  return text;
}

void SetBytes(benchmark::State& state, size_t size) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

void OursEncode(benchmark::State& state) {
  const std::string data = RandomBytes(static_cast<size_t>(state.range(0)));
  std::string text = OurText(data, 1);
  for (auto _ : state) {
    int32_t written = 0;
    codec::EncodeBase64(reinterpret_cast<const uint8_t*>(data.data()),
                        static_cast<int32_t>(data.size()), text.data(), &written, 1);
    benchmark::DoNotOptimize(text.data());
  }
  SetBytes(state, data.size());
}

void OpensslEncode(benchmark::State& state) {
  const std::string data = RandomBytes(static_cast<size_t>(state.range(0)));
  std::string text(OurText(data, 0).size() + 1, '\0');
  for (auto _ : state) {
    EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                    reinterpret_cast<const unsigned char*>(data.data()),
                    static_cast<int>(data.size()));
    benchmark::DoNotOptimize(text.data());
  }
  SetBytes(state, data.size());
}

void OursDecode(benchmark::State& state) {
  const std::string data = RandomBytes(static_cast<size_t>(state.range(0)));
  const std::string text = OurText(data, 1);
  std::string decoded(text.size(), '\0');
  for (auto _ : state) {
    int32_t length = 0;
    codec::DecodeBase64(text.data(), static_cast<int32_t>(text.size()),
                        reinterpret_cast<uint8_t*>(decoded.data()), &length);
    benchmark::DoNotOptimize(decoded.data());
  }
  SetBytes(state, data.size());
}

void OpensslDecode(benchmark::State& state) {
  const std::string data = RandomBytes(static_cast<size_t>(state.range(0)));
  const std::string text = OurText(data, 0);
  std::string decoded(text.size(), '\0');
  for (auto _ : state) {
    EVP_DecodeBlock(reinterpret_cast<unsigned char*>(decoded.data()),
                    reinterpret_cast<const unsigned char*>(text.data()),
                    static_cast<int>(text.size()));
    benchmark::DoNotOptimize(decoded.data());
  }
  SetBytes(state, data.size());
}

BENCHMARK(OursEncode)->Name("base64_encode/ours")->Apply(MessageSizes);
BENCHMARK(OpensslEncode)->Name("base64_encode/openssl_api")->Apply(MessageSizes);
BENCHMARK(OursDecode)->Name("base64_decode/ours")->Apply(MessageSizes);
BENCHMARK(OpensslDecode)->Name("base64_decode/openssl_api")->Apply(MessageSizes);

}  // namespace
}  // namespace corvane::bench
