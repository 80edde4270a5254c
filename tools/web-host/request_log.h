// The host's request log, for a user whose browser says no more than "the native application
// closed the connection": one line per request, appended to web-host.log in the Corvane folder
// while that file exists (create it to start logging, remove it to stop):
//
//   <UTC time> <origin or -> <op or -> code=<code> in=<request bytes> out=<answer bytes> <why>
//
// Never data, messages, certificates or PINs; <why> is the answer's text when the code is not 0
// (the library's fixed text of the code, or the host's reason for a refusal).
#pragma once

#include <cstddef>
#include <string>

namespace corvane::web {

struct LoggedRequest {
  std::string origin;     // empty when unknown
  std::string operation;  // empty when unknown
  int code = 0;
  size_t request_bytes = 0;
  size_t answer_bytes = 0;
  std::string failure;  // the answer's text when the code is not 0
};

void LogRequest(const LoggedRequest& request);

}  // namespace corvane::web
