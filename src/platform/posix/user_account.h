// The account of the user the process runs as, from the password database.
//
// The database is read once per user id in a process (a call that changes the process's user id
// reads it again); an account renamed or moved while a process runs is seen by the processes
// started after the change, as a Windows session keeps the user name it started with.
#pragma once

#include <string>

namespace corvane::platform {

struct UserAccount {
  std::string login_name;   // empty when the database has no entry
  std::string home_folder;  // likewise
};

UserAccount CurrentUserAccount();

}  // namespace corvane::platform
