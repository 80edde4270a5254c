// The message engine against the openssl command: envelopes written by `openssl smime` open
// through CryptDecryptMessage (those of `openssl cms` open through the export, in
// open_envelope_interop_test), and messages made by CryptSignMessage verify and print as the
// fixed form.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/engine_fixtures.h"
#include "support/openssl_peer.h"
#include "support/signed_message_view.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

using testing::RandomBytes;
using testing::ShellQuote;

// Runs an openssl command line in which IN, OUT and CERT stand for the data, the output and the
// certificate (or signed message) files; returns the output file's bytes.
std::string RunPeer(const std::string& command_line, const std::string& in, X509* certificate,
                    std::string* diagnostics = nullptr) {
  testing::ScratchFolder scratch;
  // The words IN, OUT and CERT of the command line stand for files in the scratch folder; the
  // paths are put in word by word, so a path that happens to hold such a word is left alone.
  const std::string in_path = scratch.Write("in", in);
  const std::string cert_path =
      certificate != nullptr ? scratch.Write("cert.pem", testing::PemOf(certificate)) : "";
  std::string command;
  std::istringstream words(command_line);
  for (std::string word; words >> word;) {
    if (word == "IN") word = ShellQuote(in_path);
    else if (word == "OUT") word = ShellQuote(scratch.Path("out"));
    else if (word == "CERT" && certificate != nullptr) word = ShellQuote(cert_path);
    command += (command.empty() ? "" : " ") + word;
  }
  std::string output;
  const int status = testing::RunCommand(command + " 2>&1", &output);
  if (diagnostics) *diagnostics = output;
  EXPECT_EQ(status, 0) << command << "\n" << output;
  return testing::ReadFile(scratch.Path("out"));
}

class EngineInterop : public ::testing::Test {
 protected:
  testing::Party mine_ = testing::MakeParty(0, "Engine Recipient", "00C3");
  testing::PersonalStore store_{{&mine_}};
};

TEST_F(EngineInterop, SmimeEnvelopesOpen) {
  const std::string data = std::string("pkcs7 v0\0\n", 10) + RandomBytes(100, 3);
  for (const char* cipher : {"-des3", "-aes128", "-aes256"}) {
    SCOPED_TRACE(cipher);
    const std::string message = RunPeer(
        std::string("openssl smime -encrypt -binary -outform DER -in IN -out OUT ") + cipher +
            " CERT",
        data, mine_.certificate.get());
    const testing::MessageCallResult opened = testing::DecryptWithStore(store_.handle(), message);
    ASSERT_TRUE(opened.ok) << std::hex << opened.error;
    EXPECT_EQ(opened.output, data);
  }
}

TEST_F(EngineInterop, SignedMessagesVerifyAndPrintTheFixedForm) {
  PCCERT_CONTEXT signer = store_.ContextOf(mine_.certificate.get());
  ASSERT_NE(signer, nullptr);
  const std::string binary = std::string("\0\x01\0\x02", 4) + RandomBytes(500, 4);
  const std::string mebibyte = RandomBytes(1 << 20, 5);
  const std::string empty;
  for (const std::string* content : {&empty, &binary, &mebibyte}) {
    for (const bool detached : {false, true}) {
      SCOPED_TRACE((detached ? "detached " : "attached ") + std::to_string(content->size()));
      const testing::MessageCallResult signed_message =
          testing::SignWithCertificate(signer, *content, detached);
      ASSERT_TRUE(signed_message.ok) << std::hex << signed_message.error;
      const std::string& der = signed_message.output;

      std::string recovered;
      EXPECT_TRUE(testing::OpensslVerifies(der, detached ? content : nullptr, &recovered))
          << recovered;
      if (!detached) {
        EXPECT_TRUE(recovered == *content);
      }
      testing::ScratchFolder scratch;
      const std::string smime_content =
          detached ? " -content " + ShellQuote(scratch.Write("content", *content)) : "";
      EXPECT_TRUE(RunPeer("openssl smime -verify -noverify -binary -inform DER -in IN -out OUT" +
                              smime_content,
                          der, nullptr) == *content);

      const std::string printed = RunPeer("openssl cms -cmsout -print -inform DER -in IN -out OUT", der, nullptr);
      for (const char* expected :
           {"contentType: pkcs7-signedData", "    version: 1\n", "algorithm: sha1 (1.3.14.3.2.26)",
            "certificates:\n      d.certificate:", "crls:\n      <ABSENT>",
            "        version: 1\n", "signedAttrs:\n          <ABSENT>",
            "algorithm: rsaEncryption (1.2.840.113549.1.1.1)", "unsignedAttrs:\n          <ABSENT>"}) {
        EXPECT_NE(printed.find(expected), std::string::npos) << expected << "\n" << printed;
      }
      EXPECT_EQ(printed.find("eContent: <ABSENT>") != std::string::npos, detached) << printed;
    }
  }
  CertFreeCertificateContext(signer);
}

}  // namespace
}  // namespace corvane
