#include "platform/posix/store/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace corvane::platform {
namespace {

// Writes `bytes` into a new temporary file beside `path`; returns its name through `temporary`.
Status WriteTemporary(const std::filesystem::path& path, std::string_view bytes, mode_t mode,
                      std::string& temporary) {
  temporary = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
  // Close-on-exec: a program another thread starts meanwhile must not inherit the file.
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return Status::LastSystemError();
  Status status;
  if (fchmod(fd, mode) != 0) status = Status::LastSystemError();
  size_t written = 0;
  while (status.ok() && written < bytes.size()) {
    const ssize_t result = write(fd, bytes.data() + written, bytes.size() - written);
    if (result < 0) {
      if (errno == EINTR) continue;
      status = Status::LastSystemError();
    } else {
      written += static_cast<size_t>(result);
    }
  }
  if (status.ok() && fsync(fd) != 0) status = Status::LastSystemError();
  if (close(fd) != 0 && status.ok()) status = Status::LastSystemError();
  if (!status.ok()) unlink(temporary.c_str());
  return status;
}

}  // namespace

Status ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
  bytes.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Status::LastSystemError();
  Status status;
  struct stat file_status {};
  if (fstat(fd, &file_status) != 0) {
    status = Status::LastSystemError();
  } else if (S_ISDIR(file_status.st_mode)) {
    status = Status::FromSystemError(EISDIR);
  }
  char chunk[16384];
  while (status.ok()) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      status = Status::LastSystemError();
    } else if (got == 0) {
      break;
    } else {
      bytes.append(chunk, static_cast<size_t>(got));
    }
  }
  close(fd);
  return status;
}

Status CreatePrivateFolder(const std::filesystem::path& folder) {
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return Status();
  if (folder.has_parent_path() && folder.parent_path() != folder) {
    const Status parent = CreatePrivateFolder(folder.parent_path());
    if (!parent.ok()) return parent;
  }
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return Status::LastSystemError();
  if (!std::filesystem::is_directory(folder, error)) {
    return Status::FromSystemError(error ? error.value() : ENOTDIR);
  }
  return Status();
}

Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode) {
  std::string temporary;
  const Status written = WriteTemporary(path, bytes, mode, temporary);
  if (!written.ok()) return written;
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    const Status failure = Status::LastSystemError();
    unlink(temporary.c_str());
    return failure;
  }
  return Status();
}

Status CreateFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode) {
  std::string temporary;
  const Status written = WriteTemporary(path, bytes, mode, temporary);
  if (!written.ok()) return written;
  // link() never replaces an existing file: of two concurrent creators exactly one succeeds.
  Status status;
  if (link(temporary.c_str(), path.c_str()) != 0) status = Status::LastSystemError();
  unlink(temporary.c_str());
  return status;
}

}  // namespace corvane::platform
