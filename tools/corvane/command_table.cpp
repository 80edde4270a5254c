#include "command_table.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "command_line.h"
#include "demo_command.h"
#include "platform/posix/environment.h"
#include "operation_commands.h"
#include "store_subcommands.h"
#include "verify_command.h"
#include "web_subcommands.h"

namespace corvane::tool {
namespace {

const OptionEntry kIn{"in", "FILE", "read from FILE instead of standard input"};
const OptionEntry kOut{"out", "FILE", "write to FILE instead of standard output"};
const OptionEntry kSerial{"serial", "HEX",
                         "the certificate with this serial number (any case, leading zeros or not), under "
                         "whichever issuer holds it, without a chooser"};
const OptionEntry kIssuer{"issuer", "TEXT",
                         "with --serial: its issuer, as `store list` or `store import` print it, where "
                         "several issuers hold the serial number"};
const OptionEntry kBoxes{"boxes", "",
                        "show the library's message boxes (by default the outcome is a line on standard error)"};

const OptionEntry kBrowser{"browser", "chromium|chrome|firefox", "only this browser (default: all three)"};
const OptionEntry kHost{"host", "PATH", "the host program (default: corvane-web-host beside corvane)"};
const OptionEntry kUserDataDir{"user-data-dir", "DIR",
                               "for Chromium and Chrome: the profile folder of a browser started with "
                               "--user-data-dir"};

const std::vector<CommandEntry>& Table() {
  static const std::vector<CommandEntry> table = {
      {"store list", "[STORE]", "certificates of one store, or of all stores, and the entries skipped", {},
       RunStoreList},
      {"store import",
       "STORE FILE...",
       "certificates, private keys (PEM or DER) and PKCS #12 files; a key is linked to the "
       "certificate it matches and goes into MY only; the password is asked for on the terminal if "
       "needed",
       {{"password-file", "FILE", "the password of encrypted keys and PKCS #12 files, from FILE"},
        {"password-env", "VAR", "the password from the environment variable VAR"},
        {"password", "PW", "the password on the command line (discouraged: other users can see it)"},
        {"chain-to", "CA|ROOT|none", "where a PKCS #12 file's chain goes"}},
       RunStoreImport},
      {"store export", "STORE THUMBPRINT", "a certificate to standard output (DER)",
       {{"pem", "", "PEM instead of DER"}}, RunStoreExport},
      {"store remove", "STORE THUMBPRINT", "a certificate and its private key", {}, RunStoreRemove},
      {"store add-crl", "STORE FILE",
       "a revocation list (PEM or DER) that a certificate of the store issued", {}, RunStoreAddCrl},
      {"store check",
       "[STORE]",
       "what a store skips or should not keep; entries it skips or ignores, keys without "
       "certificates, certificates without keys, keys others can read, keys on tokens that are not "
       "present, leftover temporary files, RSA keys under 2048 bits; and errors of the algorithm "
       "policy's files",
       {{"repair", "", "remove stale temporary files and make key files 0600"}},
       RunStoreCheck},
      {"store link-token",
       "[NUMBER...]",
       "certificates with a private key on the PKCS #11 tokens, numbered; the chosen ones go into "
       "MY with their keys named by pkcs11: URIs",
       {{"token", "LABEL", "only the token with this label"}, {"all", "", "link every certificate found"}},
       RunStoreLinkToken},
      {"sign", "", "sign data with a certificate of MY; prints the Base64 message",
       {{"detached", "", "a detached signature"}, kSerial, kIssuer, kIn, kOut, kBoxes}, RunSignCommand},
      {"verify", "",
       "check a Base64 signed message and its signer's chain; prints attached content",
       {{"data", "FILE", "the signed data: of a detached signature, or what an attached message must carry"},
        kIn, kOut, kBoxes},
       RunVerifyCommand},
      {"encrypt", "", "encrypt data for a certificate of CA or ROOT; prints the Base64 message",
       {kSerial, kIssuer, kIn, kOut, kBoxes}, RunEncryptCommand},
      {"decrypt", "", "open a Base64 enveloped message with a key of MY", {kIn, kOut, kBoxes},
       RunDecryptCommand},
      {"web list", "", "the web origins allowed to use your certificates through the browser extension",
       {}, RunWebList},
      {"web allow", "ORIGIN", "allow a web origin (https://HOST[:PORT], or http://localhost or 127.0.0.1)",
       {}, RunWebAllow},
      {"web revoke", "ORIGIN", "take an origin off the list; the browser host asks again at its next request",
       {}, RunWebRevoke},
      {"web install", "",
       "write the browser host's manifests where the browsers of this user read them",
       {kBrowser, kHost, kUserDataDir}, RunWebInstall},
      {"web manifest", "", "print the browser host's manifest for one browser",
       {kBrowser, kHost, kOut}, RunWebManifest},
      {"web check",
       "",
       "whether each browser finds the host's manifest (the user's and the system's), the manifest "
       "names the extension and an executable host, and the host answers",
       {kBrowser, kUserDataDir}, RunWebCheck},
      {"demo", "", "a round trip on a throw-away demo store",
       {{"keep", "", "keep the demo store"},
        {"jar", "FILE", "corvane.jar: run the Java self-test too"},
        {"library-path", "DIR",
         "with --jar: where libCorvane.so is (default: the jar's folder, else the installed library's)"}},
       RunDemoCommand},
  };
  return table;
}

constexpr size_t kWidth = 100;

// `units` after `left` (padded to `column`), separated by blanks and wrapped at kWidth onto lines
// indented to `column`; a unit is never broken.
std::string Wrapped(std::string left, size_t column, const std::vector<std::string>& units) {
  left.resize(std::max(left.size() + 1, column), ' ');
  std::string out = left;
  size_t line_length = left.size();
  bool line_empty = true;
  for (const std::string& unit : units) {
    if (!line_empty && line_length + 1 + unit.size() > kWidth) {
      out += "\n" + std::string(column, ' ');
      line_length = column;
      line_empty = true;
    }
    if (!line_empty) {
      out += ' ';
      ++line_length;
    }
    out += unit;
    line_length += unit.size();
    line_empty = false;
  }
  return out + "\n";
}

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  for (size_t at = 0; at <= text.size();) {
    const size_t end = std::min(text.find(' ', at), text.size());
    if (end > at) words.emplace_back(text.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

// "corvane sign", its arguments, and "[--option VALUE]" for each option.
std::vector<std::string> Synopsis(const CommandEntry& command) {
  std::vector<std::string> units = {"corvane " + std::string(command.name)};
  if (!command.arguments.empty()) units.emplace_back(command.arguments);
  for (const OptionEntry& option : command.options) {
    std::string unit = "[--" + std::string(option.name);
    if (!option.value.empty()) unit += " " + std::string(option.value);
    units.push_back(unit + "]");
  }
  return units;
}

std::string CommandHelp(const CommandEntry& command) {
  std::string text = Wrapped("usage:", 7, Synopsis(command)) + Wrapped(" ", 2, Words(command.help));
  for (const OptionEntry& option : command.options) {
    std::string left = "  --" + std::string(option.name);
    if (!option.value.empty()) left += " " + std::string(option.value);
    text += Wrapped(left, 26, Words(option.help));
  }
  return text;
}

// Text for roff: hyphens as \- (so that options copy as typed), backslashes doubled.
std::string Roff(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '-') out += "\\-";
    else out += c;
  }
  return out;
}

// The manual page's SYNOPSIS, from the table: each command with its arguments and options.
std::string RoffSynopsis() {
  std::string text;
  for (const CommandEntry& command : Table()) {
    if (!text.empty()) text += ".br\n";
    text += ".B corvane " + Roff(command.name) + "\n";
    if (!command.arguments.empty()) text += ".I " + Roff(command.arguments) + "\n";
    for (const OptionEntry& option : command.options) {
      text += option.value.empty() ? ".RB [ \\-\\-" + Roff(option.name) + " ]\n"
                                   : ".RB [ \\-\\-" + Roff(option.name) + "\n.IR " + Roff(option.value) + " ]\n";
    }
  }
  return text;
}

// The manual page's OPTIONS: each command's options with the help `corvane COMMAND --help` gives.
std::string RoffOptions() {
  std::string text;
  for (const CommandEntry& command : Table()) {
    if (command.options.empty()) continue;
    text += ".SS corvane " + Roff(command.name) + "\n";
    for (const OptionEntry& option : command.options) {
      text += ".TP\n.B \\-\\-" + Roff(option.name) + (option.value.empty() ? "" : " \\fI" + Roff(option.value) + "\\fR") +
              "\n" + Roff(option.help) + "\n";
    }
  }
  return text;
}

// The commands whose names begin with `prefix` ("" for all, "store" for the store commands).
std::string Usage(std::string_view prefix) {
  std::string text = "usage: corvane COMMAND ... (corvane COMMAND --help for its options)\n";
  for (const CommandEntry& command : Table()) {
    if (command.name.substr(0, prefix.size()) != prefix) continue;
    std::string left = "  " + std::string(command.name);
    if (!command.arguments.empty()) left += " " + std::string(command.arguments);
    text += Wrapped(left, 34, Words(command.help.substr(0, command.help.find(';'))));
  }
  return text;
}

bool AsksForHelp(const std::string& word) { return word == "--help" || word == "help" || word == "-h"; }

}  // namespace

const CommandEntry& Command(std::string_view name) {
  for (const CommandEntry& command : Table()) {
    if (command.name == name) return command;
  }
  std::cerr << "corvane: no command \"" << name << "\" in the table\n";
  std::abort();
}

std::string UsageLine(std::string_view name) {
  std::string line = "usage:";
  for (const std::string& unit : Synopsis(Command(name))) line += " " + unit;
  return line;
}

namespace {

// The front ends CORVANE_UI names; any other value is a mistake the user should hear of rather
// than the automatic choice the library then makes.
bool KnownFrontEnd() {
  const std::string_view value = platform::EnvironmentValue("CORVANE_UI");
  for (const char* known : {"", "auto", "gui", "tty", "none", "script"}) {
    if (value == known) return true;
  }
  Fail("CORVANE_UI=" + std::string(value) + " is not one of auto, gui, tty, none, script");
  return false;
}

}  // namespace

int RunCommand(const std::vector<std::string>& words) {
  if (words.size() == 1 && words[0] == "--version") {
    std::cout << "corvane " << CORVANE_VERSION << "\n";
    return 0;
  }
  // What the build writes into the manual page, so that it says what --help says.
  if (words.size() == 1 && (words[0] == "--roff-synopsis" || words[0] == "--roff-options")) {
    std::cout << (words[0] == "--roff-synopsis" ? RoffSynopsis() : RoffOptions());
    return 0;
  }
  if (!KnownFrontEnd()) return 2;
  std::string prefix;
  for (size_t taken = 0; taken < words.size() && !AsksForHelp(words[taken]); ++taken) {
    prefix += (taken == 0 ? "" : " ") + words[taken];
    for (const CommandEntry& command : Table()) {
      if (command.name != prefix) continue;
      const std::vector<std::string> args(words.begin() + static_cast<long>(taken) + 1, words.end());
      for (const std::string& arg : args) {
        if (arg == "--help") {
          std::cout << CommandHelp(command);
          return 0;
        }
      }
      return command.run(args);
    }
  }
  // No such command: the commands that begin with the first word given ("store"), else all.
  const std::string first = words.empty() ? std::string() : words[0];
  const bool known = std::any_of(Table().begin(), Table().end(), [&](const CommandEntry& command) {
    return command.name.substr(0, command.name.find(' ')) == first;
  });
  const bool help = !words.empty() && AsksForHelp(words.back());
  (help ? std::cout : std::cerr) << Usage(known ? first : std::string());
  return help ? 0 : 2;
}

}  // namespace corvane::tool
