#include "frame_loop.h"

#include <optional>
#include <string>
#include <string_view>

#include "corvane.h"
#include "operations.h"
#include "ops/without_throwing.h"
#include "request.h"
#include "request_log.h"
#include "../common/native_frame.h"
#include "../common/web_refusals.h"

namespace corvane::web {
namespace {

using nlohmann::json;

// The answer to a request whose serving failed inside: fixed bytes, since no memory may be left to
// make an answer with (the request's id among them).
static_assert(CORVANE_E_NO_MEMORY == -10000);
constexpr std::string_view kFailedInsideAnswer =
    R"({"id":null,"code":-10000,"text":"the host ran out of memory serving this request"})";

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
  if (frame.kind == tool::FrameRead::Kind::kUnheld) {
    return RefusalAnswer(nullptr, {CORVANE_E_NO_MEMORY, "the host has no memory for the request of " +
                                                            std::to_string(frame.length) + " bytes"});
  }
  json id;
  Refusal refusal;
  const std::optional<Request> request = ReadRequest(frame.bytes, id, refusal);
  if (!request) return RefusalAnswer(id, refusal);
  logged.origin = request->origin;
  logged.operation = OperationName(request->operation);
  return Serve(*request);
}

// The answer frame's bytes, the request logged.
std::string Served(const tool::FrameRead& frame) {
  LoggedRequest logged;
  logged.request_bytes = frame.length;
  json answer = Answer(frame, logged);
  std::string bytes = AnswerFrame(answer);
  logged.code = answer["code"].get<int>();
  if (logged.code != 0) logged.failure = answer["text"].get<std::string>();
  logged.answer_bytes = bytes.size();
  LogRequest(logged);
  return bytes;
}

}  // namespace

int ServeFrames(int input_fd, int output_fd) {
  for (;;) {
    const tool::FrameRead frame = tool::ReadFrame(input_fd, kMaxRequestFrame);
    if (frame.kind == tool::FrameRead::Kind::kEnd || frame.kind == tool::FrameRead::Kind::kTruncated) {
      return 0;
    }
    const std::optional<std::string> bytes = ops::CallWithoutThrowing(
        [&] { return std::optional<std::string>(Served(frame)); },
        []() noexcept { return std::optional<std::string>(); });
    if (!tool::WriteFrame(output_fd, bytes ? std::string_view(*bytes) : kFailedInsideAnswer)) return 0;
  }
}

}  // namespace corvane::web
