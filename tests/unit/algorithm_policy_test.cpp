// The algorithm policy's files: their lines and floors, what a bad line leaves in force, which
// files count, what a file that cannot be read does to the messages, and what `corvane store
// check` says of them.
#include <gtest/gtest.h>
#include <openssl/obj_mac.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "corvane.h"
#include "platform/posix/failure_detail.h"
#include "platform/posix/policy/algorithm_policy.h"
#include "support/export_call.h"
#include "support/signed_message_view.h"
#include "support/store_fixtures.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

using platform::AlgorithmPolicy;
using platform::EnvelopeCipher;
using platform::FlooredPolicy;
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
    FlooredPolicy before;
    const char* text;
    AlgorithmPolicy after;
    std::vector<std::string> problems;  // "LINE: words", in order
  } rows[] = {
      {"empty", {}, "", kDefaults, {}},
      {"every key, comments, blanks, spaces, CR LF", {},
       "# the machine's policy\n sign.digest = sha512 \n\nenvelope.cipher=aes256 # strong\r\n"
       "key.min_rsa_bits = 3072\nverify.accept_sha1 = no",
       {SignDigest::kSha512, EnvelopeCipher::kAes256, 3072, false}, {}},
      {"a later line wins", {}, "sign.digest = sha256\nsign.digest = sha384\n",
       {SignDigest::kSha384, EnvelopeCipher::kRc4, 0, true}, {}},
      {"bad values leave the stronger setting in force", {kStrong, kDefaults},
       "sign.digest = md5\nenvelope.cipher = des\nkey.min_rsa_bits = -1\n"
       "key.min_rsa_bits = 99999\nkey.min_rsa_bits = 12abc\nverify.accept_sha1 = maybe\n"
       "sign.digest = SHA256\n",
       kStrong,
       {"1: \"md5\" is no value of sign.digest", "2: \"des\" is no value of envelope.cipher",
        "3: \"-1\" is no value of key.min_rsa_bits", "4: \"99999\" is no value",
        "5: \"12abc\" is no value", "6: \"maybe\" is no value of verify.accept_sha1",
        "7: \"SHA256\" is no value of sign.digest"}},
      {"unknown keys and lines without =", {kStrong, kDefaults},
       "sign.algorithm = sha256\nsign.digest sha512\n= sha512\nfloorsign.digest = sha512\n", kStrong,
       {"1: unknown key \"sign.algorithm\"", "2: not a line \"key = value\"", "3: unknown key \"\"",
        "4: unknown key \"floorsign.digest\""}},
      {"floors raise what is in force and hold later lines up; stronger values stay", {},
       "floor sign.digest = sha256\nfloor\tverify.accept_sha1 = no\nfloor key.min_rsa_bits = 2048\n"
       "sign.digest = sha1\nverify.accept_sha1 = yes\nkey.min_rsa_bits = 4096\n"
       "envelope.cipher = aes256\nfloor envelope.cipher = aes128\n",
       {SignDigest::kSha256, EnvelopeCipher::kAes256, 4096, false},
       {"4: \"sha1\" is under the floor sha256 of sign.digest; sha256 applies",
        "5: \"yes\" is under the floor no of verify.accept_sha1; no applies"}},
      {"an earlier file's floors hold; a floor line never lowers one", {kStrong, kStrong},
       "floor sign.digest = sha1\nkey.min_rsa_bits = 1024\nsign.digest = sha512\n",
       {SignDigest::kSha512, EnvelopeCipher::kAes128, 2048, false},
       {"1: \"sha1\" is under the floor sha256", "2: \"1024\" is under the floor 2048"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FlooredPolicy policy = row.before;
    std::vector<platform::PolicyProblem> problems;
    platform::ApplyPolicyText(row.text, "policy.conf", policy, problems);
    EXPECT_EQ(Describe(policy.settings), Describe(row.after));
    ASSERT_EQ(problems.size(), row.problems.size());
    for (size_t index = 0; index < problems.size(); ++index) {
      const std::string seen = problems[index].file + ":" + std::to_string(problems[index].line) +
                               ": " + problems[index].problem;
      EXPECT_EQ(seen.rfind("policy.conf:" + row.problems[index], 0), 0u) << seen;
    }
  }
}

// Which files are in force, and what real signing, verification and enveloping do under them: a
// file that is there but cannot be read whole, or a named one that is missing, fails each call
// with the file and the reason rather than going back to the defaults; a system floor holds
// whatever the user's file says. `store check` names each problem and fails (raised settings and
// small RSA keys are only warned of). Each row first signs with no policy at all, so that a kept
// reading from before the row's files is there to be wrongly reused, and verifies that SHA-1
// message under the row's files.
TEST(AlgorithmPolicy, FilesInForceFailClosedAndFloorsHold) {
  enum class Odd { kNone, kOversize, kFifo, kFolder, kDevice, kNowhere, kUnreadable };
  const struct {
    const char* name;
    const char* system_file;  // CORVANE_SYSTEM_POLICY's file; null: unset; "": names a missing file
    const char* user_file;    // null: none
    Odd odd;                  // what stands at the user's file instead (its text, padded, for kOversize)
    const char* named_file;   // CORVANE_POLICY's file; null: unset; "": names a missing file
    int digest;               // of the signature made; 0: every call fails closed
    int32_t verify_code;      // of verifying the SHA-1 message
    const char* check_line;   // what store check prints of the policy; "": nothing
    int check_status;
  } rows[] = {
      {"no files", nullptr, nullptr, Odd::kNone, nullptr, NID_sha1, 0, "", 0},
      {"the user's file", nullptr, "sign.digest = sha384\nverify.accept_sha1 = no\n", Odd::kNone,
       nullptr, NID_sha384, -10021, "", 0},
      {"the named file instead of the user's", nullptr, "sign.digest = sha384\n", Odd::kNone,
       "sign.digest = sha512\n", NID_sha512, 0, "", 0},
      {"a bad line of the user's file", nullptr, "sign.digest = sha384\nsign.digest = sha3\n",
       Odd::kNone, nullptr, NID_sha384, 0, "policy.conf:2: \"sha3\" is no value of sign.digest", 1},
      {"over 64 KiB", nullptr, "sign.digest = sha256\nverify.accept_sha1 = no\n", Odd::kOversize,
       nullptr, 0, -10021, "policy.conf: cannot be read (larger than 65536 bytes)", 1},
      {"a FIFO", nullptr, nullptr, Odd::kFifo, nullptr, 0, -10021,
       "policy.conf: cannot be read (not a regular file)", 1},
      {"a folder", nullptr, nullptr, Odd::kFolder, nullptr, 0, -10021,
       "policy.conf: cannot be read (not a regular file)", 1},
      {"a link to /dev/zero", nullptr, nullptr, Odd::kDevice, nullptr, 0, -10021,
       "policy.conf: cannot be read (not a regular file)", 1},
      {"a link that leads nowhere", nullptr, nullptr, Odd::kNowhere, nullptr, 0, -10021,
       "policy.conf: cannot be read (No such file or directory)", 1},
      {"unreadable (mode 000)", nullptr, "sign.digest = sha256\n", Odd::kUnreadable, nullptr, 0,
       -10021, "policy.conf: cannot be read (Permission denied)", 1},
      {"a named file that is missing", nullptr, "sign.digest = sha384\n", Odd::kNone, "", 0, -10021,
       "named.conf: cannot be read (No such file or directory)", 1},
      {"a named system file that is missing", "", nullptr, Odd::kNone, nullptr, 0, -10021,
       "system.conf: cannot be read (No such file or directory)", 1},
      {"a system floor the user's file tries to lower",
       "floor sign.digest = sha256\nfloor verify.accept_sha1 = no\n",
       "sign.digest = sha1\nverify.accept_sha1 = yes\n", Odd::kNone, nullptr, NID_sha256, -10021,
       "policy.conf:1: \"sha1\" is under the floor sha256 of sign.digest; sha256 applies (warning)", 0},
      {"a user's file stronger than the system floor", "floor sign.digest = sha256\n",
       "sign.digest = sha512\n", Odd::kNone, nullptr, NID_sha512, 0, "", 0},
  };
  const testing::FixedIssuerPki pki = testing::MakeFixedIssuerPki();
  // An export's result, and the failure detail it left.
  const auto run = [](const std::function<int32_t(char*, int32_t*)>& call) {
    platform::TakeFailureDetail();
    const testing::ExportResult result = testing::CallExport(call);
    return std::pair(result, platform::TakeFailureDetail());
  };
  const auto sign = [](char* out, int32_t* length) {
    return generateSingleSignedMsgBySN("data", 4, 0, testing::kFixedIssuerSignerSerial, 4, out, length);
  };
  const auto envelop = [](char* out, int32_t* length) {
    return composeSingleEnvelopedMsgBySN("data", 4, testing::kFixedIssuerSignerSerial, 4, out, length);
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.odd == Odd::kUnreadable && geteuid() == 0) {
      std::cout << "skipped \"" << row.name << "\": root reads a file of mode 000\n";
      continue;
    }
    testing::TestHome home;
    testing::InstallCertificate(home.root(), "ROOT", pki.ca.get());
    testing::InstallCertificate(home.root(), "MY", pki.signer.get(), pki.signer_key.get());
    testing::InstallCertificate(home.root(), "CA", pki.signer.get());
    auto small_key = testing::TestRsaKey(1, 1024);
    auto small = testing::MakeCertificate({.subject = {{"CN", "Small"}}}, small_key.get(), nullptr,
                                          small_key.get());
    testing::InstallCertificate(home.root(), "CA", small.get());
    const testing::ExportResult sha1_signed = run(sign).first;
    ASSERT_EQ(sha1_signed.code, 0);

    const std::filesystem::path user = home.root() / "policy.conf";
    if (row.user_file != nullptr) {
      testing::WriteFile(user, row.user_file + (row.odd == Odd::kOversize ? std::string(70000, '#') : ""));
    }
    if (row.odd == Odd::kFifo) {
      ASSERT_EQ(mkfifo(user.c_str(), 0600), 0);
    }
    if (row.odd == Odd::kFolder) std::filesystem::create_directory(user);
    if (row.odd == Odd::kDevice) std::filesystem::create_symlink("/dev/zero", user);
    if (row.odd == Odd::kNowhere) std::filesystem::create_symlink(home.root() / "gone.conf", user);
    if (row.odd == Odd::kUnreadable) std::filesystem::permissions(user, std::filesystem::perms::none);
    for (const auto& [variable, file, text] :
         {std::tuple{"CORVANE_SYSTEM_POLICY", home.root() / "system.conf", row.system_file},
          std::tuple{"CORVANE_POLICY", home.root() / "named.conf", row.named_file}}) {
      if (text != nullptr && *text != '\0') testing::WriteFile(file, text);
      home.SetEnv(variable, text != nullptr ? std::optional(file.string()) : std::nullopt);
    }

    const auto [signed_now, sign_detail] = run(sign);
    const auto [verified, verify_detail] = run([&sha1_signed](char* out, int32_t* length) {
      return verifySingleSignedMsg(sha1_signed.output.data(),
                                   static_cast<int32_t>(sha1_signed.output.size()), out, length);
    });
    const auto [enveloped, envelope_detail] = run(envelop);
    if (row.digest != 0) {
      ASSERT_EQ(signed_now.code, 0) << sign_detail;
      EXPECT_EQ(testing::ViewSignedMessage(testing::DecodedText(signed_now.output)).digest_nid, row.digest);
      EXPECT_EQ(enveloped.code, 0) << envelope_detail;
    } else {
      // Each call fails with its own code, naming the file and the reason as store check does.
      const std::string reason = row.check_line;
      EXPECT_EQ(signed_now.code, -10020);
      EXPECT_EQ(enveloped.code, -10022);
      EXPECT_NE(sign_detail.find(reason.substr(0, reason.find(':'))), std::string::npos) << sign_detail;
      EXPECT_NE(sign_detail.find(reason.substr(reason.find(':'))), std::string::npos) << sign_detail;
      EXPECT_EQ(verify_detail, sign_detail);
      EXPECT_EQ(envelope_detail, sign_detail);
    }
    EXPECT_EQ(verified.code, row.verify_code) << verify_detail;

    const testing::ToolRun check = testing::RunStoreTool("check CA");
    EXPECT_EQ(check.status, row.check_status) << check.out;
    EXPECT_NE(check.out.find(row.check_line), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("1024-bit RSA key; 2048 bits or more are recommended (warning)"),
              std::string::npos)
        << check.out;
  }
}

}  // namespace
}  // namespace corvane
