// decomposeSingleEnvelopedMsg through the real export: the frame, its result codes and boxes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "corvane.h"
#include "ops/operation_frame.h"
#include "platform/posix/fault_injection.h"
#include "support/export_call.h"
#include "support/openssl_peer.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

using platform::testing::ArmFault;
using platform::testing::ClearFaults;
using platform::testing::PlatformCallCount;
using platform::testing::ResetPlatformCallCount;
using testing::CallExport;
using testing::ExportResult;

const std::string kNotice = "提示信息";
const std::string kProblem = "问题汇报";

class DecomposeEnvelopedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFaults();
    key_ = testing::TestRsaKey(0);
    certificate_ = testing::MakeCertificate({.subject = {{"CN", "Recipient"}}, .serial_hex = "1001"},
                                            key_.get(), nullptr, key_.get());
    testing::InstallCertificate(home_.root(), "MY", certificate_.get(), key_.get());
  }
  void TearDown() override { ClearFaults(); }

  std::string EnvelopeText(const std::string& data) {
    return testing::OpensslBase64(testing::OpensslEnvelope(data, {certificate_.get()}, "-aes256"));
  }

  ExportResult Open(const std::string& text) {
    return CallExport([&](char* out, int32_t* length) {
      return decomposeSingleEnvelopedMsg(text.data(), static_cast<int32_t>(text.size()), out, length);
    });
  }

  std::vector<std::string> Boxes() const { return home_.UiLog(); }

  testing::TestHome home_;
  ossl::UniquePtr<EVP_PKEY> key_;
  ossl::UniquePtr<X509> certificate_;
};

TEST_F(DecomposeEnvelopedTest, OpensWithSuccessBoxAndExactLength) {
  const std::string data("binary\0data\xff", 12);
  const ExportResult opened = Open(EnvelopeText(data));
  EXPECT_EQ(opened.code, 0);
  EXPECT_EQ(opened.output, data);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"box\t" + kNotice + "\t解密成功"});
}

TEST_F(DecomposeEnvelopedTest, SecondCallOpensTheExistingKeyContainer) {
  const std::string text = EnvelopeText("twice");
  ASSERT_EQ(Open(text).code, 0);
  ResetPlatformCallCount();
  EXPECT_EQ(Open(text).output, "twice");
  // The container made by the first call exists: NEWKEYSET meets NTE_EXISTS, then it is opened.
  EXPECT_EQ(PlatformCallCount("CryptAcquireContextA"), 2u);
  EXPECT_EQ(PlatformCallCount("CryptReleaseContext"), 1u);
}

TEST_F(DecomposeEnvelopedTest, ArgumentChecksAndSizeQueryNeverReachThePlatform) {
  const std::string text(500, 'A');
  int32_t length = 77;
  char output[8];
  ResetPlatformCallCount();
  EXPECT_EQ(decomposeSingleEnvelopedMsg(nullptr, 500, output, &length), -10001);
  EXPECT_EQ(decomposeSingleEnvelopedMsg(text.data(), 500, output, nullptr), -10001);
  EXPECT_EQ(length, 77);
  EXPECT_EQ(decomposeSingleEnvelopedMsg(text.data(), 500, nullptr, &length), 0);
  EXPECT_EQ(length, 500);
  EXPECT_EQ(PlatformCallCount(), 0u);
  EXPECT_TRUE(Boxes().empty());
}

// Each failure row: how it is provoked, the code, and the text of the failure box.
struct FailureRow {
  const char* name;
  const char* fault_api;  // null: provoked by the input alone
  DWORD fault_error;
  int skip;
  int times;
  int32_t code;
  const char* box_text;
};

const FailureRow kFailureRows[] = {
    {"message buffer", "LocalAlloc", ERROR_NOT_ENOUGH_MEMORY, 0, 1, -10000, "没有可用的内存空间"},
    {"content buffer", "LocalAlloc", ERROR_NOT_ENOUGH_MEMORY, 1, 1, -10000, "没有可用的内存空间"},
    {"default provider", "CryptSetProviderExA", NTE_BAD_PROV_TYPE, 0, 1, -10019, "找不到设备(1)"},
    {"existing container", "CryptAcquireContextA", NTE_EXISTS, 0, 2, -10019, "找不到设备(2)"},
    {"store", "CertOpenSystemStoreA", ERROR_FILE_NOT_FOUND, 0, 1, -10018, "打不开证书存储区"},
    {"no decrypt cert", "CryptDecryptMessage", CRYPT_E_NO_DECRYPT_CERT, 0, 1, -10015,
     "没有找到相应的私钥"},
    {"no key property", "CryptDecryptMessage", CRYPT_E_NO_KEY_PROPERTY, 0, 1, -10023, "解密数据失败"},
    {"encoding", "CryptDecryptMessage", CRYPT_E_OSS_ERROR, 0, 1, -10007, "不可识别的包"},
    {"bad signature", "CryptDecryptMessage", NTE_BAD_SIGNATURE, 0, 1, -10010,
     "无效的证书签名或者数据签名验证不对"},
    {"second pass", "CryptDecryptMessage", NTE_BAD_DATA, 1, 1, -10023, "解密数据失败"},
};

TEST_F(DecomposeEnvelopedTest, EveryFailureRowLeavesOutputUntouchedAndShowsItsBox) {
  const std::string text = EnvelopeText("payload");
  for (const FailureRow& row : kFailureRows) {
    SCOPED_TRACE(row.name);
    home_.ClearUiLog();
    ArmFault(row.fault_api, row.fault_error, row.skip, row.times);
    const ExportResult opened = Open(text);
    ClearFaults();
    EXPECT_EQ(opened.code, row.code);
    EXPECT_TRUE(opened.untouched);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"box\t" + kProblem + "\t" + row.box_text});
  }
}

// A provider that cannot be set opens no store; a container that cannot be acquired for another
// reason than its existence is gone on without (and so never released).
TEST_F(DecomposeEnvelopedTest, ProviderFailuresAndTheCallsLeftOut) {
  const std::string text = EnvelopeText("no context");
  const struct {
    const char* api;
    DWORD error;
    int32_t code;
    const char* call_left_out;
  } rows[] = {{"CryptSetProviderExA", NTE_BAD_PROV_TYPE, -10019, "CertOpenSystemStoreA"},
              {"CryptAcquireContextA", NTE_BAD_KEYSET, 0, "CryptReleaseContext"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.api);
    ArmFault(row.api, row.error);
    ResetPlatformCallCount();
    const ExportResult opened = Open(text);
    ClearFaults();
    EXPECT_EQ(opened.code, row.code);
    if (row.code == 0) { EXPECT_EQ(opened.output, "no context"); }
    EXPECT_EQ(PlatformCallCount(row.call_left_out), 0u);
  }
}

// Failures of real inputs and stores, the last row with a file in the place of MY. Text that is
// not Base64 fails before any provider work.
TEST_F(DecomposeEnvelopedTest, RealPlatformFailures) {
  const testing::Party stranger = testing::MakeParty(1, "Stranger", "2002");
  const std::string for_stranger =
      testing::OpensslBase64(testing::OpensslEnvelope("secret", {stranger.certificate.get()}, "-aes128"));
  const std::string signed_message = testing::OpensslBase64(
      testing::OpensslSignedMessage("signed", certificate_.get(), key_.get()));
  const struct {
    const char* name;
    std::string text;
    int32_t code;
    const char* box_text;
  } rows[] = {
      {"bad Base64", "YWJjY", -10002, "解码失败"},
      {"recipient not in MY", for_stranger, -10015, "没有找到相应的私钥"},
      {"not a message", testing::OpensslBase64("hello, world"), -10007, "不可识别的包"},
      {"only blanks", " \r\n\t\n", -10007, "不可识别的包"},
      {"misplaced pad", "YWJjYQ=A", -10007, "不可识别的包"},
      {"signed, not enveloped", signed_message, -10023, "解密数据失败"},
      {"store that is not a folder", EnvelopeText("x"), -10018, "打不开证书存储区"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.code == -10018) {
      std::filesystem::remove_all(home_.root() / "stores" / "MY");
      testing::WriteFile(home_.root() / "stores" / "MY", "not a folder");
    }
    home_.ClearUiLog();
    ResetPlatformCallCount();
    const ExportResult opened = Open(row.text);
    EXPECT_EQ(opened.code, row.code);
    EXPECT_TRUE(opened.untouched);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"box\t" + kProblem + "\t" + row.box_text});
    if (row.code == -10002) { EXPECT_EQ(PlatformCallCount("CryptSetProviderExA"), 0u); }
  }
}

// The export's last step with content sizes the real platform never reports: content longer than
// the decoded message is refused and the caller's buffer and length stay as they were.
TEST(CopyContentToCaller, RefusesContentLongerThanTheMessage) {
  ops::CallBuffer content;
  ASSERT_TRUE(content.Allocate(16).ok());
  std::memcpy(content.data(), "0123456789abcdef", 16);
  const struct {
    DWORD size;
    DWORD limit;
    int32_t code;
  } rows[] = {{0, 0, 0}, {5, 5, 0}, {5, 16, 0}, {6, 5, -10023}, {16, 0, -10023}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.size);
    std::string output(16, '#');
    int32_t length = -7;
    const ops::Outcome outcome = ops::CopyContentToCaller(
        content, row.size, row.limit, ops::Failure::kDecryptionFailed, output.data(), &length);
    EXPECT_EQ(outcome.code, row.code);
    if (row.code == 0) {
      EXPECT_EQ(length, static_cast<int32_t>(row.size));
      EXPECT_EQ(output, std::string("0123456789abcdef").substr(0, row.size) +
                            std::string(16 - row.size, '#'));
    } else {
      EXPECT_EQ(length, -7);
      EXPECT_EQ(output, std::string(16, '#'));
      EXPECT_STREQ(outcome.text, "\xBD\xE2\xC3\xDC\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC");  // 解密数据失败
    }
  }
}

}  // namespace
}  // namespace corvane
