// composeSingleEnvelopedMsg and its serial-number variants through the real exports.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "corvane.h"
#include "platform/posix/fault_injection.h"
#include "platform/posix/provider/provider_context.h"
#include "platform/posix/store/certificate_context.h"
#include "support/export_call.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

using platform::testing::ArmFault;
using platform::testing::ClearFaults;
using platform::testing::PlatformCallCount;
using platform::testing::ResetPlatformCallCount;
using testing::ExportResult;

const char kQdra[] = "CN=QDRA, OU=config, O=Ostrevalia";
enum Variant { kChooser, kBySN, kByIssuerSN };

std::vector<size_t> OpenObjects() {
  return {platform::OpenStoreCount(), platform::LiveContextCount(), platform::LiveProviderCount()};
}

class ComposeEnvelopedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFaults();
    ca_key_ = testing::TestRsaKey(2);
    key_ = testing::TestRsaKey(0);
    ca_ = testing::MakeCertificate(
        {.subject = {{"CN", "QDRA"}, {"OU", "config"}, {"O", "Ostrevalia"}}, .ca = true},
        ca_key_.get(), nullptr, ca_key_.get());
    auto recipient = testing::MakeCertificate(
        {.subject = {{"CN", "Recipient"}}, .serial_hex = "12AB"}, key_.get(), ca_.get(),
        ca_key_.get());
    testing::InstallCertificate(home_.root(), "ROOT", ca_.get());
    testing::InstallCertificate(home_.root(), "CA", recipient.get());
    testing::InstallCertificate(home_.root(), "MY", recipient.get(), key_.get());
    baseline_ = OpenObjects();
  }
  // Whatever a call acquires it gives back: no store, certificate or provider context stays open.
  void TearDown() override {
    ClearFaults();
    EXPECT_EQ(OpenObjects(), baseline_);
  }

  // One export called as every caller does; the chooser, if shown, answers `choices`.
  ExportResult Compose(const std::string& data, const char* choices, Variant variant = kChooser,
                       const char* serial = "12AB", int32_t serial_length = 4,
                       const char* issuer = kQdra) {
    home_.SetEnv("CORVANE_UI_CHOICES", choices);
    home_.ClearUiLog();
    const auto size = static_cast<uint32_t>(data.size());
    return testing::CallExport([&](char* out, int32_t* length) {
      if (variant == kChooser) return composeSingleEnvelopedMsg(data.data(), size, out, length);
      if (variant == kBySN) {
        return composeSingleEnvelopedMsgBySN(data.data(), size, serial, serial_length, out, length);
      }
      return composeSingleEnvelopedMsgByIssuerSN(data.data(), size, issuer, 0, serial,
                                                 serial_length, out, length);
    });
  }
  std::string Open(const std::string& text) {
    return testing::CallExport([&](char* out, int32_t* length) {
             return decomposeSingleEnvelopedMsg(text.data(), text.size(), out, length);
           }).output;
  }

  testing::TestHome home_;
  ossl::UniquePtr<EVP_PKEY> ca_key_, key_;
  ossl::UniquePtr<X509> ca_;
  std::vector<size_t> baseline_;
};

TEST_F(ComposeEnvelopedTest, SizeQueryNeverWrapsAndNeverReachesThePlatform) {
  const struct {
    uint32_t length;
    int32_t code, bound;  // bound 77: left as it was
  } rows[] = {{0, 0, 3709},
              {22, 0, 3742},
              {1585831338u, 0, 2147483646},  // the largest that fits
              {1585831339u, -10003, 77},
              {INT32_MAX, -10003, 77},
              {UINT32_MAX - 1999, -10003, 77},  // wraps to a small S(n) in 32 bits
              {UINT32_MAX, -10003, 77}};
  const char data[8] = {};
  using Query = std::function<int32_t(uint32_t, int32_t*)>;
  const Query queries[] = {
      [&](uint32_t n, int32_t* size) { return composeSingleEnvelopedMsg(data, n, nullptr, size); },
      [&](uint32_t n, int32_t* size) {
        return composeSingleEnvelopedMsgBySN(data, n, nullptr, 4, nullptr, size);
      },
      [&](uint32_t n, int32_t* size) {
        return composeSingleEnvelopedMsgByIssuerSN(data, n, nullptr, 0, nullptr, -1, nullptr, size);
      }};
  ResetPlatformCallCount();
  for (const auto& row : rows) {
    for (const Query& query : queries) {
      int32_t bound = 77;
      EXPECT_EQ(query(row.length, &bound), row.code);
      EXPECT_EQ(bound, row.bound) << row.length;
    }
  }
  int32_t length = 77;
  char output[8];
  EXPECT_EQ(composeSingleEnvelopedMsg(nullptr, 1, output, &length), -10001);
  EXPECT_EQ(composeSingleEnvelopedMsgBySN(data, 1, "12AB", 4, output, nullptr), -10001);
  EXPECT_EQ(PlatformCallCount(), 0u);
  EXPECT_TRUE(home_.UiLog().empty());
  // The fill call for such data fails the same way, before reading it (8 bytes are there).
  EXPECT_EQ(composeSingleEnvelopedMsg(data, UINT32_MAX, output, &length), -10003);
  EXPECT_EQ(length, 77);
  EXPECT_EQ(PlatformCallCount("CertOpenSystemStoreA"), 0u);
  EXPECT_EQ(home_.UiLog(), std::vector<std::string>{"box\t问题汇报\t编码失败"});
}

TEST_F(ComposeEnvelopedTest, FailureRowsWithTheirBoxesAndWithoutInTheVariants) {
  const struct {
    const char* api;
    DWORD error;
    int skip, times;  // skip -1: the last call of a successful run (the message buffer)
    int32_t code;
    const char* text;
  } rows[] = {
      {"CryptSetProviderExA", NTE_BAD_PROV_TYPE, 0, 1, -10019, "找不到设备(1)"},
      {"CryptAcquireContextA", NTE_EXISTS, 0, 2, -10019, "找不到设备(2)"},
      {"CertOpenSystemStoreA", ERROR_FILE_NOT_FOUND, 0, 1, -10018, "打不开证书存储区"},
      {"CertOpenSystemStoreA", ERROR_FILE_NOT_FOUND, 1, 1, -10018, "打不开证书存储区"},  // ROOT
      {"CryptEncryptMessage", CRYPT_E_NO_KEY_PROPERTY, 0, 1, -10015, "没有找到相应的私钥"},
      {"CryptEncryptMessage", CRYPT_E_OSS_ERROR, 0, 1, -10007, "不可识别的包"},
      {"CryptEncryptMessage", NTE_BAD_SIGNATURE, 1, 1, -10010, "无效的证书签名或者数据签名验证不对"},
      {"CryptEncryptMessage", CRYPT_E_NO_DECRYPT_CERT, 0, 1, -10022, "加密数据失败"},
      {"LocalAlloc", ERROR_NOT_ENOUGH_MEMORY, -1, 1, -10000, "没有可用的内存空间"},
  };
  for (const auto& row : rows) {
    for (Variant variant : {kChooser, kBySN}) {
      SCOPED_TRACE(std::string(row.text) + (variant == kBySN ? " by serial" : ""));
      int skip = row.skip;
      if (skip < 0) {
        ResetPlatformCallCount();
        EXPECT_EQ(Compose("data", "0", variant).code, 0);
        skip = static_cast<int>(PlatformCallCount(row.api)) - 1;
      }
      ArmFault(row.api, row.error, skip, row.times);
      const ExportResult result = Compose("data", "0", variant);
      ClearFaults();
      EXPECT_EQ(result.code, row.code);
      EXPECT_TRUE(result.untouched);
      EXPECT_EQ(OpenObjects(), baseline_);
      if (variant == kBySN) EXPECT_TRUE(home_.UiLog().empty());
      else EXPECT_EQ(home_.UiLog().back(), std::string("box\t问题汇报\t") + row.text);
    }
  }
}

TEST_F(ComposeEnvelopedTest, VariantsFindTheRecipientSilentlyOrFallBackToTheChooser) {
  const struct {
    Variant variant;
    const char* serial;
    int32_t length;
    const char* issuer;
  } found[] = {{kBySN, "12AB", 4, nullptr}, {kByIssuerSN, "12ab", 4, kQdra}},
    not_found[] = {{kBySN, "9999", 4, nullptr},
                   {kBySN, "12:AB", 5, nullptr},
                   {kByIssuerSN, "12AB", 4, "CN=QDRA,OU=config,O=Ostrevalia"},
                   {kBySN, nullptr, 4, nullptr},
                   {kBySN, "12AB", -2, nullptr},
                   {kByIssuerSN, "12AB", 4, nullptr}};
  for (const auto& row : found) {
    const ExportResult result =
        Compose("d", "cancel", row.variant, row.serial, row.length, row.issuer);
    EXPECT_TRUE(home_.UiLog().empty());
    EXPECT_EQ(Open(result.output), "d");
  }
  for (const auto& row : not_found) {
    SCOPED_TRACE(&row - not_found);
    const ExportResult result =
        Compose("d", "cancel", row.variant, row.serial, row.length, row.issuer);
    EXPECT_EQ(result.code, -10005);
    const auto log = home_.UiLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].rfind("choose\t", 0), 0u);
    EXPECT_EQ(log[1], "box\t问题汇报\t获取证书失败");
  }
}

TEST_F(ComposeEnvelopedTest, ALineOfRootWhoseSubjectIsAlsoInCaEnvelopesForTheCaCertificate) {
  // Same subject in ROOT, another serial and key: the chooser lists it, the lookup by subject
  // finds the CA's certificate, whose key alone the personal store holds.
  auto twin = testing::MakeCertificate({.subject = {{"CN", "Recipient"}}, .serial_hex = "0B"},
                                       testing::TestRsaKey(1).get(), ca_.get(), ca_key_.get());
  testing::InstallCertificate(home_.root(), "ROOT", twin.get());
  ASSERT_EQ(Compose("x", "cancel").code, -10005);
  // Line 0 is the CA's certificate; the last line naming "Recipient" is the twin's, in ROOT.
  const std::string chooser = home_.UiLog().at(0);
  const auto tabs = std::count(chooser.begin(), chooser.begin() + chooser.rfind("Recipient"), '\t');
  const ExportResult result = Compose("x", std::to_string(tabs - 1).c_str());
  EXPECT_EQ(Open(result.output), "x");
}

}  // namespace
}  // namespace corvane
