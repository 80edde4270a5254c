#include "platform/posix/files/update_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

namespace corvane::platform {
namespace {

constexpr auto kRetryInterval = std::chrono::milliseconds(5);

// Takes the lock on `fd` (of `lock_file`), trying again while another holder has it, until the
// wait is over.
Status Lock(int fd, const std::filesystem::path& lock_file) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kUpdateLockWaitMilliseconds);
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return Status();
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return Status::LastSystemError().Because("cannot lock " + lock_file.string());
    if (std::chrono::steady_clock::now() >= deadline) {
      return Status::FromSystemError(EWOULDBLOCK)
          .Because(lock_file.string() + " stayed locked by another update for " +
                   std::to_string(kUpdateLockWaitMilliseconds / 1000) + " s");
    }
    std::this_thread::sleep_for(kRetryInterval);
  }
}

}  // namespace

UpdateLock::UpdateLock(const std::filesystem::path& file) {
  std::filesystem::path lock_file = file;
  lock_file += ".lock";
  // Close-on-exec: a program started meanwhile must not inherit (and so keep holding) the lock.
  fd_ = open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
  if (fd_ < 0) {
    status_ = Status::LastSystemError().Because("cannot open " + lock_file.string());
    return;
  }
  struct stat lock_status {};
  if (fstat(fd_, &lock_status) != 0) {
    status_ = Status::LastSystemError().Because("cannot examine " + lock_file.string());
  } else if (!S_ISREG(lock_status.st_mode)) {
    status_ = Status(ERROR_INVALID_DATA).Because(lock_file.string() + " is not a regular file");
  } else {
    status_ = Lock(fd_, lock_file);
  }
}

UpdateLock::~UpdateLock() {
  if (fd_ >= 0) close(fd_);  // closing the only descriptor releases the lock
}

}  // namespace corvane::platform
