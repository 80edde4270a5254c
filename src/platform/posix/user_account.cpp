#include "platform/posix/user_account.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace corvane::platform {

UserAccount CurrentUserAccount() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  UserAccount account;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
    return account;
  }
  if (found->pw_name != nullptr) account.login_name = found->pw_name;
  if (found->pw_dir != nullptr) account.home_folder = found->pw_dir;
  return account;
}

}  // namespace corvane::platform
