#include "support/soft_token.h"

#include <gtest/gtest.h>

#include "support/test_pki.h"

namespace corvane::testing {

void MakeSoftToken(TestHome& home, EVP_PKEY* key, X509* certificate) {
  const std::filesystem::path folder = home.root() / "softhsm";
  std::filesystem::create_directories(folder / "tokens");
  WriteFile(folder / "softhsm2.conf", "directories.tokendir = " + (folder / "tokens").string() +
                                          "\nobjectstore.backend = file\nlog.level = ERROR\n");
  WriteFile(folder / "key.pem", PrivateKeyPemOf(key));
  WriteFile(folder / "certificate.der", DerOf(certificate));
  home.SetEnv("SOFTHSM2_CONF", (folder / "softhsm2.conf").string());
  home.SetEnv("CORVANE_PKCS11_MODULE", kSoftHsmModule);
  const std::string pin = std::string(" --pin ") + kTokenPin;
  const std::string tool = std::string("pkcs11-tool --module ") + kSoftHsmModule +
                           " --token-label " + ShellQuote(kTokenLabel) + " --login" + pin;
  // softhsm2-util imports EC keys for signing only; an EC key that also agrees on keys (ECDH,
  // CKA_DERIVE) is written by pkcs11-tool.
  const bool agreement = EVP_PKEY_is_a(key, "EC");
  const std::string commands[] = {
      "softhsm2-util --init-token --free --so-pin 13579 --label " + ShellQuote(kTokenLabel) + pin,
      agreement ? tool + " --write-object " + ShellQuote((folder / "key.pem").string()) +
                      " --type privkey --usage-sign --usage-derive --id 01 --label signing"
                : "softhsm2-util --import " + ShellQuote((folder / "key.pem").string()) +
                      " --token " + ShellQuote(kTokenLabel) + " --label signing --id 01" + pin,
      tool + " --write-object " + ShellQuote((folder / "certificate.der").string()) +
          " --type cert --id 01 --label signing",
  };
  for (const std::string& command : commands) {
    ASSERT_EQ(RunCommand(command + " >/dev/null 2>&1"), 0) << command;
  }
  std::filesystem::remove(folder / "key.pem");
}

std::string SoftTokenKeyUri() { return "pkcs11:token=corvane%20test;id=%01;type=private"; }

void LinkTokenCertificate(TestHome& home, X509* certificate) {
  std::filesystem::path cer = InstallCertificate(home.root(), "MY", certificate);
  WriteFile(cer.replace_extension(".key"), SoftTokenKeyUri() + "\n");
}

}  // namespace corvane::testing
