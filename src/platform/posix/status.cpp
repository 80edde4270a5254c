#include "platform/posix/status.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace corvane::platform {
namespace {

DWORD WindowsErrorOf(int error_number) {
  switch (error_number) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOTDIR:
    case EISDIR:
      return ERROR_DIRECTORY;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EIO:
      return ERROR_READ_FAULT;
    default:
      return CRYPT_E_FILE_ERROR;
  }
}

}  // namespace

Status Status::FromSystemError(int error_number) {
  Status status(error_number == 0 ? CRYPT_E_FILE_ERROR : WindowsErrorOf(error_number));
  status.system_error_ = error_number;
  return status;
}

Status Status::LastSystemError() { return FromSystemError(errno); }

Status Status::Because(std::string what) const {
  Status described = *this;
  described.what_ = std::move(what);
  return described;
}

std::string Status::Text() const {
  std::string cause;
  if (system_error_ != 0) {
    cause = std::strerror(system_error_);
  } else if (what_.empty()) {
    char code[32];
    std::snprintf(code, sizeof code, "error 0x%08X", static_cast<unsigned>(error_));
    cause = code;
  }
  if (what_.empty()) return cause;
  return cause.empty() ? what_ : what_ + ": " + cause;
}

}  // namespace corvane::platform
