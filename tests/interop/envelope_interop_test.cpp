// Envelopes made by composeSingleEnvelopedMsg: RC4 under a fresh 128-bit key with absent
// parameters, for the chosen recipient; the openssl command and decomposeSingleEnvelopedMsg open
// them for the holder of the recipient's key. Empty, binary and 1 MiB data.
#include <gtest/gtest.h>

#include <string>

#include "corvane.h"
#include "platform/posix/message/content_key.h"
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
  const auto call = [](const std::string& in, auto make) {
    return testing::CallExport(
        [&](char* out, int32_t* length) { return make(in.data(), in.size(), out, length); });
  };

  for (const std::string& data : {std::string(), std::string("\0\xff\0binary\n\x80", 11),
                                  testing::RandomBytes(1 << 20, 7)}) {
    SCOPED_TRACE(data.size());
    std::string texts[2], keys[2];
    for (int i = 0; i < 2; ++i) {
      home.SetEnv("CORVANE_UI_CHOICES", "0");
      texts[i] = call(data, composeSingleEnvelopedMsg).output;
      const std::string der = testing::DecodedText(texts[i]);
      EXPECT_TRUE(testing::OpensslOpenEnvelope(der, recipient.get(), key.get()) == data);
      EXPECT_TRUE(call(texts[i], decomposeSingleEnvelopedMsg).output == data);

      platform::EnvelopedData envelope;
      ASSERT_EQ(platform::ReadEnvelopedData(reinterpret_cast<const uint8_t*>(der.data()),
                                            der.size(), envelope),
                platform::EnvelopeReading::kRead);
      EXPECT_EQ(envelope.content_encryption.oid, szOID_RSA_RC4);
      EXPECT_EQ(envelope.content_encryption.parameters,
                platform::AlgorithmIdentifier::Parameters::kAbsent);
      ASSERT_EQ(envelope.recipients.size(), 1u);
      EXPECT_EQ(envelope.recipients[0].serial_number, std::vector<uint8_t>{0x5E});
      platform::SecretBytes content_key;
      ASSERT_TRUE(platform::UnwrapContentKey(key.get(), envelope.recipients[0], content_key).ok());
      keys[i].assign(content_key.bytes().begin(), content_key.bytes().end());
      EXPECT_EQ(keys[i].size(), 16u);
    }
    EXPECT_NE(texts[0], texts[1]);
    EXPECT_NE(keys[0], keys[1]);
  }
}

}  // namespace
}  // namespace corvane
