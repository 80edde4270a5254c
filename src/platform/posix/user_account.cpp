#include "platform/posix/user_account.h"

#include <pwd.h>
#include <unistd.h>

#include <mutex>
#include <optional>
#include <vector>

namespace corvane::platform {
namespace {

// Nothing when the database cannot be read; an empty account when it has no entry.
std::optional<UserAccount> ReadAccount(uid_t user) {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  UserAccount account;
  if (getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) != 0) return std::nullopt;
  if (found == nullptr) return account;
  if (found->pw_name != nullptr) account.login_name = found->pw_name;
  if (found->pw_dir != nullptr) account.home_folder = found->pw_dir;
  return account;
}

struct KnownAccount {
  std::mutex lock;
  std::optional<uid_t> user;
  UserAccount account;
};

}  // namespace

UserAccount CurrentUserAccount() {
  static KnownAccount known;
  const uid_t user = getuid();
  std::lock_guard<std::mutex> guard(known.lock);
  if (known.user == user) return known.account;
  const std::optional<UserAccount> read = ReadAccount(user);
  if (!read) return UserAccount{};  // asked again next time
  known.account = *read;
  known.user = user;
  return known.account;
}

}  // namespace corvane::platform
