#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <optional>
#include <string_view>

#include "platform/posix/ui/hidden_line.h"
#include "platform/posix/ui/ui_text.h"
#include "platform/posix/ui/ui_tty.h"

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

  void Write(std::string_view text) { WriteToTerminal(fd_, text); }

  // The PIN dialog's line (hidden_line.h); an empty line refuses as well.
  std::optional<SecretBytes> ReadPin(std::string_view prompt) {
    std::optional<SecretBytes> pin = ReadHiddenLine(fd_, prompt, kMaxPinLength);
    if (pin && pin->size() == 0) return std::nullopt;
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

bool AskOkCancelOnTty(const std::string& caption_gbk, const std::string& text_gbk,
                      DisplayEncoding encoding) {
  Terminal terminal;
  if (!terminal.is_open()) return false;
  terminal.Write("\n[" + ForTerminal(caption_gbk, encoding) + "]\n" +
                 ForTerminal(text_gbk, encoding) + "\nType ok to allow (Enter alone cancels): ");
  const std::optional<std::string> typed = terminal.ReadLine();
  if (!typed) return false;
  std::string answer(TrimBlanks(*typed));
  for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return answer == "ok";
}

std::optional<SecretBytes> AskPinOnTty(const std::string& caption_gbk, const std::string& text_gbk,
                                       DisplayEncoding encoding) {
  Terminal terminal;
  if (!terminal.is_open()) return std::nullopt;
  return terminal.ReadPin("\n[" + ForTerminal(caption_gbk, encoding) + "]\n" +
                          ForTerminal(text_gbk, encoding) + " ");
}

}  // namespace corvane::platform
