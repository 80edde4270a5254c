#include "platform/posix/files/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <limits>
#include <string>

namespace corvane::platform {
namespace {

constexpr size_t kRandomSuffix = 7;  // ".XXXXXX"
constexpr time_t kStaleAfterSeconds = 60;

// Writes `bytes` into a new temporary file beside `path`; returns its name through `temporary`.
Status WriteTemporary(const std::filesystem::path& path, std::string_view bytes, mode_t mode,
                      Durability durability, std::string& temporary) {
  temporary = (path.parent_path() / ("." + path.filename().string() + "." + std::to_string(getpid()) +
                                     ".XXXXXX"))
                  .string();
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
  if (status.ok() && durability == Durability::kFlushed && fsync(fd) != 0) {
    status = Status::LastSystemError();
  }
  if (close(fd) != 0 && status.ok()) status = Status::LastSystemError();
  if (!status.ok()) unlink(temporary.c_str());
  return status;
}

// Flushes a folder, so that a rename or link in it outlives a crash.
Status SyncFolder(const std::filesystem::path& folder) {
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Status::LastSystemError();
  Status status;
  if (fsync(fd) != 0) status = Status::LastSystemError();
  close(fd);
  return status;
}

// The process id in a temporary file's name (".<name>.<pid>.XXXXXX"); 0 for the earlier form
// without one, and for a number too large to be a process id.
pid_t TemporaryFileOwner(const std::string& file_name) {
  const std::string stem = file_name.substr(0, file_name.size() - kRandomSuffix);
  const size_t dot = stem.rfind('.');
  if (dot == std::string::npos || dot + 1 == stem.size() || stem.size() - dot > 11) return 0;
  pid_t pid = 0;
  for (size_t i = dot + 1; i < stem.size(); ++i) {
    if (stem[i] < '0' || stem[i] > '9') return 0;
    const int digit = stem[i] - '0';
    if (pid > (std::numeric_limits<pid_t>::max() - digit) / 10) return 0;
    pid = pid * 10 + digit;
  }
  return pid;
}


}  // namespace


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

Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode,
                           Durability durability) {
  std::string temporary;
  const Status written = WriteTemporary(path, bytes, mode, durability, temporary);
  if (!written.ok()) return written;
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    const Status failure = Status::LastSystemError();
    unlink(temporary.c_str());
    return failure;
  }
  return durability == Durability::kFlushed ? SyncFolder(path.parent_path()) : Status();
}

bool IsTemporaryFileName(const std::string& file_name) {
  return file_name.size() > 1 + kRandomSuffix && file_name[0] == '.' &&
         file_name[file_name.size() - kRandomSuffix] == '.';
}

bool IsStaleTemporaryFile(const std::filesystem::path& path) {
  struct stat file_status {};
  if (lstat(path.c_str(), &file_status) != 0) return false;
  const pid_t owner = TemporaryFileOwner(path.filename().string());
  if (owner > 0 && kill(owner, 0) != 0 && errno == ESRCH) return true;
  return time(nullptr) - file_status.st_mtime > kStaleAfterSeconds;
}

void RemoveStaleTemporaryFiles(const std::filesystem::path& folder, std::vector<std::string>& removed) {
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (IsTemporaryFileName(name) && IsStaleTemporaryFile(entry->path()) && unlink(entry->path().c_str()) == 0) {
      removed.push_back(name);
    }
  }
}

Status CreateFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode) {
  std::string temporary;
  const Status written = WriteTemporary(path, bytes, mode, Durability::kFlushed, temporary);
  if (!written.ok()) return written;
  // link() never replaces an existing file: of two concurrent creators exactly one succeeds.
  Status status;
  if (link(temporary.c_str(), path.c_str()) != 0) status = Status::LastSystemError();
  unlink(temporary.c_str());
  return status.ok() ? SyncFolder(path.parent_path()) : status;
}

}  // namespace corvane::platform
