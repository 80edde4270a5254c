// generateSingleSignedMsg and its serial-number variants through the real exports.
#include <gtest/gtest.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "corvane.h"
#include "platform/posix/fault_injection.h"
#include "platform/posix/store/thumbprint.h"
#include "support/export_call.h"
#include "support/signed_message_view.h"
#include "support/test_home.h"
#include "support/fixed_issuer_pki.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using platform::testing::ArmFault;
using platform::testing::ClearFaults;
using platform::testing::PlatformCallCount;
using platform::testing::ResetPlatformCallCount;
using testing::CallExport;
using testing::ExportResult;

const std::string kQdra = "CN=QDRA, OU=config, O=Ostrevalia";

bool HasChooser(const std::vector<std::string>& log) {
  for (const auto& line : log) {
    if (line.rfind("choose\t", 0) == 0) return true;
  }
  return false;
}

class GenerateSignedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFaults();
    pki_ = testing::MakeFixedIssuerPki();
    testing::InstallCertificate(home_.root(), "MY", pki_.signer.get(), pki_.signer_key.get());
  }
  void TearDown() override { ClearFaults(); }

  void Choose(const std::string& choices) { home_.SetEnv("CORVANE_UI_CHOICES", choices); }

  ExportResult Sign(const std::string& data, int32_t mode) {
    return CallExport([&](char* out, int32_t* length) {
      return generateSingleSignedMsg(data.data(), static_cast<uint32_t>(data.size()), mode, out,
                                     length);
    });
  }
  ExportResult SignBySerial(const std::string& data, const char* serial, int32_t serial_length,
                            const char* issuer = nullptr) {
    return CallExport([&](char* out, int32_t* length) {
      const auto size = static_cast<uint32_t>(data.size());
      if (issuer == nullptr) {
        return generateSingleSignedMsgBySN(data.data(), size, 0, serial, serial_length, out, length);
      }
      return generateSingleSignedMsgByIssuerSN(data.data(), size, 0, issuer, 0, serial,
                                               serial_length, out, length);
    });
  }

  testing::TestHome home_;
  testing::FixedIssuerPki pki_;
};

TEST_F(GenerateSignedTest, SizeQueryAndArgumentChecksNeverReachThePlatform) {
  const char data[1000] = {};
  const struct {
    uint32_t length;
    int32_t code, bound;  // bound -1: left as it was
  } bounds[] = {{0, 0, 3709},          {1, 0, 3713},       {22, 0, 3742},     {100, 0, 3847},
                {1000, 0, 5066},       {65536, 0, 92459},  {1585831338u, 0, 2147483646},
                {1585831339u, -10003, -1},  // the first length whose capacity is past INT32_MAX
                {INT32_MAX, -10003, -1},    {UINT32_MAX - 1999, -10003, -1},  // S(n) wraps small
                {UINT32_MAX, -10003, -1}};
  ResetPlatformCallCount();
  for (const auto& row : bounds) {
    SCOPED_TRACE(row.length);
    int32_t length = -1;
    EXPECT_EQ(generateSingleSignedMsg(data, row.length, 0, nullptr, &length), row.code);
    EXPECT_EQ(length, row.bound);
    length = -1;
    EXPECT_EQ(generateSingleSignedMsgBySN(data, row.length, 0, nullptr, 9, nullptr, &length), row.code);
    EXPECT_EQ(length, row.bound);
    length = -1;
    EXPECT_EQ(generateSingleSignedMsgByIssuerSN(data, row.length, 1, nullptr, 0, nullptr, -4,
                                                nullptr, &length),
              row.code);
    EXPECT_EQ(length, row.bound);
  }
  int32_t length = 5;
  char output[16];
  EXPECT_EQ(generateSingleSignedMsg(nullptr, 1, 0, output, &length), -10001);
  EXPECT_EQ(generateSingleSignedMsg(data, 1, 0, output, nullptr), -10001);
  EXPECT_EQ(generateSingleSignedMsgBySN(nullptr, 1, 0, "12AB", 4, output, &length), -10001);
  EXPECT_EQ(generateSingleSignedMsgByIssuerSN(data, 1, 0, "x", 1, "12AB", 4, output, nullptr),
            -10001);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(PlatformCallCount(), 0u);
  EXPECT_TRUE(home_.UiLog().empty());
  // The fill calls for such data fail the same way before reading it (16 bytes are there) or
  // writing anything; the interactive export says so in its box.
  std::memset(output, 'g', sizeof output);
  EXPECT_EQ(generateSingleSignedMsg(data, UINT32_MAX, 1, output, &length), -10003);
  EXPECT_EQ(generateSingleSignedMsgBySN(data, 1585831339u, 1, "12AB", 4, output, &length), -10003);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(std::string(output, sizeof output), std::string(sizeof output, 'g'));
  EXPECT_EQ(PlatformCallCount("CertOpenSystemStoreA"), 0u);
  EXPECT_EQ(home_.UiLog(), std::vector<std::string>{"box\t问题汇报\t编码失败"});
}

TEST_F(GenerateSignedTest, ModesMakeAttachedOrDetachedMessages) {
  const std::string data("mode\0data", 9);
  for (int32_t mode : {0, 1, 2, -1}) {
    SCOPED_TRACE(mode);
    Choose("0");
    home_.ClearUiLog();
    const ExportResult signed_text = Sign(data, mode);
    ASSERT_EQ(signed_text.code, 0);
    const std::string der = testing::DecodedText(signed_text.output);
    // The text is 4 * ceil(B / 3) characters plus one line feed per 64-character line.
    const size_t characters = 4 * ((der.size() + 2) / 3);
    EXPECT_EQ(signed_text.output.size(), characters + (characters + 63) / 64);

    testing::ExpectLibrarySignedForm(der, testing::DerOf(pki_.signer.get()), data, mode == 1);

    std::string recovered;
    EXPECT_TRUE(testing::OpensslVerifies(der, mode == 1 ? &data : nullptr, &recovered)) << recovered;
    EXPECT_EQ(recovered, data);
    ASSERT_EQ(home_.UiLog().size(), 2u);
    EXPECT_EQ(home_.UiLog()[1], "box\t提示信息\t签名成功");
  }
}

TEST_F(GenerateSignedTest, ChooserFailuresAndMissingKey) {
  auto keyless_key = testing::TestRsaKey(1);
  auto keyless = testing::MakeCertificate({.subject = {{"CN", "Keyless"}}, .serial_hex = "77"},
                                          keyless_key.get(), pki_.ca.get(), pki_.ca_key.get());
  testing::InstallCertificate(home_.root(), "MY", keyless.get());
  // The chooser lists MY by thumbprint; find which line is the keyless certificate.
  Choose("cancel");
  home_.ClearUiLog();
  ASSERT_EQ(Sign("x", 0).code, -10005);
  const std::string chooser = home_.UiLog().at(0);
  const size_t keyless_line = chooser.find("Keyless") < chooser.find("Signer") ? 0 : 1;

  const struct {
    const char* name;
    std::string choices;
    int32_t code;
    const char* box_text;
  } rows[] = {
      {"cancel", "cancel", -10005, "没有指定证书"},
      {"ok without a line", "ok", -10005, "没有指定证书"},
      {"no linked key", std::to_string(keyless_line), -10015, "没有找到相应的私钥"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Choose(row.choices);
    home_.ClearUiLog();
    const ExportResult result = Sign("data", 0);
    EXPECT_EQ(result.code, row.code);
    EXPECT_TRUE(result.untouched);
    const auto log = home_.UiLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(HasChooser(log));
    EXPECT_EQ(log[1], std::string("box\t问题汇报\t") + row.box_text);
  }
}

// A certificate whose file is deleted while the chooser is open is not used: the chooser here is
// the graphical front end's tool, a script standing in for zenity that removes files first.
TEST_F(GenerateSignedTest, CertificateRemovedWhileTheChooserIsOpenIsNotChosen) {
  const fs::path bin = home_.root() / "bin";
  testing::WriteFile(bin / "zenity",
                     "#!/bin/sh\ncase \"$1\" in --list) rm -f $REMOVE_WHILE_OPEN; echo 0;; esac\nexit 0\n");
  fs::permissions(bin / "zenity", fs::perms::owner_all);
  home_.SetEnv("CORVANE_UI", "gui");
  home_.SetEnv("PATH", bin.string() + ":/usr/bin:/bin");
  const fs::path certificate = home_.root() / "stores" / "MY" / (platform::Thumbprint(pki_.signer.get()) + ".cer");
  const std::string key = fs::path(certificate).replace_extension(".key").string();
  const struct {
    const char* name;
    std::string removed;
    int32_t code;
  } rows[] = {{"nothing removed", "", 0},
              {"certificate removed", certificate.string(), -10005},
              {"certificate and key removed", certificate.string() + " " + key, -10005}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::InstallCertificate(home_.root(), "MY", pki_.signer.get(), pki_.signer_key.get());
    home_.SetEnv("REMOVE_WHILE_OPEN", row.removed);
    EXPECT_EQ(Sign("data", 0).code, row.code);
  }
}

// A certificate whose names begin with an empty relative name is listed by its other attributes
// and signs.
TEST_F(GenerateSignedTest, CertificateWithAnEmptyRelativeNameIsChosen) {
  fs::remove_all(home_.root() / "stores" / "MY");
  auto odd = testing::MakeEmptyRelativeNameCertificate(pki_.signer_key.get());
  ASSERT_NE(odd, nullptr);
  testing::InstallCertificate(home_.root(), "MY", odd.get(), pki_.signer_key.get());
  Choose("0");
  const ExportResult result = Sign("data", 0);
  EXPECT_EQ(result.code, 0);
  const auto log = home_.UiLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0], "choose\t签发者：Empty RDN ，主题：Empty RDN\t0");
}

struct FaultRow {
  const char* name;
  const char* api;
  DWORD error;
  int skip;
  int32_t code;
  const char* box_text;
};

const FaultRow kFaultRows[] = {
    {"default provider", "CryptSetProviderExA", NTE_BAD_PROV_TYPE, 0, -10019, "找不到设备(1)"},
    {"store", "CertOpenSystemStoreA", ERROR_FILE_NOT_FOUND, 0, -10018, "打不开个人证书存储区"},
    {"no key property", "CryptSignMessage", CRYPT_E_NO_KEY_PROPERTY, 0, -10015, "没有找到相应的私钥"},
    {"encoding error", "CryptSignMessage", CRYPT_E_OSS_ERROR, 0, -10007, "不可识别的包"},
    {"bad signature", "CryptSignMessage", NTE_BAD_SIGNATURE, 1, -10010,
     "无效的证书签名或者数据签名验证不对"},
    {"other", "CryptSignMessage", CRYPT_E_NO_DECRYPT_CERT, 0, -10020, "签名失败"},
    // The message buffer is the last allocation of a call: its skip is counted at run time.
    {"message buffer", "LocalAlloc", ERROR_NOT_ENOUGH_MEMORY, -1, -10000, "没有可用的内存空间"},
};

// The skip of a row: as given, or, for -1, the number of allocations a successful call makes
// before its message buffer.
int SkipFor(const FaultRow& row, const std::function<int32_t()>& successful_call) {
  if (row.skip >= 0) return row.skip;
  ResetPlatformCallCount();
  EXPECT_EQ(successful_call(), 0);
  return static_cast<int>(PlatformCallCount(row.api)) - 1;
}

TEST_F(GenerateSignedTest, PlatformFailuresInTheInteractiveExport) {
  for (const FaultRow& row : kFaultRows) {
    SCOPED_TRACE(row.name);
    Choose("0");
    const int skip = SkipFor(row, [&] { return Sign("data", 0).code; });
    Choose("0");
    home_.ClearUiLog();
    ArmFault(row.api, row.error, skip);
    const ExportResult result = Sign("data", 0);
    ClearFaults();
    EXPECT_EQ(result.code, row.code);
    EXPECT_TRUE(result.untouched);
    const auto log = home_.UiLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), std::string("box\t问题汇报\t") + row.box_text);
  }
}

TEST_F(GenerateSignedTest, SerialVariantsFailSilentlyWithoutFallback) {
  for (const FaultRow& row : kFaultRows) {
    SCOPED_TRACE(row.name);
    const int skip = SkipFor(row, [&] { return SignBySerial("data", "12AB", 4).code; });
    home_.ClearUiLog();
    ArmFault(row.api, row.error, skip);
    const ExportResult result = SignBySerial("data", "12AB", 4);
    ClearFaults();
    EXPECT_EQ(result.code, row.code);
    EXPECT_TRUE(result.untouched);
    EXPECT_TRUE(home_.UiLog().empty());
  }
}

TEST_F(GenerateSignedTest, SerialVariantsFindTheSignerWithoutAnyBox) {
  const struct {
    const char* serial;
    int32_t length;
    const char* issuer;
  } rows[] = {{"12AB", 4, nullptr}, {"12ab", 4, nullptr}, {"0012AB", 6, nullptr},
              {"12ABCD", 4, nullptr}, {"12AB", 4, kQdra.c_str()}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.serial);
    home_.ClearUiLog();
    const ExportResult result = SignBySerial("by serial", row.serial, row.length, row.issuer);
    ASSERT_EQ(result.code, 0);
    EXPECT_TRUE(home_.UiLog().empty());
    const auto view = testing::ViewSignedMessage(testing::DecodedText(result.output));
    EXPECT_EQ(view.first_certificate_der, testing::DerOf(pki_.signer.get()));
    EXPECT_EQ(view.content, "by serial");
  }
}

TEST_F(GenerateSignedTest, SerialVariantsFallBackToTheChooser) {
  const struct {
    const char* name;
    const char* serial;
    int32_t length;
    const char* issuer;
  } rows[] = {
      {"unknown serial", "9999", 4, nullptr},
      {"blank between pairs", "12 AB", 5, nullptr},
      {"colon", "12:AB", 5, nullptr},
      {"0x prefix", "0x12AB", 6, nullptr},
      {"issuer in other case", "12AB", 4, "cn=QDRA, OU=config, O=Ostrevalia"},
      {"issuer without blanks", "12AB", 4, "CN=QDRA,OU=config,O=Ostrevalia"},
      {"null serial", nullptr, 4, nullptr},
      {"null issuer", "12AB", 4, ""},
      {"negative serial length", "12AB", -2, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    // Cancelled in the chooser: the interactive twin's own failure box.
    Choose("cancel");
    home_.ClearUiLog();
    const char* issuer = row.issuer != nullptr && row.issuer[0] == '\0' ? nullptr : row.issuer;
    ExportResult result;
    if (std::string(row.name) == "null issuer") {
      result = CallExport([&](char* out, int32_t* length) {
        return generateSingleSignedMsgByIssuerSN("d", 1, 0, nullptr, 0, "12AB", 4, out, length);
      });
    } else {
      result = SignBySerial("d", row.serial, row.length, issuer);
    }
    EXPECT_EQ(result.code, -10005);
    const auto log = home_.UiLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(HasChooser(log));
    EXPECT_EQ(log[1], "box\t问题汇报\t没有指定证书");

    // Chosen in the chooser: signed with the twin's success box.
    Choose("0");
    home_.ClearUiLog();
    if (std::string(row.name) != "null issuer") {
      EXPECT_EQ(SignBySerial("d", row.serial, row.length, issuer).code, 0);
      EXPECT_EQ(home_.UiLog().back(), "box\t提示信息\t签名成功");
    }
  }
}

TEST_F(GenerateSignedTest, MessageLongerThanTheToldCapacityIsRefused) {
  // A signing certificate of several kilobytes makes the message text longer than S(n).
  auto big = testing::MakeCertificate({.subject = {{"CN", "Big"}}, .serial_hex = "0B16"},
                                      pki_.signer_key.get(), pki_.ca.get(), pki_.ca_key.get());
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, pki_.ca.get(), big.get(), nullptr, nullptr, 0);
  const std::string comment(4000, 'c');
  X509_EXTENSION* extension =
      X509V3_EXT_conf_nid(nullptr, &context, NID_netscape_comment, comment.c_str());
  ASSERT_NE(extension, nullptr);
  X509_add_ext(big.get(), extension, -1);
  X509_EXTENSION_free(extension);
  ASSERT_GT(X509_sign(big.get(), pki_.ca_key.get(), EVP_sha256()), 0);
  testing::InstallCertificate(home_.root(), "MY", big.get(), pki_.signer_key.get());

  home_.ClearUiLog();
  const ExportResult result = SignBySerial("", "0B16", 4);
  EXPECT_EQ(result.code, -10003);
  EXPECT_TRUE(result.untouched);
  EXPECT_TRUE(home_.UiLog().empty());
}

}  // namespace
}  // namespace corvane
