// An exclusive lock over the updates of one file: a lock file beside it ("<name>.lock", mode
// 0600, never removed), held with flock while the owner lives, so that reading the file, changing
// it and writing it back atomically is one step against every process and thread that updates it
// the same way. Readers take no lock: an atomic write never shows them half a file.
#pragma once

#include <filesystem>

#include "platform/posix/status.h"

namespace corvane::platform {

// How long an update waits for another one to end before it fails: far longer than any update
// takes, and short enough that a command stuck behind a hung writer says so.
inline constexpr int kUpdateLockWaitMilliseconds = 10000;

class UpdateLock {
 public:
  // Waits up to kUpdateLockWaitMilliseconds for the lock of `file`; status() says whether it is held. The
  // lock file must be a regular file (a link there is refused, never followed).
  explicit UpdateLock(const std::filesystem::path& file);
  ~UpdateLock();
  UpdateLock(const UpdateLock&) = delete;
  UpdateLock& operator=(const UpdateLock&) = delete;

  const Status& status() const { return status_; }

 private:
  int fd_ = -1;
  Status status_;
};

}  // namespace corvane::platform
