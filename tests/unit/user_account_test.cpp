// The account is kept per user id: a process that changes its user id is another user at once.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/user_account.h"

namespace corvane {
namespace {

TEST(UserAccount, FollowsTheProcessUserId) {
  if (geteuid() != 0) GTEST_SKIP() << "changing the user id needs root";
  const passwd* nobody = getpwnam("nobody");
  if (nobody == nullptr) GTEST_SKIP() << "no account named nobody";
  const uid_t nobody_id = nobody->pw_uid;
  EXPECT_EQ(platform::CurrentUserAccount().login_name, "root");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Read once as root in this process, then again after becoming nobody.
    const bool root_first = platform::CurrentUserAccount().login_name == "root";
    const bool switched = setuid(nobody_id) == 0;
    _exit(root_first && switched && platform::CurrentUserAccount().login_name == "nobody" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace corvane
