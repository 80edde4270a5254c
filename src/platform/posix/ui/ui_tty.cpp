#include <errno.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <optional>
#include <string_view>

#include "platform/posix/ui/ui_tty.h"
#include "platform/posix/ui/ui_text.h"

namespace corvane::platform {
namespace {

constexpr size_t kMaxAnswerLength = 64;
constexpr char kOverlongAnswer[] = "?";  // what a longer line reads as: no answer at all

// The controlling terminal, opened for one box or chooser.
class Terminal {
 public:
  Terminal() : fd_(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
  ~Terminal() {
    if (fd_ >= 0) close(fd_);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  bool is_open() const { return fd_ >= 0; }

  void Write(std::string_view text) {
    while (!text.empty()) {
      const ssize_t result = write(fd_, text.data(), text.size());
      if (result < 0 && errno == EINTR) continue;
      if (result <= 0) return;
      text.remove_prefix(static_cast<size_t>(result));
    }
  }

  // Shows the prompt, then reads one line with echo off into wiped memory; nullopt at end of
  // input, on a read error, for an empty line and for one longer than kMaxPinLength. Echo goes
  // off before the prompt is shown and nothing typed is discarded, so a PIN typed as soon as
  // the prompt appears is neither echoed nor lost.
  std::optional<SecretBytes> ReadSecretLine(std::string_view prompt) {
    termios saved{};
    const bool have_modes = tcgetattr(fd_, &saved) == 0;
    if (have_modes) {
      termios quiet = saved;
      quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      tcsetattr(fd_, TCSANOW, &quiet);
    }
    Write(prompt);
    std::vector<uint8_t> line;
    line.reserve(kMaxPinLength + 1);  // never reallocated: no unwiped copy is left behind
    bool complete = false;
    for (;;) {
      char c;
      const ssize_t result = read(fd_, &c, 1);
      if (result < 0 && errno == EINTR) continue;
      if (result <= 0) break;
      if (c == '\n' || c == '\r') {
        complete = true;
        break;
      }
      if (line.size() <= kMaxPinLength) line.push_back(static_cast<uint8_t>(c));
      c = 0;
    }
    if (have_modes) tcsetattr(fd_, TCSANOW, &saved);
    Write("\n");
    SecretBytes pin(std::move(line));
    if (!complete || pin.size() == 0 || pin.size() > kMaxPinLength) return std::nullopt;
    return pin;
  }

  // One line without its end; nullopt at end of input (or a read error) before any byte.
  std::optional<std::string> ReadLine() {
    std::string line;
    bool got_any = false;
    bool overlong = false;
    for (;;) {
      char c;
      const ssize_t result = read(fd_, &c, 1);
      if (result < 0 && errno == EINTR) continue;
      if (result <= 0 && !got_any) return std::nullopt;
      if (result <= 0 || c == '\n' || c == '\r') return overlong ? kOverlongAnswer : line;
      got_any = true;
      overlong = overlong || line.size() == kMaxAnswerLength;
      if (!overlong) line += c;
    }
  }

 private:
  int fd_;
};

}  // namespace

bool ShowBoxOnTty(const std::string& caption_gbk, const std::string& text_gbk,
                  DisplayEncoding encoding) {
  Terminal terminal;
  if (!terminal.is_open()) return false;
  terminal.Write("\n[" + ForTerminal(caption_gbk, encoding) + "]\n" +
                 ForTerminal(text_gbk, encoding) + "\n(Enter) ");
  terminal.ReadLine();
  return true;
}

ChooserAnswer ChooseOnTty(const std::string& caption_gbk, const std::string& label_gbk,
                          const std::vector<std::string>& lines_gbk, DisplayEncoding encoding) {
  Terminal terminal;
  if (!terminal.is_open()) return {};
  std::string shown = "\n[" + ForTerminal(caption_gbk, encoding) + "]\n" +
                      ForTerminal(label_gbk, encoding) + "\n";
  for (size_t i = 0; i < lines_gbk.size(); ++i) {
    shown += "  " + std::to_string(i) + ") " + ForTerminal(lines_gbk[i], encoding) + "\n";
  }
  terminal.Write(shown);
  for (;;) {
    terminal.Write("Line number (Enter alone cancels): ");
    const std::optional<std::string> typed = terminal.ReadLine();
    if (!typed || TrimBlanks(*typed).empty()) return {};
    const std::optional<size_t> line = ParseLineNumber(TrimBlanks(*typed));
    if (line && *line < lines_gbk.size()) return {true, static_cast<int>(*line)};
    terminal.Write("No such line.\n");
  }
}

std::optional<SecretBytes> AskPinOnTty(const std::string& caption_gbk, const std::string& text_gbk,
                                       DisplayEncoding encoding) {
  Terminal terminal;
  if (!terminal.is_open()) return std::nullopt;
  return terminal.ReadSecretLine("\n[" + ForTerminal(caption_gbk, encoding) + "]\n" +
                                 ForTerminal(text_gbk, encoding) + " ");
}

}  // namespace corvane::platform
