// The one error convention inside the platform layer: a step that can fail returns a Status,
// success or the Windows error value its entry point reports through GetLastError
// (PLATFORM_ENSURE_OK in platform_call.h). A step that failed in the operating system keeps the
// system's error number as well, and a step may add a description, so that the command-line tool
// can say what went wrong in words.
// Parsers and lookups whose only failure is "nothing there" return std::optional instead, and
// predicates (IsValidStoreName) a bool.
//
//   if (!ReadWholeFile(path, bytes).ok()) return nullptr;
#pragma once

#include <string>

#include "platform/platform.h"

namespace corvane::platform {

class [[nodiscard]] Status {
 public:
  Status() = default;  // success
  explicit Status(DWORD windows_error) : error_(windows_error) {}

  // A system error number (errno), with the closest Windows error value.
  static Status FromSystemError(int error_number);
  // The same for the errno of the call that just failed.
  static Status LastSystemError();

  bool ok() const { return error_ == ERROR_SUCCESS; }
  DWORD error() const { return error_; }
  // True for a system error with this number (ENOENT, EEXIST, ...).
  bool IsSystemError(int error_number) const { return system_error_ == error_number; }

  // The same failure with a description for people ("cannot write <file>").
  Status Because(std::string what) const;

  // What went wrong, for people: the description and the system's text, or "error 0x8009200C".
  std::string Text() const;

 private:
  DWORD error_ = ERROR_SUCCESS;
  int system_error_ = 0;
  std::string what_;
};

}  // namespace corvane::platform
