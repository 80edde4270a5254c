#include "command_line.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "command_table.h"
#include "ops/result_codes.h"
#include "platform/posix/admin/store_admin.h"
#include "platform/posix/text/gbk.h"

namespace corvane::tool {

namespace {

// The stream's bytes up to `limit`; nullopt when it fails or holds more.
std::optional<std::string> ReadLimited(std::istream& in, size_t limit, bool& too_long) {
  std::string bytes;
  char chunk[65536];
  while (in) {
    in.read(chunk, sizeof chunk);
    const auto got = static_cast<size_t>(in.gcount());
    if (got > limit - bytes.size()) {
      too_long = true;
      return std::nullopt;
    }
    bytes.append(chunk, got);
  }
  if (in.bad()) return std::nullopt;
  return bytes;
}

}  // namespace

std::optional<std::string> ReadInput(const std::string& path, size_t limit, std::string& failure) {
  const bool standard_input = path.empty() || path == "-";
  const std::string name = standard_input ? "standard input" : path;
  std::ifstream file;
  if (!standard_input) file.open(path, std::ios::binary);
  std::istream& in = standard_input ? std::cin : file;
  bool too_long = false;
  std::optional<std::string> bytes = in ? ReadLimited(in, limit, too_long) : std::nullopt;
  if (!bytes) {
    failure = too_long ? "cannot read " + name + ": more than " + std::to_string(limit) + " bytes"
                       : "cannot read " + name;
  }
  return bytes;
}

bool WriteOutput(const std::string& path, const std::string& bytes) {
  if (path.empty() || path == "-") {
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::cout.flush();
    return static_cast<bool>(std::cout);
  }
  // New files get the usual permissions (0666 less the umask); a file replaced keeps its own.
  const mode_t mask = umask(0);
  umask(mask);
  std::error_code error;
  const auto existing = std::filesystem::status(path, error);
  const mode_t mode = std::filesystem::is_regular_file(existing)
                          ? static_cast<mode_t>(existing.permissions() & std::filesystem::perms::mask)
                          : static_cast<mode_t>(0666 & ~mask);
  // Not flushed to the disk: output that a crash loses is made again by running the command
  // again, and flushing cost more than the operation (docs/performance.md).
  return platform::WriteFileAtomically(path, bytes, mode, platform::Durability::kHandedToTheSystem).ok();
}

Options::Options(std::vector<std::string> args, std::string_view command) : command_(command) {
  const std::vector<OptionEntry>& known = Command(command).options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 3 || arg.rfind("--", 0) != 0) {
      positional_.push_back(arg);
      continue;
    }
    const std::string name = arg.substr(2);
    const auto option = std::find_if(known.begin(), known.end(),
                                     [&](const OptionEntry& entry) { return entry.name == name; });
    if (option == known.end()) {
      if (!error_) error_ = "unknown option --" + name + " (see corvane " + std::string(command) + " --help)";
    } else if (option->value.empty()) {
      options_.emplace_back(name, std::nullopt);
    } else if (i + 1 < args.size()) {
      options_.emplace_back(name, args[++i]);
    } else if (!error_) {
      error_ = "option --" + name + " needs a value";
    }
  }
  // A command whose table entry names no arguments takes none.
  if (!error_ && !positional_.empty() && Command(command).arguments.empty()) {
    error_ = UsageLine(command);
  }
}

void Options::CheckKnown(const std::string& name) const {
  const std::vector<OptionEntry>& known = Command(command_).options;
  if (std::none_of(known.begin(), known.end(), [&](const OptionEntry& option) { return option.name == name; })) {
    std::cerr << "corvane: the table names no option --" << name << " of " << command_ << "\n";
    std::abort();
  }
}

bool Options::Flag(const std::string& name) const {
  CheckKnown(name);
  for (const auto& [option, value] : options_) {
    if (option == name && !value) return true;
  }
  return false;
}

std::optional<std::string> Options::Value(const std::string& name) const {
  CheckKnown(name);
  for (const auto& [option, value] : options_) {
    if (option == name && value) return value;
  }
  return std::nullopt;
}

int Fail(const std::string& message) {
  std::cerr << "corvane: " << message << "\n";
  return 1;
}

}  // namespace corvane::tool
