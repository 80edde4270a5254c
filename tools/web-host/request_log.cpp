#include "request_log.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include "platform/posix/admin/store_admin.h"

namespace corvane::web {
namespace {

std::string UtcNow() {
  const time_t now = time(nullptr);
  tm calendar{};
  gmtime_r(&now, &calendar);
  char text[32];
  strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &calendar);
  return text;
}

// Control characters of a page's text would break the log's lines.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return text;
}

}  // namespace

void LogRequest(const LoggedRequest& request) {
  std::string line = UtcNow() + " " + (request.origin.empty() ? "-" : OneLine(request.origin)) + " " +
                     (request.operation.empty() ? "-" : request.operation) +
                     " code=" + std::to_string(request.code) + " in=" + std::to_string(request.request_bytes) +
                     " out=" + std::to_string(request.answer_bytes);
  if (!request.failure.empty()) line += " " + OneLine(request.failure);
  line += "\n";
  // Never created here: the file's presence is the user's request for a log. Opened once the line
  // is made, so that running out of memory cannot leave the descriptor open.
  const int fd = open(platform::WebHostLogFile().c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
  if (fd < 0) return;
  if (write(fd, line.data(), line.size()) < 0) {
    // A log that cannot be written is no reason to fail the request.
  }
  close(fd);
}

}  // namespace corvane::web
