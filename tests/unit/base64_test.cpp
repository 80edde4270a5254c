#include "codec/base64.h"

#include <gtest/gtest.h>

#include "support/test_home.h"
#include "support/vector_file.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace corvane::codec {
namespace {

std::string Encode(const std::string& data, int line_breaks) {
  int32_t length = -1;
  EXPECT_EQ(EncodeBase64(reinterpret_cast<const uint8_t*>(data.data()),
                         static_cast<int32_t>(data.size()), nullptr, &length, line_breaks),
            0);
  // One guard byte past the reported length must stay untouched.
  std::string text(static_cast<size_t>(length) + 1, '#');
  int32_t written = -1;
  EXPECT_EQ(EncodeBase64(reinterpret_cast<const uint8_t*>(data.data()),
                         static_cast<int32_t>(data.size()), text.data(), &written, line_breaks),
            0);
  EXPECT_EQ(written, length);
  EXPECT_EQ(text.back(), '#');
  text.pop_back();
  return text;
}

TEST(Base64, Vectors) {
  std::ifstream in(testing::VectorFilePath("base64_vectors.txt"));
  ASSERT_TRUE(in) << "vector file missing";
  int count = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const auto fields = testing::SplitFields(line, '|', true);
    ASSERT_EQ(fields.size(), 4u) << line;
    SCOPED_TRACE(line);
    if (fields[0] == "encode") {
      EXPECT_EQ(Encode(testing::HexToBytes(fields[1]), std::stoi(fields[2])), testing::Unescape(fields[3]));
    } else {
      const std::string text = testing::Unescape(fields[1]);
      std::string data(text.size() + 1, '#');
      int32_t length = -1;
      const int32_t result = DecodeBase64(text.data(), static_cast<int32_t>(text.size()),
                                          reinterpret_cast<uint8_t*>(data.data()), &length);
      EXPECT_EQ(result, std::stoi(fields[2]));
      ASSERT_GE(length, 0);
      EXPECT_EQ(data.substr(0, static_cast<size_t>(length)), testing::HexToBytes(fields[3]));
    }
    ++count;
  }
  EXPECT_GT(count, 20);
}

// The decoded bytes, or "!<result>" when the decoder fails.
std::string Decode(const std::string& text) {
  std::string data(text.size() + 1, '#');
  int32_t length = -1;
  const int32_t result = DecodeBase64(text.data(), static_cast<int32_t>(text.size()),
                                      reinterpret_cast<uint8_t*>(data.data()), &length);
  EXPECT_EQ(data.back(), '#');
  if (result != 0) return "!" + std::to_string(result);
  return data.substr(0, static_cast<size_t>(length));
}

// Every length up to 200, and lengths around a line (48 bytes) and the codec's long runs of
// whole lines.
TEST(Base64, RoundTripsEveryLengthWithAndWithoutLineBreaks) {
  std::vector<size_t> sizes;
  for (size_t size = 0; size <= 200; ++size) sizes.push_back(size);
  sizes.insert(sizes.end(), {4095u, 4096u, 4097u, 49151u, 49152u, 49153u});
  for (size_t size : sizes) {
    const std::string data = testing::RandomBytes(size, static_cast<unsigned>(size));
    for (int line_breaks : {0, 1}) {
      const std::string text = Encode(data, line_breaks);
      // 4 * ceil(n / 3) characters, plus one line feed per started 64-character line.
      const size_t unbroken = 4 * ((data.size() + 2) / 3);
      const size_t lines = line_breaks ? (unbroken == 0 ? 1 : (unbroken + 63) / 64) : 0;
      ASSERT_EQ(text.size(), unbroken + lines) << size;
      ASSERT_EQ(static_cast<int64_t>(text.size()),
                EncodedBase64Length(static_cast<int64_t>(size), line_breaks));
      if (line_breaks) {
        ASSERT_EQ(text.back(), '\n');
        for (size_t at = 64; at < text.size(); at += 65) ASSERT_EQ(text[at], '\n') << size;
      }
      ASSERT_EQ(Decode(text), data) << size << " " << line_breaks;
    }
  }
}

TEST(Base64, SkippedBytesAnywhereChangeNothing) {
  const std::string data = testing::RandomBytes(100, 3);
  const std::string text = Encode(data, 1);
  for (const std::string skipped : {" ", "\r", "\x80", "-_"}) {
    for (size_t at = 0; at <= text.size(); ++at) {
      std::string noisy = text;
      noisy.insert(at, skipped);
      ASSERT_EQ(Decode(noisy), data) << "at " << at;
    }
  }
}

TEST(Base64, TextCutAnywhereDecodesWholeQuartetsOrFails) {
  const std::string data = testing::RandomBytes(99, 5);  // no padding: every quartet holds three bytes
  const std::string text = Encode(data, 1);
  size_t characters = 0;  // alphabet characters before the cut
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    if (cut > 0 && text[cut - 1] != '\n') ++characters;
    const std::string expected =
        characters % 4 == 0 ? data.substr(0, characters / 4 * 3) : "!-10002";
    ASSERT_EQ(Decode(text.substr(0, cut)), expected) << "cut " << cut;
  }
}

TEST(Base64, SizeQueriesAnswerWithoutScanning) {
  int32_t length = -1;
  EXPECT_EQ(DecodeBase64("not scanned at all", 500, nullptr, &length), 0);
  EXPECT_EQ(length, 500);
  const std::string data(48, 'x');
  EXPECT_EQ(EncodeBase64(reinterpret_cast<const uint8_t*>(data.data()), 48, nullptr, &length, 1), 0);
  EXPECT_EQ(length, 65);
  EXPECT_EQ(EncodedBase64Length(49, 1), 70);
  EXPECT_EQ(EncodedBase64Length(96, 1), 130);
}

TEST(Base64, TextsLongerThanA32BitLengthAreRefused) {
  // Only the length is looked at when no text buffer is given: the data is never read.
  const uint8_t data = 0;
  const struct {
    int32_t length;
    int line_breaks;
    int32_t result;
    int32_t text_length;
  } rows[] = {
      {1'500'000'000, 1, 0, 2'031'250'000},
      {1'600'000'000, 1, -10000, -1},  // 2'166'666'670 characters
      {1'610'612'733, 0, 0, 2'147'483'644},
      {1'610'612'736, 0, -10000, -1},  // 2'147'483'648 characters
      {INT32_MAX, 1, -10000, -1},
  };
  for (const auto& row : rows) {
    int32_t length = -1;
    EXPECT_EQ(EncodeBase64(&data, row.length, nullptr, &length, row.line_breaks), row.result)
        << row.length;
    EXPECT_EQ(length, row.text_length) << row.length;
  }
}

}  // namespace
}  // namespace corvane::codec
