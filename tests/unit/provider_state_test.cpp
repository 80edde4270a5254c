// The persistent provider state: default providers, key containers and provider handles.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/files/atomic_file.h"
#include "support/test_home.h"

namespace {

namespace fs = std::filesystem;
constexpr const char* kStrong = "Microsoft Strong Cryptographic Provider";

class ProviderStateTest : public ::testing::Test {
 protected:
  corvane::testing::TestHome home_;
};

TEST_F(ProviderStateTest, DefaultProviderIsRecordedAtomically) {
  ASSERT_TRUE(CryptSetProviderExA(MS_ENHANCED_PROV_A, PROV_RSA_FULL, nullptr, CRYPT_MACHINE_DEFAULT));
  const fs::path defaults = home_.root() / "providers" / "defaults";
  EXPECT_EQ(corvane::testing::ReadFile(defaults / "machine-type-001"), std::string(MS_ENHANCED_PROV_A) + "\n");
  // Case does not matter; the canonical name is written. Setting it again replaces it.
  ASSERT_TRUE(CryptSetProviderExA("microsoft base cryptographic provider v1.0", PROV_RSA_FULL, nullptr,
                                  CRYPT_MACHINE_DEFAULT));
  EXPECT_EQ(corvane::testing::ReadFile(defaults / "machine-type-001"), std::string(MS_DEF_PROV_A) + "\n");
  // Setting the same default again (as every operation does) leaves the record as it is.
  struct stat before {}, after {};
  ASSERT_EQ(stat((defaults / "machine-type-001").c_str(), &before), 0);
  ASSERT_TRUE(CryptSetProviderExA(MS_DEF_PROV_A, PROV_RSA_FULL, nullptr, CRYPT_MACHINE_DEFAULT));
  ASSERT_EQ(stat((defaults / "machine-type-001").c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  // No temporary file is left behind, and the root is private.
  EXPECT_EQ(std::distance(fs::directory_iterator(defaults), fs::directory_iterator()), 1);
  EXPECT_EQ(fs::status(home_.root() / "providers").permissions() & fs::perms::all, fs::perms::owner_all);
}

// A program started by another thread of the host while a file is being written does not
// inherit the temporary file (it would hold it open for as long as it runs).
TEST_F(ProviderStateTest, TemporaryFilesAreNotInheritedByChildProcesses) {
  const fs::path target = home_.root() / "large-record";
  const std::string bytes(8 << 20, 'x');  // long enough that the temporary file is mostly open
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    while (!stop) ASSERT_TRUE(corvane::platform::WriteFileAtomically(target, bytes, 0600).ok());
  });
  std::string inherited;
  for (int i = 0; i < 20 && inherited.empty(); ++i) {
    FILE* child = popen("PATH=/usr/bin:/bin readlink /proc/$$/fd/*", "r");
    ASSERT_NE(child, nullptr);
    char line[4096];
    while (fgets(line, sizeof line, child) != nullptr) {
      if (std::string(line).find(".large-record.") != std::string::npos) inherited = line;
    }
    pclose(child);
  }
  stop = true;
  writer.join();
  EXPECT_EQ(inherited, "");
}

TEST_F(ProviderStateTest, SetProviderRejectsWhatThePlatformRejects) {
  struct Case {
    const char* name;
    DWORD type;
    DWORD flags;
    DWORD error;
  };
  DWORD reserved = 0;
  const std::vector<Case> cases = {
      {"No Such Provider", PROV_RSA_FULL, CRYPT_MACHINE_DEFAULT, NTE_BAD_PROVIDER},
      {MS_ENHANCED_PROV_A, 0, CRYPT_MACHINE_DEFAULT, NTE_BAD_PROV_TYPE},
      {MS_ENHANCED_PROV_A, 1000, CRYPT_MACHINE_DEFAULT, NTE_BAD_PROV_TYPE},
      {MS_ENHANCED_PROV_A, 24, CRYPT_MACHINE_DEFAULT, NTE_PROV_TYPE_NOT_DEF},
      {MS_ENHANCED_PROV_A, PROV_RSA_FULL, 0, NTE_BAD_FLAGS},
      {MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_MACHINE_DEFAULT | CRYPT_USER_DEFAULT, NTE_BAD_FLAGS},
      {MS_ENHANCED_PROV_A, PROV_RSA_FULL, 0x100, NTE_BAD_FLAGS},
      {nullptr, PROV_RSA_FULL, CRYPT_MACHINE_DEFAULT, ERROR_INVALID_PARAMETER},
  };
  for (const Case& test : cases) {
    SetLastError(0);
    EXPECT_FALSE(CryptSetProviderExA(test.name, test.type, nullptr, test.flags)) << (test.name ? test.name : "null");
    EXPECT_EQ(GetLastError(), test.error) << (test.name ? test.name : "null") << " " << test.type;
  }
  EXPECT_FALSE(CryptSetProviderExA(MS_ENHANCED_PROV_A, PROV_RSA_FULL, &reserved, CRYPT_MACHINE_DEFAULT));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(fs::exists(home_.root() / "providers"));
}

TEST_F(ProviderStateTest, DefaultContainerIsCreatedOnceThenOpened) {
  // The first call of an operation creates the user's default container; the next one meets
  // NTE_EXISTS and then opens the existing container.
  HCRYPTPROV first = 0;
  ASSERT_TRUE(CryptAcquireContextA(&first, nullptr, MS_DEF_PROV_A, PROV_RSA_FULL, CRYPT_NEWKEYSET));
  EXPECT_NE(first, 0u);
  HCRYPTPROV second = 0;
  SetLastError(0);
  EXPECT_FALSE(CryptAcquireContextA(&second, nullptr, MS_DEF_PROV_A, PROV_RSA_FULL, CRYPT_NEWKEYSET));
  EXPECT_EQ(GetLastError(), NTE_EXISTS);
  ASSERT_TRUE(CryptAcquireContextA(&second, nullptr, MS_DEF_PROV_A, PROV_RSA_FULL, 0));
  EXPECT_NE(second, first);
  // The container is shared by the providers of the type, and is persistent.
  HCRYPTPROV third = 0;
  ASSERT_TRUE(CryptAcquireContextA(&third, "", MS_ENHANCED_PROV_A, PROV_RSA_FULL, 0));
  EXPECT_EQ(std::distance(fs::directory_iterator(home_.root() / "providers" / "containers" / "user"),
                          fs::directory_iterator()),
            1);
  for (HCRYPTPROV handle : {first, second, third}) EXPECT_TRUE(CryptReleaseContext(handle, 0));
}

// Every operation sets the same default and asks for the same container; what the provider
// state remembers of them between calls never hides a change made on disk in between.
TEST_F(ProviderStateTest, ChangesOnDiskAreSeenByTheNextCall) {
  const fs::path container = home_.root() / "providers" / "containers" / "user" / "memo";
  const fs::path user_default = home_.root() / "providers" / "defaults" / "user-type-001";
  const auto acquire = [](DWORD flags) -> DWORD {
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextA(&handle, "Memo", nullptr, PROV_RSA_FULL, flags)) return GetLastError();
    CryptReleaseContext(handle, 0);
    return 0;
  };
  const auto set_default = [] {
    return CryptSetProviderExA(MS_ENHANCED_PROV_A, PROV_RSA_FULL, nullptr, CRYPT_USER_DEFAULT);
  };
  ASSERT_EQ(acquire(CRYPT_NEWKEYSET), 0u);
  for (int call = 0; call < 2; ++call) {
    EXPECT_EQ(acquire(CRYPT_NEWKEYSET), static_cast<DWORD>(NTE_EXISTS));
    EXPECT_EQ(acquire(0), 0u);
    ASSERT_TRUE(set_default());
  }

  fs::remove(container);
  EXPECT_EQ(acquire(0), static_cast<DWORD>(NTE_BAD_KEYSET));
  EXPECT_EQ(acquire(CRYPT_NEWKEYSET), 0u);
  EXPECT_EQ(acquire(0), 0u);
  fs::remove(container);
  fs::create_directory(container);
  EXPECT_EQ(acquire(0), static_cast<DWORD>(NTE_BAD_KEYSET));

  // Written over in place by another program: the next call writes its record again.
  corvane::testing::WriteFile(user_default, std::string(MS_DEF_PROV_A) + "\n");
  ASSERT_TRUE(set_default());
  EXPECT_EQ(corvane::testing::ReadFile(user_default), std::string(MS_ENHANCED_PROV_A) + "\n");
}

TEST_F(ProviderStateTest, NamedContainersAndTheirFailures) {
  HCRYPTPROV handle = 0;
  SetLastError(0);
  EXPECT_FALSE(CryptAcquireContextA(&handle, "Keys/One", nullptr, PROV_RSA_FULL, 0));
  EXPECT_EQ(GetLastError(), NTE_BAD_KEYSET);
  ASSERT_TRUE(CryptAcquireContextA(&handle, "Keys/One", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
  EXPECT_TRUE(CryptReleaseContext(handle, 0));
  // Container names are case-insensitive; machine containers are separate.
  ASSERT_TRUE(CryptAcquireContextA(&handle, "keys/one", nullptr, PROV_RSA_FULL, 0));
  EXPECT_TRUE(CryptReleaseContext(handle, 0));
  EXPECT_FALSE(CryptAcquireContextA(&handle, "Keys/One", nullptr, PROV_RSA_FULL, CRYPT_MACHINE_KEYSET));
  EXPECT_EQ(GetLastError(), NTE_BAD_KEYSET);
  // Deleting hands out no context; afterwards the container is gone.
  handle = 1;
  ASSERT_TRUE(CryptAcquireContextA(&handle, "Keys/One", nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET));
  EXPECT_EQ(handle, 0u);
  EXPECT_FALSE(CryptAcquireContextA(&handle, "Keys/One", nullptr, PROV_RSA_FULL, 0));
  EXPECT_EQ(GetLastError(), NTE_BAD_KEYSET);

  struct Case {
    const char* container;
    const char* provider;
    DWORD type;
    DWORD flags;
    DWORD error;
  };
  const std::vector<Case> cases = {
      {nullptr, "No Such Provider", PROV_RSA_FULL, CRYPT_VERIFYCONTEXT, NTE_KEYSET_NOT_DEF},
      {nullptr, MS_DEF_PROV_A, 24, CRYPT_VERIFYCONTEXT, NTE_PROV_TYPE_NO_MATCH},
      {nullptr, nullptr, 24, CRYPT_VERIFYCONTEXT, NTE_PROV_TYPE_NOT_DEF},
      {nullptr, MS_DEF_PROV_A, 0, CRYPT_VERIFYCONTEXT, NTE_BAD_PROV_TYPE},
      {"named", MS_DEF_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT, NTE_BAD_FLAGS},
      {nullptr, MS_DEF_PROV_A, PROV_RSA_FULL, CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET, NTE_BAD_FLAGS},
      {nullptr, MS_DEF_PROV_A, PROV_RSA_FULL, 0x4000, NTE_BAD_FLAGS},
  };
  for (const Case& test : cases) {
    SetLastError(0);
    EXPECT_FALSE(CryptAcquireContextA(&handle, test.container, test.provider, test.type, test.flags));
    EXPECT_EQ(GetLastError(), test.error) << (test.provider ? test.provider : "default") << " " << test.flags;
  }
}

TEST_F(ProviderStateTest, VerifyContextNeedsNoContainer) {
  HCRYPTPROV handle = 0;
  ASSERT_TRUE(CryptAcquireContextA(&handle, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  EXPECT_TRUE(CryptReleaseContext(handle, 0));
  EXPECT_FALSE(fs::exists(home_.root() / "providers" / "containers"));
}

TEST_F(ProviderStateTest, ReleaseEndsAContextExactlyOnce) {
  HCRYPTPROV handle = 0;
  ASSERT_TRUE(CryptAcquireContextA(&handle, nullptr, kStrong, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  EXPECT_TRUE(CryptReleaseContext(handle, 0));
  SetLastError(0);
  EXPECT_FALSE(CryptReleaseContext(handle, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(CryptReleaseContext(0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(CryptReleaseContext(0xDEADBEEF, 0));
  // Non-zero flags: released all the same, but reported.
  ASSERT_TRUE(CryptAcquireContextA(&handle, nullptr, kStrong, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  EXPECT_FALSE(CryptReleaseContext(handle, 1));
  EXPECT_EQ(GetLastError(), NTE_BAD_FLAGS);
  EXPECT_FALSE(CryptReleaseContext(handle, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(ProviderStateTest, UnwritableStateFailsTheCall) {
  // A file where the providers folder should be: the state cannot be written.
  corvane::testing::WriteFile(home_.root() / "providers", "in the way");
  EXPECT_FALSE(CryptSetProviderExA(MS_ENHANCED_PROV_A, PROV_RSA_FULL, nullptr, CRYPT_MACHINE_DEFAULT));
  EXPECT_NE(GetLastError(), ERROR_SUCCESS);
  HCRYPTPROV handle = 0;
  EXPECT_FALSE(CryptAcquireContextA(&handle, nullptr, MS_DEF_PROV_A, PROV_RSA_FULL, CRYPT_NEWKEYSET));
  EXPECT_NE(GetLastError(), NTE_EXISTS);
}

}  // namespace
