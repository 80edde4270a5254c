// Small helpers shared by the corvane subcommands: reading inputs, writing outputs, options.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::tool {

// The most an input of the tool may hold: data or a message for the library (whose lengths are
// signed 32-bit), a file to import into a store, a password file.
inline constexpr size_t kMessageInputLimit = 0x7FFFFFFF;
inline constexpr size_t kImportInputLimit = size_t{16} << 20;
inline constexpr size_t kPasswordInputLimit = size_t{64} << 10;

// Reads a whole file, or standard input for "-" or an empty path, of at most `limit` bytes: no
// more than limit + 1 bytes are ever held. Nullopt on failure, with `failure` saying why.
std::optional<std::string> ReadInput(const std::string& path, size_t limit, std::string& failure);

// Writes all bytes to a file (atomically, as the stores are written; a new file gets 0666 less
// the umask) or to standard output for "-" or an empty path. False on failure.
bool WriteOutput(const std::string& path, const std::string& bytes);

// The options of a command of the table (command_table.h), --name VALUE or --flag, taken out of
// `args` in any order; what remains are the positional arguments.
class Options {
 public:
  Options(std::vector<std::string> args, std::string_view command);

  bool Flag(const std::string& name) const;
  std::optional<std::string> Value(const std::string& name) const;
  const std::vector<std::string>& positional() const { return positional_; }
  // The first option the command does not take, or one without its value.
  const std::optional<std::string>& error() const { return error_; }

 private:
  // Asking for an option the command's table entry does not name is a fault of the tool's code.
  void CheckKnown(const std::string& name) const;

  std::string_view command_;
  std::vector<std::pair<std::string, std::optional<std::string>>> options_;
  std::vector<std::string> positional_;
  std::optional<std::string> error_;
};

// Prints "corvane: <message>" on standard error and returns the exit status 1.
int Fail(const std::string& message);

}  // namespace corvane::tool
