// corvane-web-host: the browsers' native messaging host. Reads one request frame at a time from
// standard input, serves it with the library's exports and writes the answer frame to standard
// output; ends when the browser closes the port (end of input). Nothing a request names is read
// from files or the environment.
#include <signal.h>
#include <unistd.h>

#include <string>

#include "corvane.h"
#include "operations.h"
#include "request.h"
#include "request_log.h"
#include "../common/native_frame.h"
#include "../common/web_refusals.h"

namespace corvane::web {
namespace {

using nlohmann::json;

std::string Dumped(const json& answer) {
  return answer.dump(-1, ' ', false, json::error_handler_t::replace);
}

// The answer's frame: one a browser takes (at most 1 MiB); a longer answer becomes the refusal
// that says why (without its id when even that is too long).
std::string AnswerFrame(json& answer) {
  std::string bytes = Dumped(answer);
  if (bytes.size() <= tool::kMaxAnswerFrame) return bytes;
  const Refusal too_long{CORVANE_E_ENCODING_FAILED,
                         "the answer of " + std::to_string(bytes.size()) +
                             " bytes is longer than the 1 MiB a browser takes from its host"};
  answer = RefusalAnswer(answer["id"], too_long);
  bytes = Dumped(answer);
  if (bytes.size() <= tool::kMaxAnswerFrame) return bytes;
  answer = RefusalAnswer(nullptr, too_long);
  return Dumped(answer);
}

json Answer(const tool::FrameRead& frame, LoggedRequest& logged) {
  if (frame.kind == tool::FrameRead::Kind::kOversize) {
    return RefusalAnswer(nullptr, {tool::kWebUnreadableRequest, "the request of " + std::to_string(frame.length) +
                                                                    " bytes is longer than the " +
                                                                    std::to_string(kMaxRequestFrame >> 20) +
                                                                    " MiB the host reads"});
  }
  json id;
  Refusal refusal;
  const std::optional<Request> request = ReadRequest(frame.bytes, id, refusal);
  if (!request) return RefusalAnswer(id, refusal);
  logged.origin = request->origin;
  logged.operation = OperationName(request->operation);
  return Serve(*request);
}

int Run() {
  // A browser that has gone makes the answer's write fail, which ends the host.
  signal(SIGPIPE, SIG_IGN);
  for (;;) {
    const tool::FrameRead frame = tool::ReadFrame(STDIN_FILENO, kMaxRequestFrame);
    if (frame.kind == tool::FrameRead::Kind::kEnd || frame.kind == tool::FrameRead::Kind::kTruncated) {
      return 0;
    }
    LoggedRequest logged;
    logged.request_bytes = frame.length;
    json answer = Answer(frame, logged);
    const std::string bytes = AnswerFrame(answer);
    logged.code = answer["code"].get<int>();
    if (logged.code != 0) logged.failure = answer["text"].get<std::string>();
    logged.answer_bytes = bytes.size();
    LogRequest(logged);
    if (!tool::WriteFrame(STDOUT_FILENO, bytes)) return 0;
  }
}

}  // namespace
}  // namespace corvane::web

int main() { return corvane::web::Run(); }
