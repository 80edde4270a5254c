// corvane: manage the certificate stores and run the library's operations from a shell.
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "operation_commands.h"

namespace {

constexpr char kUsage[] =
    "usage: corvane COMMAND ...\n"
    "  decrypt [--in FILE] [--out FILE]          open a Base64 enveloped message\n"
    "  sign [--detached] [--serial HEX [--issuer TEXT]] [--in FILE] [--out FILE]\n"
    "                                            sign data; prints the Base64 message\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "decrypt") return corvane::tool::RunDecryptCommand(args);
  if (command == "sign") return corvane::tool::RunSignCommand(args);
  if (command == "help" || command == "--help") {
    std::cout << kUsage;
    return 0;
  }
  std::cerr << kUsage;
  return 2;
}
