// A certificate in MY whose key is on a PKCS #11 token (SoftHSM2) signs and opens through the
// exports like one with a key file; PIN failures and a missing token give their codes.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "corvane.h"
#include "platform/handle_owners.h"
#include "support/export_call.h"
#include "support/signed_message_view.h"
#include "support/openssl_peer.h"
#include "support/soft_token.h"
#include "platform/posix/keys/token_key.h"
#include "platform/posix/store/thumbprint.h"
#include "platform/posix/ui/ui.h"
#include "support/store_fixtures.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

#ifdef __SANITIZE_ADDRESS__
extern "C" size_t __sanitizer_get_current_allocated_bytes();  // AddressSanitizer's allocator
#endif

// Bytes the process holds allocated now.
size_t AllocatedBytes() {
#ifdef __SANITIZE_ADDRESS__
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

class TokenKeyInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::MakeSoftToken(home_, key_.get(), certificate_.get());
    testing::LinkTokenCertificate(home_, certificate_.get());
    home_.SetEnv("CORVANE_UI_PIN", testing::kTokenPin);
  }

  testing::ExportResult Sign(const std::string& data, int32_t mode) {
    home_.SetEnv("CORVANE_UI_CHOICES", "0");
    return testing::CallExport([&](char* out, int32_t* length) {
      return generateSingleSignedMsg(data.data(), static_cast<uint32_t>(data.size()), mode, out,
                                     length);
    });
  }

  testing::ExportResult Open(const std::string& data) {
    const std::string text =
        testing::OpensslBase64(testing::OpensslEnvelope(data, {certificate_.get()}, "-aes256"));
    return testing::CallExport([&](char* out, int32_t* length) {
      return decomposeSingleEnvelopedMsg(text.data(), static_cast<int32_t>(text.size()), out,
                                         length);
    });
  }

  testing::TestHome home_;
  ossl::UniquePtr<EVP_PKEY> key_ = testing::TestRsaKey(0);
  ossl::UniquePtr<X509> certificate_ = testing::MakeCertificate(
      {.subject = {{"CN", "Token Holder"}}, .serial_hex = "70"}, key_.get(), nullptr, key_.get());
};

TEST_F(TokenKeyInterop, SignsAndOpensWithOnePinPerCall) {
  const std::string data("token\0signed", 12);
  for (int32_t mode : {0, 1}) {
    SCOPED_TRACE(mode == 1 ? "detached" : "attached");
    home_.ClearUiLog();
    const testing::ExportResult signed_text = Sign(data, mode);
    ASSERT_EQ(signed_text.code, 0);
    std::string recovered;
    EXPECT_TRUE(testing::OpensslVerifies(testing::DecodedText(signed_text.output),
                                         mode == 1 ? &data : nullptr, &recovered))
        << recovered;
    EXPECT_EQ(recovered, data);
    const std::vector<std::string> log = home_.UiLog();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.front().find("Token Holder"), std::string::npos);  // the chooser lists it
    EXPECT_EQ(std::count(log.begin(), log.end(), "pin\tasked\tgiven"), 1);
  }
  home_.ClearUiLog();
  const testing::ExportResult opened = Open(data);
  ASSERT_EQ(opened.code, 0);
  EXPECT_EQ(opened.output, data);
  const std::vector<std::string> log = home_.UiLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "pin\tasked\tgiven"), 1);
}

// With no module named, p11-kit's proxy finds SoftHSM through the system's module configuration.
TEST_F(TokenKeyInterop, SystemModuleConfigurationFindsTheToken) {
  home_.SetEnv("CORVANE_PKCS11_MODULE", std::nullopt);
  EXPECT_EQ(Sign("data", 0).code, 0);
}

TEST_F(TokenKeyInterop, RefusedPinAndMissingTokenGiveTheirCodes) {
  const struct {
    const char* name;
    const char* variable;
    std::optional<std::string> value;
    int32_t sign_code;
    int32_t open_code;
    const char* pin_log;  // the PIN line of the UI log; null: no PIN asked
  } rows[] = {
      {"wrong PIN", "CORVANE_UI_PIN", "1111", -10020, -10023, "pin\tasked\tgiven"},
      {"cancelled", "CORVANE_UI_PIN", std::nullopt, -10020, -10023, "pin\tasked\trefused"},
      {"no module", "CORVANE_PKCS11_MODULE", "/nonexistent/module.so", -10015, -10015, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    home_.SetEnv(row.variable, row.value);
    for (bool opening : {false, true}) {
      home_.ClearUiLog();
      const testing::ExportResult result = opening ? Open("data") : Sign("data", 0);
      EXPECT_EQ(result.code, opening ? row.open_code : row.sign_code) << opening;
      EXPECT_TRUE(result.untouched);
      const std::vector<std::string> log = home_.UiLog();
      EXPECT_EQ(std::count(log.begin(), log.end(), row.pin_log ? row.pin_log : ""),
                row.pin_log ? 1 : 0);
      for (const std::string& line : log) EXPECT_EQ(line.find("1111"), std::string::npos);
    }
  }
}

// In one process, looking for a key on a token that is not present fails that call only: the
// present token signs and opens before and after (freeing the slot list the missing token was
// looked for in used to close the sessions of the present token's slot for good). Looking again
// and again, by key or by listing, holds on to no more memory after the first rounds (each look
// used to keep a slot list). Both with calls one after another and while another call is under
// way all along (its provider context held), when the token stays logged in between the calls.
TEST_F(TokenKeyInterop, MissingTokenLeavesPresentOnesWorkingAndCostsNoMemory) {
  const std::filesystem::path key_file =
      home_.root() / "stores/MY" / (platform::Thumbprint(certificate_.get()) + ".key");
  const std::string present = testing::SoftTokenKeyUri() + "\n";
  const std::string missing = "pkcs11:token=not%20present;id=%01\n";
  const struct {
    const char* name;
    const std::string& key_uri;
    bool opening;
    int32_t code;
  } steps[] = {
      {"present signs", present, false, 0},
      {"missing", missing, false, -10015},
      {"present signs again", present, false, 0},
      {"missing on opening", missing, true, -10015},
      {"present opens after a missing one", present, true, 0},
  };
  const auto round = [&] {
    EXPECT_EQ(Sign("data", 0).code, -10015);
    std::vector<platform::TokenCertificate> listed;
    EXPECT_TRUE(platform::ListTokenCertificates("", platform::AskPin, listed).ok());
    EXPECT_EQ(listed.size(), 1u);
  };
  for (bool call_under_way : {false, true}) {
    SCOPED_TRACE(call_under_way ? "another call under way" : "calls one after another");
    platform::OwnedProvider other_call;
    if (call_under_way) {
      HCRYPTPROV handle = 0;
      ASSERT_TRUE(CryptAcquireContextA(&handle, nullptr, MS_DEF_PROV_A, PROV_RSA_FULL,
                                       CRYPT_VERIFYCONTEXT));
      other_call.Adopt(handle);
    }
    for (const auto& step : steps) {
      SCOPED_TRACE(step.name);
      testing::WriteFile(key_file, step.key_uri);
      EXPECT_EQ((step.opening ? Open("data") : Sign("data", 0)).code, step.code);
    }

    testing::WriteFile(key_file, missing);
    for (int i = 0; i < 3; ++i) round();
    const size_t before = AllocatedBytes();
    for (int i = 0; i < 1000 && !HasFailure(); ++i) round();
    EXPECT_LT(AllocatedBytes(), before + 64 * 1024);  // a slot list a round: over 1 MB
    testing::WriteFile(key_file, present);
    EXPECT_EQ(Sign("data", 0).code, 0);
  }
}

// A URI that names a token key of another certificate is no key for this one.
TEST_F(TokenKeyInterop, TokenKeyOfAnotherCertificateIsNotLinked) {
  std::filesystem::remove_all(home_.root() / "stores");
  const auto other_key = testing::TestRsaKey(1);
  const auto other = testing::MakeCertificate({.subject = {{"CN", "Other"}}, .serial_hex = "71"},
                                              other_key.get(), nullptr, other_key.get());
  testing::LinkTokenCertificate(home_, other.get());
  EXPECT_EQ(Sign("data", 0).code, -10015);
}

// The tool finds the token certificate, links it (the URI as the .key, 0600), lists it by its
// token, and its check reports the link once the token is gone.
TEST_F(TokenKeyInterop, ToolLinksListsAndChecksTokenCertificates) {
  std::filesystem::remove_all(home_.root() / "stores");
  const testing::ToolRun listed = testing::RunStoreTool("link-token");
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_NE(listed.out.find("0) /CN=Token Holder"), std::string::npos) << listed.out;
  EXPECT_FALSE(std::filesystem::exists(home_.root() / "stores"));
  const testing::ToolRun wrong = testing::RunStoreTool("link-token --token other --all");
  EXPECT_NE(wrong.out.find("no certificate"), std::string::npos) << wrong.out;

  const testing::ToolRun linked = testing::RunStoreTool("link-token --token 'corvane test' 0");
  EXPECT_EQ(linked.status, 0) << linked.err;
  const std::filesystem::path key = home_.root() / "stores/MY" /
      (platform::Thumbprint(certificate_.get()) + ".key");
  EXPECT_EQ(testing::ReadFile(key), testing::SoftTokenKeyUri() + "\n");
  EXPECT_EQ(std::filesystem::status(key).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_NE(testing::RunStoreTool("list MY").out.find("Private key: token (corvane test)"),
            std::string::npos);
  EXPECT_EQ(testing::RunStoreTool("check MY").status, 0);
  EXPECT_EQ(Sign("linked", 0).code, 0);

  std::filesystem::remove_all(home_.root() / "softhsm/tokens");
  std::filesystem::create_directories(home_.root() / "softhsm/tokens");
  const testing::ToolRun checked = testing::RunStoreTool("check MY");
  EXPECT_EQ(checked.status, 1);
  EXPECT_NE(checked.out.find("on token \"corvane test\", which is not present"), std::string::npos)
      << checked.out;
}

}  // namespace
}  // namespace corvane
