#include "platform/posix/ui_log.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/posix/ui_text.h"

namespace corvane::platform {
namespace {

void AppendLine(const std::string& log_path, std::string line) {
  if (log_path.empty()) return;
  line += '\n';
  const int fd = open(log_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) return;
  size_t written = 0;
  while (written < line.size()) {
    const ssize_t result = write(fd, line.data() + written, line.size() - written);
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) break;
    written += static_cast<size_t>(result);
  }
  close(fd);
}

std::string AnswerField(const ChooserAnswer& answer) {
  if (!answer.ok) return "cancel";
  return answer.selected_line < 0 ? "ok" : std::to_string(answer.selected_line);
}

}  // namespace

void LogBox(const std::string& log_path, const std::string& caption_gbk,
            const std::string& text_gbk) {
  AppendLine(log_path, "box\t" + ForLogField(caption_gbk) + "\t" + ForLogField(text_gbk));
}

void LogChooser(const std::string& log_path, const std::vector<std::string>& lines_gbk,
                const ChooserAnswer& answer) {
  std::string line = "choose";
  for (const std::string& chooser_line : lines_gbk) line += "\t" + ForLogField(chooser_line);
  AppendLine(log_path, line + "\t" + AnswerField(answer));
}

}  // namespace corvane::platform
