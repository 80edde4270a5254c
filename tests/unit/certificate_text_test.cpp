// FormatCertificateField and FormatCertificateTime on certificate contexts built by hand: names
// made with OpenSSL, serial numbers and validity times set directly in the CERT_INFO.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "certs/certificate_text.h"
#include "ops/result_codes.h"
#include "platform/posix/civil_time.h"
#include "platform/posix/fault_injection.h"
#include "support/store_fixtures.h"
#include "support/test_pki.h"

namespace corvane::certs {
namespace {

using platform::civil::DaysSince1601;
using platform::civil::kSecondsPerDay;
using platform::civil::kTicksPerSecond;

// "年", "月", "日", "(格林威治时间)" in GBK.
constexpr char kYear[] = "\xC4\xEA";
constexpr char kMonth[] = "\xD4\xC2";
constexpr char kDay[] = "\xC8\xD5";
constexpr char kGreenwich[] = "(\xB8\xF1\xC1\xD6\xCD\xFE\xD6\xCE\xCA\xB1\xBC\xE4)";

std::string NameDer(const testing::NameSpec& spec) {
  return testing::NameDer(testing::MakeName(spec).get());
}

FILETIME FileTime(int year, int month, int day, int hour, int minute, int second) {
  const uint64_t seconds = static_cast<uint64_t>(DaysSince1601(year, month, day)) * kSecondsPerDay +
                           hour * 3600 + minute * 60 + second;
  const uint64_t ticks = seconds * kTicksPerSecond;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// A certificate context whose CERT_INFO holds what the test sets.
class HandMadeCertificate {
 public:
  HandMadeCertificate() {
    context_.pCertInfo = &info_;
    SetSubject(NameDer({{"CN", "A"}}));
    SetIssuer(NameDer({{"CN", "QDRA"}, {"OU", "config"}, {"O", "Ostrevalia"}}));
    info_.NotBefore = FileTime(2000, 1, 1, 0, 0, 0);
    info_.NotAfter = FileTime(2004, 5, 17, 8, 30, 0);
  }
  HandMadeCertificate(const HandMadeCertificate&) = delete;
  HandMadeCertificate& operator=(const HandMadeCertificate&) = delete;
  PCCERT_CONTEXT get() const { return &context_; }

  void SetSubject(std::string der) { SetBlob(subject_, std::move(der), info_.Subject); }
  void SetIssuer(std::string der) { SetBlob(issuer_, std::move(der), info_.Issuer); }
  void SetNotAfter(FILETIME time) { info_.NotAfter = time; }
  // Bytes given most significant first, stored least significant first as the platform does.
  void SetSerial(std::vector<BYTE> most_significant_first) {
    serial_.assign(most_significant_first.rbegin(), most_significant_first.rend());
    info_.SerialNumber = {static_cast<DWORD>(serial_.size()), serial_.data()};
  }

 private:
  static void SetBlob(std::string& storage, std::string der, CERT_NAME_BLOB& blob) {
    storage = std::move(der);
    blob = {static_cast<DWORD>(storage.size()), reinterpret_cast<BYTE*>(storage.data())};
  }
  std::string subject_;
  std::string issuer_;
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
  if (field.length < 0) return field;
  std::vector<char> area(static_cast<size_t>(field.length) + 1, '\0');
  field.result = FormatCertificateField(certificate, selector, area.data(), &field.length);
  field.text = area.data();
  return field;
}

TEST(FormatCertificateField, NamesCountTheTerminator) {
  HandMadeCertificate certificate;
  Field subject = Format(certificate.get(), kSubjectName);
  EXPECT_EQ(subject.result, ops::kSuccess);
  EXPECT_EQ(subject.length, 5);
  EXPECT_EQ(subject.text, "CN=A");
  Field issuer = Format(certificate.get(), kIssuerName);
  EXPECT_EQ(issuer.text, "CN=QDRA, OU=config, O=Ostrevalia");
  EXPECT_EQ(issuer.length, 33);
}

TEST(FormatCertificateField, AFieldThatCannotBeRenderedReportsLengthZero) {
  HandMadeCertificate certificate;
  certificate.SetSubject("\x30\x05\x31\x03");  // cut short
  int length = 99;
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(FormatCertificateField(certificate.get(), kSubjectName, buffer, &length),
            ops::kFieldNotRenderable);
  EXPECT_EQ(length, 0);
  EXPECT_STREQ(buffer, "xxxxxxx");
  // Selectors 3 and 4 fail the same way when the time cannot be converted.
  certificate.SetNotAfter(FILETIME{0, 0x80000000u});
  length = 99;
  EXPECT_EQ(FormatCertificateField(certificate.get(), kValidTo, nullptr, &length),
            ops::kFieldNotRenderable);
  EXPECT_EQ(length, 0);
}

TEST(FormatCertificateField, PlatformFailuresReportLengthZeroAndLeaveTheBufferAlone) {
  HandMadeCertificate certificate;
  struct Fault {
    const char* api;
    int skip;
    int selector;
  };
  for (const Fault& fault : {Fault{"CertNameToStrA", 0, kSubjectName},
                             Fault{"CertNameToStrA", 1, kIssuerName},
                             Fault{"LocalAlloc", 0, kIssuerName},
                             Fault{"LocalAlloc", 0, kSerialNumber},
                             Fault{"LocalAlloc", 0, kValidFrom},
                             Fault{"FileTimeToSystemTime", 1, kValidFrom}}) {
    SCOPED_TRACE(std::string(fault.api) + " selector " + std::to_string(fault.selector));
    certificate.SetSerial({0x01, 0x02});
    char buffer[64] = "untouched";
    int length = 99;
    platform::testing::ArmFault(fault.api, ERROR_NOT_ENOUGH_MEMORY, fault.skip);
    EXPECT_EQ(FormatCertificateField(certificate.get(), fault.selector, buffer, &length),
              ops::kFieldNotRenderable);
    platform::testing::ClearFaults();
    EXPECT_EQ(length, 0);
    EXPECT_STREQ(buffer, "untouched");
  }
}

TEST(FormatCertificateField, OtherSelectorsAndMissingArguments) {
  HandMadeCertificate certificate;
  for (int selector : {0, 6, -1}) {
    char buffer[4] = "abc";
    int length = 99;
    EXPECT_EQ(FormatCertificateField(certificate.get(), selector, buffer, &length), ops::kSuccess);
    EXPECT_EQ(length, 0);
    EXPECT_STREQ(buffer, "abc");
  }
  int length = 99;
  EXPECT_EQ(FormatCertificateField(nullptr, kSubjectName, nullptr, &length), ops::kMissingArgument);
  EXPECT_EQ(length, 99);
  EXPECT_EQ(FormatCertificateField(certificate.get(), kSubjectName, nullptr, nullptr),
            ops::kMissingArgument);
  EXPECT_EQ(FormatCertificateTime(FileTime(2000, 1, 1, 0, 0, 0), nullptr, nullptr),
            ops::kMissingArgument);
}

TEST(FormatCertificateField, SerialNumbersInGroupsOfFourDigits) {
  struct Case {
    std::vector<BYTE> bytes;
    const char* text;
  };
  HandMadeCertificate certificate;
  for (const Case& c : {Case{{}, ""}, Case{{0x05}, "05"}, Case{{0xAB, 0x0A}, "AB0A"},
                        Case{{0x12, 0xAB, 0xFF}, "12AB FF"},
                        Case{{0x01, 0x23, 0x45, 0x67, 0x89}, "0123 4567 89"},
                        Case{{0x00, 0x80, 0x00, 0x01}, "0080 0001"}}) {
    certificate.SetSerial(c.bytes);
    Field serial = Format(certificate.get(), kSerialNumber);
    EXPECT_EQ(serial.result, ops::kSuccess);
    EXPECT_EQ(serial.text, c.text);
    EXPECT_EQ(serial.length, static_cast<int>(std::string(c.text).size()));
  }
}

TEST(FormatCertificateField, SerialNumbersOfAnyLengthShowEveryByte) {
  HandMadeCertificate certificate;
  for (size_t count : {20u, 51u, 52u, 60u, 256u}) {
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
    Field serial = Format(certificate.get(), kSerialNumber);
    ASSERT_EQ(serial.length, static_cast<int>(2 * count + (count - 1) / 2));
    ASSERT_EQ(serial.text.size(), static_cast<size_t>(serial.length));
    std::string digits_only;
    for (size_t p = 0; p < serial.text.size(); ++p) {
      if ((p + 1) % 5 == 0) {
        EXPECT_EQ(serial.text[p], ' ') << "position " << p;
      } else {
        digits_only += serial.text[p];
      }
    }
    EXPECT_EQ(digits_only, hex);
  }
}

TEST(FormatCertificateTime, ChineseCalendarTextInGbk) {
  struct Case {
    FILETIME time;
    std::string text;
  };
  const std::string y = kYear, m = kMonth, d = kDay;
  for (const Case& c : {
           Case{FileTime(2000, 1, 1, 0, 0, 0), "2000" + y + "01" + m + "01" + d + " 00:00:00"},
           Case{FileTime(2004, 5, 17, 8, 30, 0), "2004" + y + "05" + m + "17" + d + " 08:30:00"},
           Case{FileTime(1601, 1, 1, 0, 0, 0), "1601" + y + "01" + m + "01" + d + " 00:00:00"},
           Case{FileTime(2049, 12, 31, 23, 59, 59), "2049" + y + "12" + m + "31" + d + " 23:59:59"},
           Case{FileTime(12345, 6, 7, 1, 2, 3), "12345" + y + "06" + m + "07" + d + " 01:02:03"},
       }) {
    const std::string expected = c.text + kGreenwich;
    int length = 0;
    ASSERT_EQ(FormatCertificateTime(c.time, nullptr, &length), 0);
    EXPECT_EQ(length, static_cast<int>(expected.size()));
    std::vector<char> area(static_cast<size_t>(length) + 1, '\0');
    ASSERT_EQ(FormatCertificateTime(c.time, area.data(), &length), 0);
    EXPECT_EQ(std::string(area.data()), expected);
  }
  // Nine Chinese characters of two bytes each: 28 characters, 37 bytes.
  int length = 0;
  FormatCertificateTime(FileTime(2004, 5, 17, 8, 30, 0), nullptr, &length);
  EXPECT_EQ(length, 37);
  FILETIME unconvertible{0, 0x80000000u};
  length = 5;
  EXPECT_EQ(FormatCertificateTime(unconvertible, nullptr, &length), -1);
  EXPECT_EQ(length, 0);
}

TEST(FormatCertificateField, ValidityTimesAreTheTimeTexts) {
  HandMadeCertificate certificate;
  Field from = Format(certificate.get(), kValidFrom);
  Field to = Format(certificate.get(), kValidTo);
  EXPECT_EQ(from.result, ops::kSuccess);
  EXPECT_EQ(from.text, std::string("2000") + kYear + "01" + kMonth + "01" + kDay + " 00:00:00" + kGreenwich);
  EXPECT_EQ(to.text, std::string("2004") + kYear + "05" + kMonth + "17" + kDay + " 08:30:00" + kGreenwich);
  EXPECT_EQ(to.length, 37);
}

}  // namespace
}  // namespace corvane::certs
