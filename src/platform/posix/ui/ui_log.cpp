#include "platform/posix/ui/ui_log.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include "platform/posix/ui/ui_text.h"

namespace corvane::platform {
namespace {

// While alive, SIGPIPE is held back for this thread, and one that a write raised is taken away
// again: a log that is a pipe whose reader has gone must not end the host process.
class SigpipeHeldBack {
 public:
  SigpipeHeldBack() {
    sigemptyset(&sigpipe_);
    sigaddset(&sigpipe_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    was_pending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &sigpipe_, &previous_);
  }
  ~SigpipeHeldBack() {
    sigset_t pending;
    sigpending(&pending);
    if (!was_pending_ && sigismember(&pending, SIGPIPE) == 1) {
      const timespec no_wait{0, 0};
      sigtimedwait(&sigpipe_, nullptr, &no_wait);
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  SigpipeHeldBack(const SigpipeHeldBack&) = delete;
  SigpipeHeldBack& operator=(const SigpipeHeldBack&) = delete;

 private:
  sigset_t sigpipe_;
  sigset_t previous_;
  bool was_pending_ = false;
};

void AppendLine(const std::string& log_path, std::string line) {
  if (log_path.empty()) return;
  line += '\n';
  // Opened without waiting: a named pipe that nobody reads is skipped instead of blocking.
  const int fd = open(log_path.c_str(),
                      O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
  if (fd < 0) return;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  SigpipeHeldBack sigpipe_held_back;
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
  if (log_path.empty()) return;  // nothing to format either: every success shows a box
  AppendLine(log_path, "box\t" + ForLogField(caption_gbk) + "\t" + ForLogField(text_gbk));
}

void LogChooser(const std::string& log_path, const std::vector<std::string>& lines_gbk,
                const ChooserAnswer& answer) {
  std::string line = "choose";
  for (const std::string& chooser_line : lines_gbk) line += "\t" + ForLogField(chooser_line);
  AppendLine(log_path, line + "\t" + AnswerField(answer));
}

void LogRequester(const std::string& log_path, const std::string& requester_gbk) {
  AppendLine(log_path, "for\t" + ForLogField(requester_gbk));
}

void LogQuestion(const std::string& log_path, const std::string& caption_gbk,
                 const std::string& text_gbk, bool ok) {
  AppendLine(log_path, "ask\t" + ForLogField(caption_gbk) + "\t" + ForLogField(text_gbk) + "\t" +
                           (ok ? "ok" : "cancel"));
}

void LogPin(const std::string& log_path, bool given) {
  AppendLine(log_path, std::string("pin\tasked\t") + (given ? "given" : "refused"));
}

}  // namespace corvane::platform
