#include "platform/posix/files/file_identity.h"

#include <sys/stat.h>
#include <time.h>

namespace corvane::platform {
namespace {

int64_t Nanoseconds(const timespec& time) { return int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec; }

FileIdentity FieldsOf(const struct stat& status) {
  return FileIdentity{status.st_dev, status.st_ino, status.st_size, Nanoseconds(status.st_mtim),
                      Nanoseconds(status.st_ctim)};
}

std::optional<FileIdentity> IdentityFrom(const struct stat& status) {
  if (!S_ISREG(status.st_mode)) return std::nullopt;
  return FieldsOf(status);
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& file) {
  struct stat status {};
  if (stat(file.c_str(), &status) != 0) return std::nullopt;
  return IdentityFrom(status);
}

std::optional<FileIdentity> IdentityOfFolder(const std::filesystem::path& folder) {
  struct stat status {};
  if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return std::nullopt;
  return FieldsOf(status);
}

std::optional<FileIdentity> SettledIdentityOfFolder(const std::filesystem::path& folder) {
  // The clock file systems take their times from, read before the stat: a change after the stat
  // gets a change time no earlier than this.
  timespec before {};
  clock_gettime(CLOCK_REALTIME_COARSE, &before);
  const std::optional<FileIdentity> identity = IdentityOfFolder(folder);
  if (!identity || int64_t{before.tv_sec} * 1'000'000'000 + before.tv_nsec <= identity->changed_ns) return std::nullopt;
  return identity;
}

EntryIdentity IdentityOfEntry(const std::filesystem::path& entry) {
  struct stat status {};
  if (lstat(entry.c_str(), &status) != 0) return {};
  if (S_ISLNK(status.st_mode)) return {IdentityOf(entry), true};
  return {IdentityFrom(status), S_ISREG(status.st_mode) && status.st_nlink > 1};
}

}  // namespace corvane::platform
