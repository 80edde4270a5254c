#include "platform/posix/policy/algorithm_policy.h"

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <optional>

#include "platform/posix/environment.h"
#include "platform/posix/files/cache_setting.h"
#include "platform/posix/files/file_identity.h"
#include "platform/posix/files/whole_file.h"
#include "platform/posix/files/store_layout.h"

namespace corvane::platform {
namespace {

// Far more than any policy needs.
constexpr size_t kPolicyFileLimit = 64 * 1024;

void ApplyPolicyFile(const std::filesystem::path& file, bool must_exist, AlgorithmPolicy& policy,
                     std::vector<PolicyProblem>& problems) {
  std::string text;
  const Status read = ReadWholeFile(file, text, kPolicyFileLimit);
  if (read.ok()) {
    ApplyPolicyText(text, file.string(), policy, problems);
  } else if (must_exist || !read.IsSystemError(ENOENT)) {
    problems.push_back({file.string(), 0, "cannot be read (" + read.Text() + "); not applied"});
  }
}

// Which policy files a reading came from, and the identity each showed (none when there was no
// regular file).
struct PolicyFiles {
  std::string user_file;
  std::optional<FileIdentity> system;
  std::optional<FileIdentity> user;
};

// The policy last read, while its files show the same identities: the store caches' rule
// (store_cache.h), so a file changed in place, replaced, or changed through a link is read again
// at the next call.
struct PolicyMemo {
  std::mutex lock;
  PolicyFiles files;
  std::optional<AlgorithmPolicy> policy;
};

// Never destroyed: calls may still come while the process exits.
PolicyMemo& Memo() {
  static auto* memo = new PolicyMemo;
  return *memo;
}

}  // namespace

AlgorithmPolicy ReadPolicy(std::vector<PolicyProblem>& problems) {
  AlgorithmPolicy policy;
  ApplyPolicyFile(kSystemPolicyFile, false, policy, problems);
  const std::string named(EnvironmentValue("CORVANE_POLICY"));
  if (named.empty()) {
    ApplyPolicyFile(UnderStoreRoot("policy.conf"), false, policy, problems);
  } else {
    ApplyPolicyFile(named, true, policy, problems);
  }
  return policy;
}

AlgorithmPolicy CurrentPolicy() {
  // The files as they stand now: the system's, then the user's or the one named.
  static const std::filesystem::path system_file(kSystemPolicyFile);
  const std::string named(EnvironmentValue("CORVANE_POLICY"));
  const auto kept_user_file = named.empty() ? KeptFileUnderStoreRoot("policy.conf") : nullptr;
  const std::filesystem::path named_file = named.empty() ? std::filesystem::path() : std::filesystem::path(named);
  const std::filesystem::path& user_file = kept_user_file ? kept_user_file->file : named_file;
  const std::optional<FileIdentity> system = IdentityOf(system_file);
  const std::optional<FileIdentity> user = IdentityOf(user_file);
  const bool keep = StoreCachingEnabled();
  if (keep) {
    const std::lock_guard guard(Memo().lock);
    const PolicyFiles& kept = Memo().files;
    if (Memo().policy && kept.user_file == user_file.native() && kept.system == system && kept.user == user) {
      return *Memo().policy;
    }
  }
  std::vector<PolicyProblem> ignored;
  const AlgorithmPolicy policy = ReadPolicy(ignored);
  if (keep) {
    // Kept under the identities seen before reading: a file changed while it was read shows
    // another identity at the next call, which then reads again.
    const std::lock_guard guard(Memo().lock);
    Memo().files = PolicyFiles{user_file.native(), system, user};
    Memo().policy = policy;
  }
  return policy;
}

const char* DigestName(SignDigest digest) {
  switch (digest) {
    case SignDigest::kSha1: return "SHA1";
    case SignDigest::kSha256: return "SHA256";
    case SignDigest::kSha384: return "SHA384";
    case SignDigest::kSha512: return "SHA512";
  }
  return "SHA1";
}

const char* CipherName(EnvelopeCipher cipher) {
  switch (cipher) {
    case EnvelopeCipher::kRc4: return "RC4";
    case EnvelopeCipher::kAes128: return "AES-128-CBC";
    case EnvelopeCipher::kAes256: return "AES-256-CBC";
  }
  return "RC4";
}

}  // namespace corvane::platform
