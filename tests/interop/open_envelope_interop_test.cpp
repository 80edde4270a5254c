// Envelopes made by the openssl command open through decomposeSingleEnvelopedMsg to exactly the
// bytes that went in, with the success box shown.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "corvane.h"
#include "support/export_call.h"
#include "support/openssl_peer.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

TEST(OpenEnvelopeInterop, OpensslEnvelopesOpenToTheirContent) {
  testing::TestHome home;
  auto my_key = testing::TestRsaKey(0);
  auto other_key = testing::TestRsaKey(1);
  auto mine = testing::MakeCertificate({.subject = {{"CN", "Mine"}}, .serial_hex = "0A"},
                                       my_key.get(), nullptr, my_key.get());
  auto other = testing::MakeCertificate({.subject = {{"CN", "Other"}}, .serial_hex = "0B"},
                                        other_key.get(), nullptr, other_key.get());
  testing::InstallCertificate(home.root(), "MY", mine.get(), my_key.get());

  const std::string zeros_and_binary = std::string("\0\0a\0b\xff\x80\0", 8) + RandomBytes(300, 1);
  const struct {
    const char* cipher;
    std::string options;
    bool two_recipients;
    std::string data;
  } rows[] = {
      {"-rc4", "-provider legacy -provider default", false, "rc4 content"},
      {"-des3", "", false, "3des content"},
      {"-aes128", "", false, zeros_and_binary},
      {"-aes256", "", false, ""},
      {"-aes256", "", true, "for two"},
      {"-des3", "", true, zeros_and_binary},
      {"-aes192", "-stream", false, "indefinite lengths"},
      {"-aes256", "", false, RandomBytes(1 << 20, 2)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.cipher) + " " + row.options + (row.two_recipients ? " x2" : "") +
                 " size " + std::to_string(row.data.size()));
    std::vector<X509*> recipients;
    if (row.two_recipients) recipients.push_back(other.get());
    recipients.push_back(mine.get());
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
