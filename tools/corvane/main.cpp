// corvane: manage the certificate stores and run the library's operations from a shell.
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "demo_command.h"
#include "operation_commands.h"
#include "store_command.h"
#include "verify_command.h"

namespace {

constexpr char kUsage[] =
    "usage: corvane COMMAND ...\n"
    "  store list [STORE]                        certificates of one store, or of all\n"
    "  store import STORE FILE... [--password PW] [--chain-to CA|ROOT|none]\n"
    "                                            PEM/DER certificates and keys, PKCS #12\n"
    "  store export STORE THUMBPRINT [--pem]     a certificate to standard output\n"
    "  store remove STORE THUMBPRINT             a certificate and its key\n"
    "  store add-crl STORE FILE                  a revocation list\n"
    "  decrypt [--in FILE] [--out FILE]          open a Base64 enveloped message\n"
    "  sign [--detached] [--serial HEX [--issuer TEXT]] [--in FILE] [--out FILE]\n"
    "                                            sign data; prints the Base64 message\n"
    "  verify [--data FILE] [--in FILE] [--out FILE]\n"
    "                                            check a signed message; prints attached content\n"
    "  encrypt [--serial HEX [--issuer TEXT]] [--in FILE] [--out FILE]\n"
    "                                            encrypt data for a CA/ROOT certificate\n"
    "  demo [--keep] [--jar FILE [--library-path DIR]]\n"
    "                                            a round trip on a throw-away demo store,\n"
    "                                            with corvane.jar: the Java self-test too\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "store") return corvane::tool::RunStoreCommand(args);
  if (command == "demo") return corvane::tool::RunDemoCommand(args);
  if (command == "decrypt") return corvane::tool::RunDecryptCommand(args);
  if (command == "sign") return corvane::tool::RunSignCommand(args);
  if (command == "verify") return corvane::tool::RunVerifyCommand(args);
  if (command == "encrypt") return corvane::tool::RunEncryptCommand(args);
  if (command == "help" || command == "--help") {
    std::cout << kUsage;
    return 0;
  }
  std::cerr << kUsage;
  return 2;
}
