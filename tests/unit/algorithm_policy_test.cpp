// The algorithm policy's files: their lines, what a bad line leaves in force, which files count,
// and what `corvane store check` says of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/policy/algorithm_policy.h"
#include "support/store_fixtures.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

using platform::AlgorithmPolicy;
using platform::EnvelopeCipher;
using platform::SignDigest;

std::string Describe(const AlgorithmPolicy& policy) {
  return std::string(platform::DigestName(policy.sign_digest)) + " " +
         platform::CipherName(policy.envelope_cipher) + " " +
         std::to_string(policy.min_rsa_bits) + (policy.accept_sha1 ? " sha1 accepted" : " sha1 refused");
}

constexpr AlgorithmPolicy kDefaults{};
constexpr AlgorithmPolicy kStrong{SignDigest::kSha256, EnvelopeCipher::kAes128, 2048, false};

TEST(AlgorithmPolicy, LinesApplyOverWhatWasInForce) {
  const struct {
    const char* name;
    AlgorithmPolicy before;
    const char* text;
    AlgorithmPolicy after;
    std::vector<std::string> problems;  // "LINE: words", in order
  } rows[] = {
      {"empty", kDefaults, "", kDefaults, {}},
      {"every key, comments, blanks, spaces, CR LF", kDefaults,
       "# the machine's policy\n sign.digest = sha512 \n\nenvelope.cipher=aes256 # strong\r\n"
       "key.min_rsa_bits = 3072\nverify.accept_sha1 = no",
       {SignDigest::kSha512, EnvelopeCipher::kAes256, 3072, false}, {}},
      {"a later line wins", kDefaults, "sign.digest = sha256\nsign.digest = sha384\n",
       {SignDigest::kSha384, EnvelopeCipher::kRc4, 0, true}, {}},
      {"bad values leave the stronger setting in force", kStrong,
       "sign.digest = md5\nenvelope.cipher = des\nkey.min_rsa_bits = -1\n"
       "key.min_rsa_bits = 99999\nkey.min_rsa_bits = 12abc\nverify.accept_sha1 = maybe\n"
       "sign.digest = SHA256\n",
       kStrong,
       {"1: \"md5\" is no value of sign.digest", "2: \"des\" is no value of envelope.cipher",
        "3: \"-1\" is no value of key.min_rsa_bits", "4: \"99999\" is no value",
        "5: \"12abc\" is no value", "6: \"maybe\" is no value of verify.accept_sha1",
        "7: \"SHA256\" is no value of sign.digest"}},
      {"unknown keys and lines without =", kStrong,
       "sign.algorithm = sha256\nsign.digest sha512\n= sha512\n", kStrong,
       {"1: unknown key \"sign.algorithm\"", "2: not a line \"key = value\"", "3: unknown key \"\""}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    AlgorithmPolicy policy = row.before;
    std::vector<platform::PolicyProblem> problems;
    platform::ApplyPolicyText(row.text, "policy.conf", policy, problems);
    EXPECT_EQ(Describe(policy), Describe(row.after));
    ASSERT_EQ(problems.size(), row.problems.size());
    for (size_t index = 0; index < problems.size(); ++index) {
      const std::string seen = problems[index].file + ":" + std::to_string(problems[index].line) +
                               ": " + problems[index].problem;
      EXPECT_EQ(seen.rfind("policy.conf:" + row.problems[index], 0), 0u) << seen;
    }
  }
}

// The user's policy.conf beside stores/, or instead of it the file CORVANE_POLICY names; `store
// check` names each problem and fails, while small RSA keys are only warned of.
TEST(AlgorithmPolicy, FilesInForceAndWhatStoreCheckSaysOfThem) {
  const struct {
    const char* name;
    const char* user_file;   // null: none
    const char* named_file;  // CORVANE_POLICY's file; null: unset; "": names a missing file
    SignDigest digest;
    const char* check_line;  // what store check prints of the policy; "": nothing
  } rows[] = {
      {"no files", nullptr, nullptr, SignDigest::kSha1, ""},
      {"the user's file", "sign.digest = sha384\n", nullptr, SignDigest::kSha384, ""},
      {"the named file instead of the user's", "sign.digest = sha384\n", "sign.digest = sha512\n",
       SignDigest::kSha512, ""},
      {"a named file that is missing", "sign.digest = sha384\n", "", SignDigest::kSha1,
       "named.conf: cannot be read"},
      {"a bad line of the user's file", "sign.digest = sha384\nsign.digest = sha3\n", nullptr,
       SignDigest::kSha384, "policy.conf:2: \"sha3\" is no value of sign.digest"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestHome home;
    auto small_key = testing::TestRsaKey(1, 1024);
    auto small = testing::MakeCertificate({.subject = {{"CN", "Small"}}}, small_key.get(), nullptr,
                                          small_key.get());
    testing::InstallCertificate(home.root(), "CA", small.get());
    if (row.user_file != nullptr) testing::WriteFile(home.root() / "policy.conf", row.user_file);
    const std::filesystem::path named = home.root() / "named.conf";
    if (row.named_file != nullptr && *row.named_file != '\0') testing::WriteFile(named, row.named_file);
    home.SetEnv("CORVANE_POLICY", row.named_file != nullptr ? std::optional(named.string()) : std::nullopt);

    EXPECT_EQ(platform::CurrentPolicy().sign_digest, row.digest);
    const testing::ToolRun check = testing::RunStoreTool("check CA");
    EXPECT_EQ(check.status, *row.check_line != '\0' ? 1 : 0) << check.out;
    EXPECT_NE(check.out.find(row.check_line), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("1024-bit RSA key; 2048 bits or more are recommended (warning)"),
              std::string::npos)
        << check.out;
  }
}

}  // namespace
}  // namespace corvane
