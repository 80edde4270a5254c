#include "platform/posix/ui/hidden_line.h"

#include <errno.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace corvane::platform {

void WriteToTerminal(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t result = write(fd, text.data(), text.size());
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) return;
    text.remove_prefix(static_cast<size_t>(result));
  }
}

std::optional<SecretBytes> ReadHiddenLine(int fd, std::string_view prompt, size_t max_length) {
  termios saved{};
  const bool have_modes = tcgetattr(fd, &saved) == 0;
  if (have_modes) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(fd, TCSANOW, &quiet);  // TCSAFLUSH would drop what was typed ahead
  }
  WriteToTerminal(fd, prompt);
  std::vector<uint8_t> line;
  line.reserve(max_length + 1);  // never reallocated: no unwiped copy is left behind
  bool complete = false;
  for (;;) {
    char c;
    const ssize_t result = read(fd, &c, 1);
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) break;
    if (c == '\n' || c == '\r') {
      complete = true;
      break;
    }
    if (line.size() <= max_length) line.push_back(static_cast<uint8_t>(c));
    c = 0;
  }
  if (have_modes) tcsetattr(fd, TCSANOW, &saved);
  WriteToTerminal(fd, "\n");
  SecretBytes typed(std::move(line));
  if (!complete || typed.size() > max_length) return std::nullopt;
  return typed;
}

}  // namespace corvane::platform
