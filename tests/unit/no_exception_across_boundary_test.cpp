// No exception leaves the library: an allocation that throws inside an export ends the call with
// -10000 and everything it held released; one inside the browser host's loop is answered, and the
// host serves the next request.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../../tools/common/native_frame.h"
#include "../../tools/common/web_origins.h"
#include "../../tools/web-host/frame_loop.h"
#include "corvane.h"
#include "ops/verify_with_data.h"
#include "platform/posix/fault_injection.h"
#include "platform/posix/provider/provider_context.h"
#include "platform/posix/store/certificate_context.h"
#include "support/export_call.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

using platform::testing::ArmThrowingFault;
using platform::testing::ClearFaults;
using testing::CallExport;

const char kQdra[] = "CN=QDRA, OU=config, O=Ostrevalia";
const char kSerial[] = "12AB";

std::vector<size_t> OpenObjects() {
  return {platform::OpenStoreCount(), platform::LiveContextCount(), platform::LiveProviderCount()};
}

class NoExceptionAcrossBoundaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFaults();
    pki_ = testing::MakeFixedIssuerPki();
    testing::InstallCertificate(home_.root(), "ROOT", pki_.ca.get());
    testing::InstallCertificate(home_.root(), "CA", pki_.signer.get());
    testing::InstallCertificate(home_.root(), "MY", pki_.signer.get(), pki_.signer_key.get());
    home_.SetEnv("CORVANE_UI_CHOICES", "0");
  }
  void TearDown() override { ClearFaults(); }

  testing::TestHome home_;
  testing::FixedIssuerPki pki_;
};

using Export = std::function<int32_t(char* output, int32_t* output_length)>;

Export Sign(int variant) {
  return [variant](char* out, int32_t* length) {
    if (variant == 0) return generateSingleSignedMsg("data", 4, 0, out, length);
    if (variant == 1) return generateSingleSignedMsgBySN("data", 4, 0, kSerial, 4, out, length);
    return generateSingleSignedMsgByIssuerSN("data", 4, 0, kQdra, 0, kSerial, 4, out, length);
  };
}

Export Envelope(int variant) {
  return [variant](char* out, int32_t* length) {
    if (variant == 0) return composeSingleEnvelopedMsg("data", 4, out, length);
    if (variant == 1) return composeSingleEnvelopedMsgBySN("data", 4, kSerial, 4, out, length);
    return composeSingleEnvelopedMsgByIssuerSN("data", 4, kQdra, 0, kSerial, 4, out, length);
  };
}

TEST_F(NoExceptionAcrossBoundaryTest, AnExceptionInsideAnExportIsTheNoMemoryCode) {
  const std::string signed_text = CallExport(Sign(0)).output;
  home_.SetEnv("CORVANE_UI_CHOICES", "0");
  const std::string envelope = CallExport(Envelope(0)).output;
  ASSERT_FALSE(signed_text.empty());
  ASSERT_FALSE(envelope.empty());
  const auto text_length = static_cast<int32_t>(signed_text.size());
  // Each export meets the throw deep inside, with its provider, stores, certificate and buffers
  // held: at the second pass of its message call, or at the chain step of verification.
  const struct {
    const char* name;
    const char* api;
    int skip;
    Export call;
  } rows[] = {
      {"sign, chooser", "CryptSignMessage", 1, Sign(0)},
      {"sign by serial", "CryptSignMessage", 1, Sign(1)},
      {"sign by issuer and serial", "CryptSignMessage", 1, Sign(2)},
      {"envelope, chooser", "CryptEncryptMessage", 1, Envelope(0)},
      {"envelope by serial", "CryptEncryptMessage", 1, Envelope(1)},
      {"envelope by issuer and serial", "CryptEncryptMessage", 1, Envelope(2)},
      {"open the envelope", "CryptDecryptMessage", 1,
       [&](char* out, int32_t* length) {
         return decomposeSingleEnvelopedMsg(envelope.data(), static_cast<int32_t>(envelope.size()),
                                            out, length);
       }},
      {"verify", "CertGetCertificateChain", 0,
       [&](char* out, int32_t* length) {
         return verifySingleSignedMsg(signed_text.data(), text_length, out, length);
       }},
      {"verify with the data apart", "CertGetCertificateChain", 0,
       [&](char* out, int32_t* length) {
         return ops::VerifySignedMessage(signed_text.data(), text_length, {"data", 4}, out, length,
                                         nullptr);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    home_.SetEnv("CORVANE_UI_CHOICES", "0");
    const std::vector<size_t> before = OpenObjects();
    // A thread of its own: what a thread keeps between calls (its last verification) ends with it.
    int32_t code = 0;
    std::thread([&] {
      ArmThrowingFault(row.api, row.skip);
      code = CallExport(row.call).code;
      ClearFaults();
    }).join();
    EXPECT_EQ(code, CORVANE_E_NO_MEMORY);
    EXPECT_EQ(OpenObjects(), before);
  }
}

std::string FrameOf(const std::string& json) {
  const auto length = static_cast<uint32_t>(json.size());
  return std::string(reinterpret_cast<const char*>(&length), sizeof length) + json;
}

TEST_F(NoExceptionAcrossBoundaryTest, TheHostAnswersAnExceptionAndServesTheNextRequest) {
  std::string failure;
  ASSERT_TRUE(tool::AllowOrigin("https://shop.example", failure)) << failure;
  int requests[2];
  int answers[2];
  ASSERT_EQ(pipe(requests), 0);
  ASSERT_EQ(pipe(answers), 0);
  const std::string frames =
      FrameOf(R"({"id": 1, "origin": "https://shop.example", "op": "certificates"})") +
      FrameOf(R"({"id": 2, "origin": "https://shop.example", "op": "certificates"})");
  ASSERT_EQ(write(requests[1], frames.data(), frames.size()), static_cast<ssize_t>(frames.size()));
  close(requests[1]);

  // The listing's store cannot be had for the first request, outside any export.
  ArmThrowingFault("CertOpenSystemStoreA");
  EXPECT_EQ(web::ServeFrames(requests[0], answers[1]), 0);
  close(requests[0]);
  close(answers[1]);
  const tool::FrameRead first = tool::ReadFrame(answers[0], tool::kMaxAnswerFrame);
  const tool::FrameRead second = tool::ReadFrame(answers[0], tool::kMaxAnswerFrame);
  close(answers[0]);
  EXPECT_EQ(first.bytes,
            R"({"id":null,"code":-10000,"text":"the host ran out of memory serving this request"})");
  EXPECT_NE(second.bytes.find(R"("code":0)"), std::string::npos) << second.bytes;
  EXPECT_NE(second.bytes.find(R"("id":2)"), std::string::npos) << second.bytes;
}

}  // namespace
}  // namespace corvane
