// verifySingleSignedMsg through the real export: round trips with the library's own signing, the
// success text, and what the caller's content length and buffer hold after each kind of failure.
#include <gtest/gtest.h>

#include <string>

#include "codec/base64.h"
#include "corvane.h"
#include "support/export_call.h"
#include "support/openssl_peer.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

const std::string kData("signed\0data", 11);
const std::string kSuccessBox =
    "box\t提示信息\t验证签名成功，该信息是由颁发者：CN=QDRA, OU=config, O=Ostrevalia  "
    "，序列号：12AB"
    "  的证书签发的";

// Base64 as MIME writes it: 76-character lines ended by CRLF, here with a blank in each line.
std::string MimeBase64(const std::string& text) {
  std::string flat;
  for (char c : text) {
    if (c != '\n') flat += c;
  }
  std::string mime;
  for (size_t at = 0; at < flat.size(); at += 76) mime += " " + flat.substr(at, 76) + "\r\n";
  return mime;
}

class VerifySignedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pki_ = testing::MakeFixedIssuerPki();
    testing::InstallCertificate(home_.root(), "ROOT", pki_.ca.get());
    testing::InstallCertificate(home_.root(), "MY", pki_.signer.get(), pki_.signer_key.get());
  }

  // The library's own signing, by serial number (no box).
  std::string Sign(int32_t mode) {
    const testing::ExportResult signed_text = testing::CallExport([&](char* out, int32_t* length) {
      return generateSingleSignedMsgBySN(kData.data(), static_cast<uint32_t>(kData.size()), mode,
                                         "12AB", 4, out, length);
    });
    EXPECT_EQ(signed_text.code, 0);
    home_.ClearUiLog();
    return signed_text.output;
  }

  // A detached call: the data in a buffer as large as the size query answers.
  int32_t VerifyDetached(const std::string& text, const std::string& data, int32_t* length,
                         std::string* buffer) {
    *buffer = data;
    buffer->resize(std::max(data.size(), text.size()) + 1, '\x5A');
    return verifySingleSignedMsg(text.data(), static_cast<int32_t>(text.size()), buffer->data(),
                                 length);
  }

  testing::TestHome home_;
  testing::FixedIssuerPki pki_;
};

TEST_F(VerifySignedTest, RoundTripsWithSigningAndNamesTheSigner) {
  for (const bool mime : {false, true}) {
    const std::string attached = mime ? MimeBase64(Sign(0)) : Sign(0);
    const testing::ExportResult result = testing::CallExport([&](char* out, int32_t* length) {
      return verifySingleSignedMsg(attached.data(), static_cast<int32_t>(attached.size()), out,
                                   length);
    });
    ASSERT_EQ(result.code, 0) << "mime " << mime;
    EXPECT_EQ(result.output, kData);
    EXPECT_EQ(home_.UiLog(), std::vector<std::string>{kSuccessBox});
  }

  const std::string detached = Sign(1);
  std::string buffer;
  int32_t length = static_cast<int32_t>(kData.size());
  EXPECT_EQ(VerifyDetached(detached, kData, &length, &buffer), 0);
  EXPECT_EQ(length, static_cast<int32_t>(kData.size()));
  EXPECT_EQ(home_.UiLog(), std::vector<std::string>{kSuccessBox});
}

TEST_F(VerifySignedTest, SizeQueryAnswersTheTextLengthWithoutLookingAtIt) {
  int32_t length = -1;
  EXPECT_EQ(verifySingleSignedMsg("not base64 at all", 17, nullptr, &length), 0);
  EXPECT_EQ(length, 17);
  EXPECT_EQ(verifySingleSignedMsg(nullptr, 17, nullptr, &length), -10001);
  EXPECT_TRUE(home_.UiLog().empty());
}

enum class Message { kNotBase64, kAttached, kDetached, kDetachedForeign, kAttachedForeign, kAttachedNoCerts };

struct FailureCase {
  const char* name;
  Message message;
  bool change_data;
  int32_t length_in;
  int32_t code;
  int32_t length_out;
};

// The length is given up (0) only when a detached signature itself verified; every failure
// leaves the caller's buffer as it was.
const FailureCase kFailureCases[] = {
    {"not_base64", Message::kNotBase64, false, 11, -10002, 11},
    {"detached_without_data", Message::kDetached, false, 0, -10001, 0},
    // Called the detached way with a message that carries content longer than the buffer.
    {"attached_longer_than_buffer", Message::kAttached, false, 5, -10021, 5},
    {"detached_negative_length", Message::kDetached, false, -5, -10001, -5},
    {"detached_data_changed", Message::kDetached, true, 11, -10010, 11},
    {"detached_issuer_missing", Message::kDetachedForeign, false, 11, -10014, 0},
    {"attached_issuer_missing", Message::kAttachedForeign, false, 11, -10014, 11},
    {"attached_no_signer_certificate", Message::kAttachedNoCerts, false, 11, -10009, 11},
};

class VerifySignedFailureTest : public VerifySignedTest,
                                public ::testing::WithParamInterface<FailureCase> {};

TEST_P(VerifySignedFailureTest, LengthAndBufferAfterFailure) {
  const FailureCase& row = GetParam();
  auto foreign_key = testing::TestRsaKey(3);
  auto foreign = testing::MakeCertificate({.subject = {{"CN", "Foreign"}}, .serial_hex = "77"},
                                          foreign_key.get(), nullptr, foreign_key.get());
  std::string text;
  switch (row.message) {
    case Message::kNotBase64:
      text = "YWJjY";
      break;
    case Message::kAttached:
      text = Sign(0);
      break;
    case Message::kDetached:
      text = Sign(1);
      break;
    case Message::kDetachedForeign:
      text = testing::OpensslBase64(
          testing::OpensslSign(kData, {{foreign.get(), foreign_key.get()}}, "-noattr"));
      break;
    case Message::kAttachedForeign:
      text = testing::OpensslBase64(
          testing::OpensslSignedMessage(kData, foreign.get(), foreign_key.get()));
      break;
    case Message::kAttachedNoCerts:
      text = testing::OpensslBase64(
          testing::OpensslSign(kData, {{pki_.signer.get(), pki_.signer_key.get()}}, "-nodetach -nocerts"));
      break;
  }
  std::string data = kData;
  if (row.change_data) data[0] ^= 1;
  std::string buffer;
  int32_t length = row.length_in;
  EXPECT_EQ(VerifyDetached(text, data, &length, &buffer), row.code);
  EXPECT_EQ(length, row.length_out);
  std::string untouched = data;
  untouched.resize(buffer.size(), '\x5A');
  EXPECT_EQ(buffer, untouched);
  ASSERT_EQ(home_.UiLog().size(), 1u);
  EXPECT_EQ(home_.UiLog()[0].rfind("box\t问题汇报\t", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, VerifySignedFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane
