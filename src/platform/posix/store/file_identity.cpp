#include "platform/posix/store/file_identity.h"

#include <sys/stat.h>

namespace corvane::platform {

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& file) {
  struct stat status {};
  if (stat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return FileIdentity{status.st_dev, status.st_ino, status.st_size,
                      int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec};
}

}  // namespace corvane::platform
