// FormatCertificateField and FormatCertificateTime on a certificate context built by hand: names
// made with OpenSSL, serial number and validity times set directly in its CERT_INFO.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "certs/certificate_text.h"
#include "ops/result_codes.h"
#include "platform/posix/asn1/civil_time.h"
#include "platform/posix/fault_injection.h"
#include "support/store_fixtures.h"
#include "support/test_pki.h"

namespace corvane::certs {
namespace {

// "年", "月", "日" and "(格林威治时间)" in GBK.
#define YEAR "\xC4\xEA"
#define MONTH "\xD4\xC2"
#define DAY "\xC8\xD5"
#define GREENWICH "(\xB8\xF1\xC1\xD6\xCD\xFE\xD6\xCE\xCA\xB1\xBC\xE4)"

FILETIME FileTime(int year, int month, int day, int hour, int minute, int second) {
  using namespace platform::civil;
  const uint64_t seconds = static_cast<uint64_t>(DaysSince1601(year, month, day)) * kSecondsPerDay +
                           hour * 3600 + minute * 60 + second;
  const uint64_t ticks = seconds * kTicksPerSecond;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

constexpr FILETIME kUnconvertible{0, 0x80000000u};

class HandMadeCertificate {
 public:
  HandMadeCertificate() {
    context_.pCertInfo = &info_;
    subject_ = testing::NameDer(testing::MakeName({{"CN", "A"}}).get());
    issuer_ = testing::NameDer(
        testing::MakeName({{"CN", "QDRA"}, {"OU", "config"}, {"O", "Ostrevalia"}}).get());
    info_.Subject = {static_cast<DWORD>(subject_.size()), reinterpret_cast<BYTE*>(subject_.data())};
    info_.Issuer = {static_cast<DWORD>(issuer_.size()), reinterpret_cast<BYTE*>(issuer_.data())};
    info_.NotBefore = FileTime(2000, 1, 1, 0, 0, 0);
    info_.NotAfter = FileTime(2004, 5, 17, 8, 30, 0);
    SetSerial({0x01, 0x23, 0x45, 0x67, 0x89});
  }
  HandMadeCertificate(const HandMadeCertificate&) = delete;
  HandMadeCertificate& operator=(const HandMadeCertificate&) = delete;

  PCCERT_CONTEXT get() const { return &context_; }
  CERT_INFO& info() { return info_; }
  // Bytes given most significant first, stored least significant first as the platform does.
  void SetSerial(const std::vector<BYTE>& most_significant_first) {
    serial_.assign(most_significant_first.rbegin(), most_significant_first.rend());
    info_.SerialNumber = {static_cast<DWORD>(serial_.size()), serial_.data()};
  }

 private:
  std::string subject_, issuer_;
  std::vector<BYTE> serial_;
  CERT_INFO info_{};
  CERT_CONTEXT context_{};
};

// The two-pass call every caller makes; the text is what the zeroed area holds afterwards.
struct Field {
  int result;
  int length;
  std::string text;
};

Field Format(PCCERT_CONTEXT certificate, int selector) {
  Field field{0, -7, ""};
  FormatCertificateField(certificate, selector, nullptr, &field.length);
  std::vector<char> area(static_cast<size_t>(std::max(field.length, 0)) + 1, '\0');
  field.result = FormatCertificateField(certificate, selector, area.data(), &field.length);
  field.text = area.data();
  return field;
}

TEST(FormatCertificateField, EachSelector) {
  HandMadeCertificate certificate;
  struct Case {
    int selector;
    std::string text;
    int length;
  };
  for (const Case& c : {Case{kSubjectName, "CN=A", 5},
                        Case{kIssuerName, "CN=QDRA, OU=config, O=Ostrevalia", 33},
                        Case{kValidFrom, "2000" YEAR "01" MONTH "01" DAY " 00:00:00" GREENWICH, 37},
                        Case{kValidTo, "2004" YEAR "05" MONTH "17" DAY " 08:30:00" GREENWICH, 37},
                        Case{kSerialNumber, "0123 4567 89", 12}, Case{0, "", 0}, Case{6, "", 0}}) {
    SCOPED_TRACE(c.selector);
    const Field field = Format(certificate.get(), c.selector);
    EXPECT_EQ(field.result, ops::kSuccess);
    EXPECT_EQ(field.text, c.text);
    EXPECT_EQ(field.length, c.length);
  }
  int length = 99;
  EXPECT_EQ(FormatCertificateField(nullptr, kSubjectName, nullptr, &length), ops::kMissingArgument);
  EXPECT_EQ(length, 99);
  EXPECT_EQ(FormatCertificateField(certificate.get(), kSubjectName, nullptr, nullptr),
            ops::kMissingArgument);
}

TEST(FormatCertificateField, SerialNumbersOfAnyLengthShowEveryByteInGroupsOfFour) {
  HandMadeCertificate certificate;
  for (size_t count : {0u, 1u, 2u, 3u, 20u, 51u, 52u, 60u, 256u}) {
    SCOPED_TRACE(count);
    std::vector<BYTE> bytes(count);
    std::string hex;
    for (size_t i = 0; i < count; ++i) {
      bytes[i] = static_cast<BYTE>(255 - i);  // 256 bytes: every value once
      char digits[3];
      std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
      hex += digits;
    }
    certificate.SetSerial(bytes);
    const Field serial = Format(certificate.get(), kSerialNumber);
    ASSERT_EQ(serial.length, count == 0 ? 0 : static_cast<int>(2 * count + (count - 1) / 2));
    ASSERT_EQ(serial.text.size(), static_cast<size_t>(serial.length));
    std::string digits_only;
    for (size_t p = 0; p < serial.text.size(); ++p) {
      if ((p + 1) % 5 == 0) EXPECT_EQ(serial.text[p], ' ') << "position " << p;
      else digits_only += serial.text[p];
    }
    EXPECT_EQ(digits_only, hex);
  }
}

TEST(FormatCertificateField, FailuresReportLengthZeroAndLeaveTheBufferAlone) {
  struct Fault {
    const char* api;  // null: the certificate's own data is at fault
    int skip;
    int selector;
  };
  for (const Fault& fault : {Fault{nullptr, 0, kSubjectName}, Fault{nullptr, 0, kValidTo},
                             Fault{"CertNameToStrA", 0, kSubjectName},
                             Fault{"CertNameToStrA", 1, kIssuerName},
                             Fault{"LocalAlloc", 0, kIssuerName},
                             Fault{"LocalAlloc", 0, kSerialNumber},
                             Fault{"LocalAlloc", 0, kValidFrom},
                             Fault{"FileTimeToSystemTime", 1, kValidFrom}}) {
    SCOPED_TRACE(std::string(fault.api ? fault.api : "data") + " " + std::to_string(fault.selector));
    HandMadeCertificate certificate;
    BYTE cut_short[] = {0x30, 0x05, 0x31, 0x03};
    if (fault.api == nullptr) {
      certificate.info().Subject = {sizeof cut_short, cut_short};
      certificate.info().NotAfter = kUnconvertible;
    } else {
      platform::testing::ArmFault(fault.api, ERROR_NOT_ENOUGH_MEMORY, fault.skip);
    }
    char buffer[64] = "untouched";
    int length = 99;
    EXPECT_EQ(FormatCertificateField(certificate.get(), fault.selector, buffer, &length),
              ops::kFieldNotRenderable);
    platform::testing::ClearFaults();
    EXPECT_EQ(length, 0);
    EXPECT_STREQ(buffer, "untouched");
  }
}

TEST(FormatCertificateTime, ChineseCalendarTextInGbk) {
  struct Case {
    FILETIME time;
    std::string text;
  };
  for (const Case& c : {Case{FileTime(2004, 5, 17, 8, 30, 0), "2004" YEAR "05" MONTH "17" DAY " 08:30:00" GREENWICH},
                        Case{FileTime(12345, 6, 7, 1, 2, 3), "12345" YEAR "06" MONTH "07" DAY " 01:02:03" GREENWICH}}) {
    int length = 0;
    ASSERT_EQ(FormatCertificateTime(c.time, nullptr, &length), 0);
    EXPECT_EQ(length, static_cast<int>(c.text.size()));
    std::vector<char> area(static_cast<size_t>(length) + 1, '\0');
    ASSERT_EQ(FormatCertificateTime(c.time, area.data(), &length), 0);
    EXPECT_EQ(std::string(area.data()), c.text);
  }
  int length = 5;
  EXPECT_EQ(FormatCertificateTime(kUnconvertible, nullptr, &length), -1);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(FormatCertificateTime(kUnconvertible, nullptr, nullptr), ops::kMissingArgument);
}

}  // namespace
}  // namespace corvane::certs
