#include "support/bouncy_castle_peer.h"

#include <sstream>

#include "support/openssl_peer.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane::testing {

std::vector<std::string> BouncyCastleChecks(const std::vector<PeerCheck>& checks) {
  ScratchFolder scratch;
  std::string command = "java -cp " CORVANE_BOUNCY_CASTLE_CLASS_PATH " " CORVANE_SOURCE_DIR
                        "/tests/support/BouncyCastlePeer.java";
  for (size_t index = 0; index < checks.size(); ++index) {
    const std::string folder = std::to_string(index) + "/";
    const PeerCheck& check = checks[index];
    scratch.Write(folder + "message.der", check.message_der);
    scratch.Write(folder + "certificate.der", DerOf(check.certificate));
    scratch.Write(folder + "content", check.content);
    if (check.key != nullptr) scratch.Write(folder + "key.pem", PrivateKeyPemOf(check.key));
    command += " " + ShellQuote(scratch.Path(std::to_string(index)));
  }
  std::string output;
  RunCommand(command + " 2>&1", &output);
  std::vector<std::string> lines;
  std::istringstream stream(output);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

}  // namespace corvane::testing
