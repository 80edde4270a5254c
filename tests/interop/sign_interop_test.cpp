// Messages made by generateSingleSignedMsg verify with the openssl command, attached and
// detached, for empty, binary and large data.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "corvane.h"
#include "support/export_call.h"
#include "support/signed_message_view.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

TEST(SignInterop, OpensslVerifiesWhatTheLibrarySigns) {
  testing::TestHome home;
  auto key = testing::TestRsaKey(0);
  auto signer = testing::MakeCertificate({.subject = {{"CN", "Interop Signer"}}, .serial_hex = "5A"},
                                         key.get(), nullptr, key.get());
  testing::InstallCertificate(home.root(), "MY", signer.get(), key.get());

  std::mt19937 random(3);
  std::string large(1 << 20, '\0');
  for (char& c : large) c = static_cast<char>(random());
  const std::string binary("\0\0zero\0bytes\0", 13);
  const struct {
    const char* name;
    std::string data;
  } rows[] = {{"empty", ""}, {"binary", binary}, {"1 MiB", large}};
  for (const auto& row : rows) {
    for (int32_t mode : {0, 1}) {
      SCOPED_TRACE(std::string(row.name) + (mode == 1 ? " detached" : " attached"));
      home.SetEnv("CORVANE_UI_CHOICES", "0");
      const auto signed_text = testing::CallExport([&](char* out, int32_t* length) {
        return generateSingleSignedMsg(row.data.data(), static_cast<uint32_t>(row.data.size()),
                                       mode, out, length);
      });
      ASSERT_EQ(signed_text.code, 0);
      const std::string der = testing::DecodedText(signed_text.output);
      std::string recovered;
      EXPECT_TRUE(testing::OpensslVerifies(der, mode == 1 ? &row.data : nullptr, &recovered))
          << recovered;
      EXPECT_TRUE(recovered == row.data);
      EXPECT_EQ(testing::ViewSignedMessage(der).content_present, mode == 0);
    }
  }
}

}  // namespace
}  // namespace corvane
