// Envelopes made by the openssl command (DER, BER with indefinite lengths, recipients by issuer
// and serial number or by key identifier) open through decomposeSingleEnvelopedMsg to exactly the
// bytes that went in, with the success box shown.
#include <gtest/gtest.h>

#include <string>

#include "corvane.h"
#include "support/export_call.h"
#include "support/openssl_peer.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

TEST(OpenEnvelopeInterop, OpensslEnvelopesOpenToTheirContent) {
  testing::TestHome home;
  const testing::Party mine = testing::MakeParty(0, "Mine", "0A");
  const testing::Party other = testing::MakeParty(1, "Other", "0B");
  testing::InstallCertificate(home.root(), "MY", mine.certificate.get(), mine.key.get());

  const std::string zeros_and_binary = std::string("\0\0a\0b\xff\x80\0", 8) + testing::RandomBytes(3000, 1);
  const std::string mebibyte = testing::RandomBytes(1 << 20, 2);
  const struct {
    const char* cipher;
    std::string options;
    bool two_recipients;
    std::string data;
  } rows[] = {
      {"-rc4", "-provider legacy -provider default", false, zeros_and_binary},
      {"-rc4", "-provider legacy -provider default", true, ""},
      {"-des3", "", false, "3des content"},
      {"-des3", "", true, mebibyte},
      {"-aes128", "", false, zeros_and_binary},
      {"-aes128", "-keyid", true, zeros_and_binary},
      {"-aes256", "", false, ""},
      {"-aes256", "", true, "for two"},
      {"-aes256", "", false, mebibyte},
      {"-aes256", "-stream", true, zeros_and_binary},
      {"-aes192", "-stream", false, "indefinite lengths"},
      {"-aes192", "-stream -keyid", false, mebibyte},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.cipher) + " " + row.options + (row.two_recipients ? " x2" : "") +
                 " size " + std::to_string(row.data.size()));
    std::vector<X509*> recipients;
    if (row.two_recipients) recipients.push_back(other.certificate.get());
    recipients.push_back(mine.certificate.get());
    const std::string text =
        testing::OpensslBase64(testing::OpensslEnvelope(row.data, recipients, row.cipher, row.options));
    home.ClearUiLog();
    const auto opened = testing::CallExport([&](char* out, int32_t* length) {
      return decomposeSingleEnvelopedMsg(text.data(), static_cast<int32_t>(text.size()), out, length);
    });
    EXPECT_EQ(opened.code, 0);
    EXPECT_TRUE(opened.output == row.data);
    EXPECT_EQ(home.UiLog(), std::vector<std::string>{"box\t提示信息\t解密成功"});
  }
}

}  // namespace
}  // namespace corvane
