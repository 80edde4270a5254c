#include "password_input.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

namespace corvane::tool {
namespace {

std::string FirstLine(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// One line from the terminal `fd`, echo switched off while it is typed.
std::optional<std::string> ReadHiddenLine(int fd) {
  termios saved{};
  const bool is_terminal = tcgetattr(fd, &saved) == 0;
  if (is_terminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  std::string line;
  char c = 0;
  ssize_t got = 0;
  while ((got = read(fd, &c, 1)) == 1 && c != '\n' && line.size() < 4096) line += c;
  if (is_terminal) tcsetattr(fd, TCSAFLUSH, &saved);
  if (write(fd, "\n", 1) < 0) {
    // the line is read; a lost line feed on the terminal changes nothing
  }
  if (got < 0 || (got == 0 && line.empty())) return std::nullopt;
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
  const std::string prompt = "Password for " + file + ": ";
  std::optional<std::string> password;
  if (write(fd, prompt.data(), prompt.size()) == static_cast<ssize_t>(prompt.size())) password = ReadHiddenLine(fd);
  close(fd);
  return password;
}

}  // namespace corvane::tool
