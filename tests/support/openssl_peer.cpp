#include "support/openssl_peer.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane::testing {

ScratchFolder::ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "corvane-peer-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::Path(const std::string& name) const { return path_ + "/" + name; }

std::string ScratchFolder::Write(const std::string& name, const std::string& bytes) const {
  WriteFile(Path(name), bytes);
  return Path(name);
}

std::string OpensslEnvelope(const std::string& data, const std::vector<X509*>& recipients,
                            const std::string& cipher_option, const std::string& extra_options) {
  ScratchFolder scratch;
  std::string command = "openssl cms -encrypt -binary -outform DER -in " +
                        ShellQuote(scratch.Write("data", data)) + " -out " +
                        ShellQuote(scratch.Path("envelope.der")) + " " + cipher_option + " " +
                        extra_options;
  for (size_t i = 0; i < recipients.size(); ++i) {
    command += " " + ShellQuote(scratch.Write("recipient" + std::to_string(i) + ".pem",
                                              PemOf(recipients[i])));
  }
  std::string output;
  if (RunCommand(command + " 2>&1", &output) != 0) {
    throw std::runtime_error("openssl cms -encrypt failed: " + output);
  }
  return ReadFile(scratch.Path("envelope.der"));
}

std::optional<std::string> OpensslOpenEnvelope(const std::string& der, X509* recipient,
                                               EVP_PKEY* key) {
  ScratchFolder scratch;
  const std::string command =
      "openssl cms -decrypt -binary -provider legacy -provider default -inform DER -in " +
      ShellQuote(scratch.Write("envelope.der", der)) + " -recip " +
      ShellQuote(scratch.Write("recipient.pem", PemOf(recipient))) + " -inkey " +
      ShellQuote(scratch.Write("key.pem", PrivateKeyPemOf(key))) + " -out " +
      ShellQuote(scratch.Path("content")) + " 2>&1";
  if (RunCommand(command) != 0) return std::nullopt;
  return ReadFile(scratch.Path("content"));
}

std::string OpensslPkcs7Sign(const std::string& data, X509* signer, EVP_PKEY* key,
                             const std::string& digest) {
  ScratchFolder scratch;
  RunCommand("openssl smime -sign -noattr -nodetach -binary -outform DER -md " + digest + " -in " +
             ShellQuote(scratch.Write("data", data)) + " -signer " +
             ShellQuote(scratch.Write("signer.pem", PemOf(signer))) + " -inkey " +
             ShellQuote(scratch.Write("signer.key", PrivateKeyPemOf(key))) + " -out " +
             ShellQuote(scratch.Path("signed.der")));
  return ReadFile(scratch.Path("signed.der"));
}

std::string OpensslPrint(const std::string& der) {
  ScratchFolder scratch;
  std::string printed;
  RunCommand("openssl cms -cmsout -print -inform DER -in " +
                 ShellQuote(scratch.Write("message.der", der)) + " 2>/dev/null",
             &printed);
  return printed;
}

std::string OpensslSignedMessage(const std::string& data, X509* signer, EVP_PKEY* key) {
  return OpensslSign(data, {{signer, key}}, "-nodetach -noattr");
}

std::string OpensslSign(const std::string& data, const std::vector<PeerSigner>& signers,
                        const std::string& options,
                        const std::vector<X509*>& extra_certificates) {
  ScratchFolder scratch;
  std::string command = "openssl cms -sign -binary -outform DER -in " +
                        ShellQuote(scratch.Write("data", data)) + " -out " +
                        ShellQuote(scratch.Path("signed.der")) + " " + options;
  for (size_t i = 0; i < signers.size(); ++i) {
    const std::string name = "signer" + std::to_string(i);
    command += " -signer " + ShellQuote(scratch.Write(name + ".pem", PemOf(signers[i].certificate))) +
               " -inkey " + ShellQuote(scratch.Write(name + ".key", PrivateKeyPemOf(signers[i].key)));
  }
  if (!extra_certificates.empty()) {
    std::string bundle;
    for (X509* certificate : extra_certificates) bundle += PemOf(certificate);
    command += " -certfile " + ShellQuote(scratch.Write("extra.pem", bundle));
  }
  std::string output;
  if (RunCommand(command + " 2>&1", &output) != 0) {
    throw std::runtime_error("openssl cms -sign failed: " + output);
  }
  return ReadFile(scratch.Path("signed.der"));
}

std::string OpensslBase64(const std::string& bytes) {
  ScratchFolder scratch;
  std::string text;
  if (RunCommand("openssl base64 -in " + ShellQuote(scratch.Write("bytes", bytes)), &text) != 0) {
    throw std::runtime_error("openssl base64 failed");
  }
  return text;
}

}  // namespace corvane::testing
