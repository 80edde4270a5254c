// Envelopes made by composeSingleEnvelopedMsg open with the openssl command and with
// decomposeSingleEnvelopedMsg for the holder of the recipient's key: empty, binary, 1 MiB.
#include <gtest/gtest.h>

#include <string>

#include "codec/base64.h"
#include "corvane.h"
#include "support/engine_fixtures.h"
#include "support/export_call.h"
#include "support/openssl_peer.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

TEST(EnvelopeInterop, OpensslAndTheLibraryOpenWhatTheLibraryEnvelopes) {
  testing::TestHome home;
  auto key = testing::TestRsaKey(0);
  auto recipient = testing::MakeCertificate({.subject = {{"CN", "Interop"}}, .serial_hex = "5E"},
                                            key.get(), nullptr, key.get());
  testing::InstallCertificate(home.root(), "CA", recipient.get());
  testing::InstallCertificate(home.root(), "MY", recipient.get(), key.get());

  for (const std::string& data : {std::string(), std::string("\0\xff\0binary\x80", 10),
                                  testing::RandomBytes(1 << 20, 7)}) {
    SCOPED_TRACE(data.size());
    home.SetEnv("CORVANE_UI_CHOICES", "0");
    const auto text = testing::CallExport([&](char* out, int32_t* length) {
      return composeSingleEnvelopedMsg(data.data(), static_cast<uint32_t>(data.size()), out,
                                       length);
    });
    ASSERT_EQ(text.code, 0);
    std::string der(text.output.size(), '\0');
    int32_t der_length = 0;
    ASSERT_EQ(codec::DecodeBase64(text.output.data(), text.length,
                                  reinterpret_cast<uint8_t*>(der.data()), &der_length),
              0);
    der.resize(static_cast<size_t>(der_length));
    EXPECT_TRUE(testing::OpensslOpenEnvelope(der, recipient.get(), key.get()) == data);

    const auto opened = testing::CallExport([&](char* out, int32_t* length) {
      return decomposeSingleEnvelopedMsg(text.output.data(), text.length, out, length);
    });
    EXPECT_EQ(opened.code, 0);
    EXPECT_TRUE(opened.output == data);
  }
}

}  // namespace
}  // namespace corvane
