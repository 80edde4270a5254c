// The account of the user the process runs as, from the password database.
#pragma once

#include <string>

namespace corvane::platform {

struct UserAccount {
  std::string login_name;   // empty when the database has no entry
  std::string home_folder;  // likewise
};

UserAccount CurrentUserAccount();

}  // namespace corvane::platform
