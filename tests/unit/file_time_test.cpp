// FileTimeToSystemTime and the certificate time parser, both on the FILETIME scale.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/asn1/certificate_time.h"

namespace {

constexpr uint64_t kTicksPerSecond = 10'000'000;

FILETIME FileTime(uint64_t ticks) { return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}; }

uint64_t Ticks(FILETIME time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

struct TimeCase {
  uint64_t ticks;
  SYSTEMTIME expected;  // year, month, day of the week, day, hour, minute, second, ms
};

TEST(FileTimeTest, ConvertsToCalendarFields) {
  const std::vector<TimeCase> cases = {
      {0, {1601, 1, 1, 1, 0, 0, 0, 0}},                                      // a Monday
      {116'444'736'000'000'000ULL, {1970, 1, 4, 1, 0, 0, 0, 0}},             // Unix epoch, Thursday
      {116'444'736'000'000'000ULL + 951'782'400ULL * kTicksPerSecond + 1'234'5678ULL,
       {2000, 2, 2, 29, 0, 0, 1, 234}},                                      // leap day, ms truncated
      {130'645'440'000'000'000ULL - 1, {2014, 12, 3, 31, 23, 59, 59, 999}},  // last tick of a year
      {0x7FFFFFFFFFFFFFFFULL, {30828, 9, 4, 14, 2, 48, 5, 477}},             // the largest value
  };
  for (const TimeCase& test : cases) {
    const FILETIME time = FileTime(test.ticks);
    SYSTEMTIME got{};
    ASSERT_TRUE(FileTimeToSystemTime(&time, &got)) << test.ticks;
    EXPECT_EQ(got.wYear, test.expected.wYear) << test.ticks;
    EXPECT_EQ(got.wMonth, test.expected.wMonth) << test.ticks;
    EXPECT_EQ(got.wDayOfWeek, test.expected.wDayOfWeek) << test.ticks;
    EXPECT_EQ(got.wDay, test.expected.wDay) << test.ticks;
    EXPECT_EQ(got.wHour, test.expected.wHour) << test.ticks;
    EXPECT_EQ(got.wMinute, test.expected.wMinute) << test.ticks;
    EXPECT_EQ(got.wSecond, test.expected.wSecond) << test.ticks;
    EXPECT_EQ(got.wMilliseconds, test.expected.wMilliseconds) << test.ticks;
  }
}

TEST(FileTimeTest, RejectsValuesWithTheHighBitSet) {
  const FILETIME time = FileTime(0x8000000000000000ULL);
  SYSTEMTIME got{};
  SetLastError(0);
  EXPECT_FALSE(FileTimeToSystemTime(&time, &got));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(FileTimeToSystemTime(nullptr, &got));
}

struct CertificateTimeCase {
  uint8_t tag;
  std::string text;
  bool valid;
  uint64_t seconds_since_1601 = 0;
};

TEST(CertificateTimeTest, ParsesUtcAndGeneralizedTime) {
  constexpr uint64_t k1970 = 11'644'473'600ULL;
  constexpr uint8_t kUtc = corvane::platform::asn1::kUtcTime;
  constexpr uint8_t kGeneralized = corvane::platform::asn1::kGeneralizedTime;
  const std::vector<CertificateTimeCase> cases = {
      {kUtc, "700101000000Z", true, k1970},
      {kUtc, "491231235959Z", true, k1970 + 2'524'607'999ULL},  // 2049: UTCTime's last year
      {kUtc, "500101000000Z", true, k1970 - 631'152'000ULL},    // 1950: its first
      {kUtc, "7001010000Z", true, k1970},                       // seconds left out
      {kUtc, "700101010000+0100", true, k1970},                 // an offset from UTC
      {kUtc, "691231230000-0100", true, k1970},
      {kGeneralized, "20500101000000Z", true, k1970 + 2'524'608'000ULL},
      {kGeneralized, "99991231235959Z", true, k1970 + 253'402'300'799ULL},
      {kGeneralized, "16010101000000Z", true, 0},
      {kGeneralized, "19700101000000.5Z", true, k1970},  // fraction checked separately below
      {kGeneralized, "16001231235959Z", false},          // before the FILETIME epoch
      {kGeneralized, "20230229000000Z", false},          // no such day
      {kGeneralized, "20241301000000Z", false},
      {kGeneralized, "20240101240000Z", false},
      {kGeneralized, "202401010000Z", false},            // DER needs the seconds
      {kGeneralized, "20240101000000", false},           // no zone
      {kGeneralized, "20240101000000.Z", false},
      {kUtc, "700101000000", false},
      {kUtc, "7001010000001Z", false},
      {kUtc, "70010100000AZ", false},
      {kUtc, "", false},
      {corvane::platform::asn1::kOctetString, "700101000000Z", false},
  };
  for (const CertificateTimeCase& test : cases) {
    corvane::platform::asn1::Element element;
    element.tag = test.tag;
    element.content = reinterpret_cast<const uint8_t*>(test.text.data());
    element.content_size = test.text.size();
    const auto time = corvane::platform::CertificateTimeToFileTime(element);
    ASSERT_EQ(time.has_value(), test.valid) << test.text;
    if (test.valid) {
      EXPECT_EQ(Ticks(*time) / kTicksPerSecond, test.seconds_since_1601) << test.text;
    }
  }
  const std::string fraction = "19700101000000.25Z";
  corvane::platform::asn1::Element element;
  element.tag = kGeneralized;
  element.content = reinterpret_cast<const uint8_t*>(fraction.data());
  element.content_size = fraction.size();
  EXPECT_EQ(Ticks(*corvane::platform::CertificateTimeToFileTime(element)) % kTicksPerSecond, 2'500'000u);
}

}  // namespace
