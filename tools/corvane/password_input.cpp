#include "password_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "platform/posix/ui/hidden_line.h"

namespace corvane::tool {
namespace {

constexpr size_t kMaxTypedPassword = 4096;

std::string FirstLine(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

bool PasswordFromOptions(const Options& options, std::optional<std::string>& password) {
  const auto inline_password = options.Value("password");
  const auto file = options.Value("password-file");
  const auto variable = options.Value("password-env");
  if (inline_password.has_value() + file.has_value() + variable.has_value() > 1) {
    Fail("give the password in one way only (--password-file, --password-env or --password)");
    return false;
  }
  if (inline_password) {
    std::cerr << "corvane: warning: a password on the command line can be read by every user of this "
                 "machine; use --password-file or --password-env, or let corvane ask for it\n";
    password = inline_password;
  } else if (file) {
    std::string failure;
    const auto text = ReadInput(*file, kPasswordInputLimit, failure);
    if (!text) return Fail(failure), false;
    password = FirstLine(*text);
  } else if (variable) {
    const char* value = std::getenv(variable->c_str());
    if (value == nullptr) return Fail("environment variable " + *variable + " is not set"), false;
    password = std::string(value);
  }
  return true;
}

std::optional<std::string> AskPassword(const std::string& file) {
  const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  const std::optional<platform::SecretBytes> typed =
      platform::ReadHiddenLine(fd, "Password for " + file + ": ", kMaxTypedPassword);
  close(fd);
  if (!typed) return std::nullopt;
  return std::string(typed->bytes().begin(), typed->bytes().end());
}

}  // namespace corvane::tool
