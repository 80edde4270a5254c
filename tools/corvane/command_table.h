// Every command of the tool, its arguments and its options, in one table: the table parses the
// options of each command (Options) and prints `corvane --help` and `corvane COMMAND --help`, so
// that what the help says and what the tool takes cannot drift apart.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane::tool {

struct OptionEntry {
  std::string_view name;   // without the leading "--"
  std::string_view value;  // the value's placeholder ("FILE"); empty for a flag
  std::string_view help;
};

struct CommandEntry {
  std::string_view name;       // "sign", "store import"
  std::string_view arguments;  // positional arguments, as "STORE FILE..."
  std::string_view help;
  std::vector<OptionEntry> options;
  int (*run)(const std::vector<std::string>& args);
};

// The command named `name`; every name the tool's code asks for is in the table.
const CommandEntry& Command(std::string_view name);

// "usage: corvane sign [--detached] [--serial HEX] ...": one line for a failure message.
std::string UsageLine(std::string_view name);

// Runs the command that `words` begin with (the words after "corvane"): its run function with the
// words after its name, or its help when they ask for it. Unknown commands print the usage of the
// commands that begin with the words given and return 2.
int RunCommand(const std::vector<std::string>& words);

}  // namespace corvane::tool
