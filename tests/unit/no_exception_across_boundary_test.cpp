// No exception leaves the library: an allocation that throws inside an export ends the call with
// -10000 and everything it held released; one inside the browser host's loop is answered, and the
// host serves the next request.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <iterator>
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
using testing::CallExport;

const char kQdra[] = "CN=QDRA, OU=config, O=Ostrevalia";

class NoExceptionAcrossBoundaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pki_ = testing::MakeFixedIssuerPki();
    testing::InstallCertificate(home_.root(), "ROOT", pki_.ca.get());
    testing::InstallCertificate(home_.root(), "CA", pki_.signer.get());
    testing::InstallCertificate(home_.root(), "MY", pki_.signer.get(), pki_.signer_key.get());
    home_.SetEnv("CORVANE_UI_CHOICES", "0,0");
  }
  void TearDown() override { platform::testing::ClearFaults(); }

  testing::TestHome home_;
  testing::FixedIssuerPki pki_;
};

TEST_F(NoExceptionAcrossBoundaryTest, AnExceptionInsideAnExportIsTheNoMemoryCode) {
  const std::string signed_text = CallExport([](char* out, int32_t* length) {
                                    return generateSingleSignedMsg("data", 4, 0, out, length);
                                  }).output;
  const std::string envelope = CallExport([](char* out, int32_t* length) {
                                 return composeSingleEnvelopedMsg("data", 4, out, length);
                               }).output;
  const char* text = signed_text.c_str();
  const auto text_length = static_cast<int32_t>(signed_text.size());
  // Each meets the throw with its provider, stores, certificate and buffers held: at the second
  // pass of its message call, or at the chain step of verification. (The ...BySN variants run
  // inside the guard of the ...ByIssuerSN export they call.)
  const struct {
    const char* api;
    int skip;
    std::function<int32_t(char*, int32_t*)> call;
  } rows[] = {
      {"CryptSignMessage", 1,
       [](char* o, int32_t* n) { return generateSingleSignedMsg("d", 1, 0, o, n); }},
      {"CryptSignMessage", 1,
       [](char* o, int32_t* n) {
         return generateSingleSignedMsgByIssuerSN("d", 1, 0, kQdra, 0, "12AB", 4, o, n);
       }},
      {"CryptEncryptMessage", 1,
       [](char* o, int32_t* n) { return composeSingleEnvelopedMsg("d", 1, o, n); }},
      {"CryptEncryptMessage", 1,
       [](char* o, int32_t* n) {
         return composeSingleEnvelopedMsgByIssuerSN("d", 1, kQdra, 0, "12AB", 4, o, n);
       }},
      {"CryptDecryptMessage", 1,
       [&](char* o, int32_t* n) {
         return decomposeSingleEnvelopedMsg(envelope.c_str(), static_cast<int32_t>(envelope.size()),
                                            o, n);
       }},
      {"CertGetCertificateChain", 0,
       [&](char* o, int32_t* n) { return verifySingleSignedMsg(text, text_length, o, n); }},
      {"CertGetCertificateChain", 0,
       [&](char* o, int32_t* n) {
         return ops::VerifySignedMessage(text, text_length, {"data", 4}, o, n, nullptr);
       }},
  };
  for (size_t row = 0; row < std::size(rows); ++row) {
    SCOPED_TRACE(row);
    home_.SetEnv("CORVANE_UI_CHOICES", "0");
    const auto open = [] {
      return std::vector{platform::OpenStoreCount(), platform::LiveContextCount(),
                         platform::LiveProviderCount()};
    };
    const std::vector<size_t> before = open();
    // A thread of its own: what a thread keeps between calls (its last verification) ends with it.
    int32_t code = 0;
    std::thread([&] {
      ArmThrowingFault(rows[row].api, rows[row].skip);
      code = CallExport(rows[row].call).code;
    }).join();
    EXPECT_EQ(code, CORVANE_E_NO_MEMORY);
    EXPECT_EQ(open(), before);
  }
}

TEST_F(NoExceptionAcrossBoundaryTest, TheHostAnswersAnExceptionAndServesTheNextRequest) {
  std::string failure;
  ASSERT_TRUE(tool::AllowOrigin("https://shop.example", failure)) << failure;
  int requests[2], answers[2];
  ASSERT_EQ(pipe(requests), 0);
  ASSERT_EQ(pipe(answers), 0);
  for (const char* id : {"1", "2"}) {
    tool::WriteFrame(
        requests[1],
        std::string(R"({"origin": "https://shop.example", "op": "certificates", "id": )") + id +
            "}");
  }
  close(requests[1]);
  // The listing's store cannot be had for the first request, outside any export.
  ArmThrowingFault("CertOpenSystemStoreA");
  EXPECT_EQ(web::ServeFrames(requests[0], answers[1]), 0);
  close(requests[0]);
  close(answers[1]);
  EXPECT_EQ(
      tool::ReadFrame(answers[0], tool::kMaxAnswerFrame).bytes,
      R"({"id":null,"code":-10000,"text":"the host ran out of memory serving this request"})");
  const std::string second = tool::ReadFrame(answers[0], tool::kMaxAnswerFrame).bytes;
  close(answers[0]);
  EXPECT_EQ(second.rfind(R"({"certificates":[{)", 0), 0u) << second;
  EXPECT_NE(second.find(R"("code":0,"id":2)"), std::string::npos) << second;
}

}  // namespace
}  // namespace corvane
