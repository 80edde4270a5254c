#include "platform/posix/files/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>

namespace corvane::platform {
namespace {

Status CheckReadable(const struct stat& file_status, size_t limit) {
  if (!S_ISREG(file_status.st_mode)) {
    return Status(ERROR_INVALID_DATA).Because("not a regular file");
  }
  if (file_status.st_size < 0 || static_cast<uint64_t>(file_status.st_size) > limit) {
    return Status(ERROR_INVALID_DATA).Because("larger than " + std::to_string(limit) + " bytes");
  }
  return Status();
}

// Reads what `fd` holds, straight into `bytes`: room for `expected` bytes (the size a stat
// reported) is made once, so a file whose stat tells the truth is read without a copy or a
// regrowth; one that holds more (a /proc file reports 0) grows it. Fails when the file holds more
// than `limit` bytes.
Status ReadUpTo(int fd, size_t expected, size_t limit, std::string& bytes) {
  size_t used = 0;
  // One byte more than expected, so that the end of the file is seen without another allocation.
  bytes.resize(std::min(expected, limit) + 1);
  for (;;) {
    if (used == bytes.size()) {
      if (used > limit) {
        return Status(ERROR_INVALID_DATA).Because("grew past " + std::to_string(limit) + " bytes");
      }
      bytes.resize(std::min(std::max(used * 2, size_t{16384}), limit + 1));
    }
    const ssize_t got = read(fd, bytes.data() + used, bytes.size() - used);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Status::LastSystemError();
    if (got == 0) break;
    used += static_cast<size_t>(got);
  }
  if (used > limit) {
    return Status(ERROR_INVALID_DATA).Because("grew past " + std::to_string(limit) + " bytes");
  }
  bytes.resize(used);
  return Status();
}

}  // namespace

Status ReadWholeFile(const std::filesystem::path& path, std::string& bytes, size_t limit) {
  bytes.clear();
  // Looked at before it is opened, so that a device or FIFO is never opened at all; the opened
  // descriptor is checked again, since the name may be replaced in between.
  struct stat file_status {};
  if (stat(path.c_str(), &file_status) != 0) return Status::LastSystemError();
  Status status = CheckReadable(file_status, limit);
  if (!status.ok()) return status;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return Status::LastSystemError();
  status = fstat(fd, &file_status) == 0 ? CheckReadable(file_status, limit) : Status::LastSystemError();
  if (status.ok()) status = ReadUpTo(fd, static_cast<size_t>(file_status.st_size), limit, bytes);
  close(fd);
  if (!status.ok()) bytes.clear();
  return status;
}

}  // namespace corvane::platform
