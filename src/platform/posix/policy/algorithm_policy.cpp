#include "platform/posix/policy/algorithm_policy.h"

#include <cerrno>
#include <filesystem>

#include "platform/posix/environment.h"
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

}  // namespace

AlgorithmPolicy ReadPolicy(std::vector<PolicyProblem>& problems) {
  AlgorithmPolicy policy;
  ApplyPolicyFile(kSystemPolicyFile, false, policy, problems);
  const std::string named = EnvironmentValue("CORVANE_POLICY");
  if (named.empty()) {
    ApplyPolicyFile(StoreRoot() / "policy.conf", false, policy, problems);
  } else {
    ApplyPolicyFile(named, true, policy, problems);
  }
  return policy;
}

AlgorithmPolicy CurrentPolicy() {
  std::vector<PolicyProblem> ignored;
  return ReadPolicy(ignored);
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
