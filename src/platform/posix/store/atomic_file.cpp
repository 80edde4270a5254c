#include "platform/posix/store/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace corvane::platform {
namespace {

std::error_code LastSystemError() { return std::error_code(errno, std::generic_category()); }

// Writes `bytes` into a new temporary file beside `path`; returns its name through `temporary`.
std::error_code WriteTemporary(const std::filesystem::path& path, std::string_view bytes, mode_t mode,
                               std::string& temporary) {
  temporary = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
  // Close-on-exec: a program another thread starts meanwhile must not inherit the file.
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return LastSystemError();
  std::error_code error;
  if (fchmod(fd, mode) != 0) error = LastSystemError();
  size_t written = 0;
  while (!error && written < bytes.size()) {
    const ssize_t result = write(fd, bytes.data() + written, bytes.size() - written);
    if (result < 0) {
      if (errno == EINTR) continue;
      error = LastSystemError();
    } else {
      written += static_cast<size_t>(result);
    }
  }
  if (!error && fsync(fd) != 0) error = LastSystemError();
  if (close(fd) != 0 && !error) error = LastSystemError();
  if (error) unlink(temporary.c_str());
  return error;
}

}  // namespace

std::error_code ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return LastSystemError();
  std::error_code error;
  struct stat status {};
  if (fstat(fd, &status) != 0) {
    error = LastSystemError();
  } else if (S_ISDIR(status.st_mode)) {
    error = std::make_error_code(std::errc::is_a_directory);
  }
  bytes.clear();
  char chunk[16384];
  while (!error) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      error = LastSystemError();
    } else if (got == 0) {
      break;
    } else {
      bytes.append(chunk, static_cast<size_t>(got));
    }
  }
  close(fd);
  return error;
}

std::error_code CreatePrivateFolder(const std::filesystem::path& folder) {
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return {};
  if (folder.has_parent_path() && folder.parent_path() != folder) {
    error = CreatePrivateFolder(folder.parent_path());
    if (error) return error;
  }
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return LastSystemError();
  if (!std::filesystem::is_directory(folder, error)) {
    return error ? error : std::make_error_code(std::errc::not_a_directory);
  }
  return {};
}

std::error_code WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                    mode_t mode) {
  std::string temporary;
  if (auto error = WriteTemporary(path, bytes, mode, temporary)) return error;
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    const std::error_code error = LastSystemError();
    unlink(temporary.c_str());
    return error;
  }
  return {};
}

std::error_code CreateFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                     mode_t mode) {
  std::string temporary;
  if (auto error = WriteTemporary(path, bytes, mode, temporary)) return error;
  // link() never replaces an existing file: of two concurrent creators exactly one succeeds.
  std::error_code error;
  if (link(temporary.c_str(), path.c_str()) != 0) error = LastSystemError();
  unlink(temporary.c_str());
  return error;
}

DWORD WindowsErrorOf(const std::error_code& error) {
  if (error.category() != std::generic_category() && error.category() != std::system_category()) {
    return CRYPT_E_FILE_ERROR;
  }
  switch (error.value()) {
    case 0:
      return ERROR_SUCCESS;
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

}  // namespace corvane::platform
