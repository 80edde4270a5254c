#include "store_command.h"

#include <iostream>

#include "command_line.h"
#include "store_subcommands.h"

namespace corvane::tool {
namespace {

constexpr char kStoreUsage[] =
    "usage: corvane store COMMAND ...\n"
    "  list [STORE]                          certificates of one store, or of all stores\n"
    "  import STORE FILE... [--password-file FILE | --password-env VAR] [--chain-to CA|ROOT|none]\n"
    "                                        certificates, private keys (PEM or DER) and PKCS #12\n"
    "                                        files; a key is linked to the certificate it matches;\n"
    "                                        only MY takes keys: for another store the certificates\n"
    "                                        are imported, the keys are not, and the exit status is 1;\n"
    "                                        the password is asked for on the terminal if needed\n"
    "  export STORE THUMBPRINT [--pem]       a certificate to standard output (DER, or PEM)\n"
    "  remove STORE THUMBPRINT               a certificate and its private key\n"
    "  add-crl STORE FILE                    a revocation list (PEM or DER)\n"
    "  check [STORE] [--repair]              entries the store skips, keys without certificates,\n"
    "                                        certificates without keys, keys others can read, and\n"
    "                                        leftover temporary files; --repair removes stale\n"
    "                                        temporary files and makes keys 0600 (a key that is a\n"
    "                                        link or has other hard links is only reported); a key\n"
    "                                        on a token that is not present is reported\n"
    "  link-token [--token LABEL] [--all | NUMBER...]\n"
    "                                        certificates with a private key on the PKCS #11\n"
    "                                        tokens, numbered; the chosen ones (or all) go into MY\n"
    "                                        with their keys named by pkcs11: URIs\n";

}  // namespace

int RunStoreCommand(const std::vector<std::string>& args) {
  if (args.empty()) {
    std::cerr << kStoreUsage;
    return 2;
  }
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "list") return RunStoreList(rest);
  if (command == "import") return RunStoreImport(rest);
  if (command == "export") return RunStoreExport(rest);
  if (command == "remove") return RunStoreRemove(rest);
  if (command == "add-crl") return RunStoreAddCrl(rest);
  if (command == "check") return RunStoreCheck(rest);
  if (command == "link-token") return RunStoreLinkToken(rest);
  if (command == "help" || command == "--help") {
    std::cout << kStoreUsage;
    return 0;
  }
  return Fail("unknown store command \"" + command + "\" (see corvane store help)");
}

}  // namespace corvane::tool
