#include "platform/posix/policy/algorithm_policy.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/posix/environment.h"
#include "platform/posix/failure_detail.h"
#include "platform/posix/files/cache_setting.h"
#include "platform/posix/files/file_identity.h"
#include "platform/posix/files/store_layout.h"
#include "platform/posix/files/whole_file.h"

namespace corvane::platform {
namespace {

// Which files make the policy, as the environment names them now.
struct PolicySources {
  std::string named_system = std::string(EnvironmentValue("CORVANE_SYSTEM_POLICY"));
  std::string named_user = std::string(EnvironmentValue("CORVANE_POLICY"));
  // The user's own file, when CORVANE_POLICY is unset.
  std::shared_ptr<const FileUnderRoot> kept_user =
      named_user.empty() ? KeptFileUnderStoreRoot("policy.conf") : nullptr;

  const std::string& UserFileText() const { return kept_user ? kept_user->file.native() : named_user; }
};

constexpr size_t kMostPolicyFiles = 3;

// Calls visit(file, named) for each file in the order they apply; `named` for a file a variable
// names, which must be there.
template <typename Visit>
void ForEachPolicyFile(const PolicySources& sources, Visit&& visit) {
  static const std::filesystem::path system_file(kSystemPolicyFile);
  visit(system_file, false);
  if (!sources.named_system.empty()) visit(std::filesystem::path(sources.named_system), true);
  if (sources.kept_user) {
    visit(sources.kept_user->file, false);
  } else {
    visit(std::filesystem::path(sources.named_user), true);
  }
}

// Nothing at all under the name: not even a link that leads nowhere.
bool NothingAt(const std::filesystem::path& file) {
  struct stat entry {};
  return lstat(file.c_str(), &entry) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

struct PolicyReading {
  FlooredPolicy policy;
  std::vector<PolicyProblem> problems;
  Status unreadable;  // the first file that cannot be read: then the policy is unknown
};

PolicyReading ReadPolicyFiles(const PolicySources& sources) {
  PolicyReading reading;
  ForEachPolicyFile(sources, [&](const std::filesystem::path& file, bool named) {
    std::string text;
    const Status read = ReadWholeFile(file, text, kPolicyFileLimit);
    if (read.ok()) {
      ApplyPolicyText(text, file.string(), reading.policy, reading.problems);
      return;
    }
    if (!named && NothingAt(file)) return;
    const std::string problem =
        "cannot be read (" + read.Text() + "); signing, verifying and enveloping fail until it can";
    reading.problems.push_back({file.string(), 0, problem});
    if (reading.unreadable.ok()) {
      reading.unreadable = Status(read.error()).Because("policy file " + file.string() + ": " + problem);
    }
  });
  return reading;
}

// The identities of the policy files (none where there is no regular file), and whether each
// file without one has nothing under its name: only then may a kept reading stand for the files.
struct SeenFiles {
  std::array<std::optional<FileIdentity>, kMostPolicyFiles> identities;
  bool settled = true;
};

SeenFiles LookAtPolicyFiles(const PolicySources& sources) {
  SeenFiles seen;
  size_t slot = 0;
  ForEachPolicyFile(sources, [&](const std::filesystem::path& file, bool) {
    seen.identities[slot] = IdentityOf(file);
    if (!seen.identities[slot]) seen.settled = seen.settled && NothingAt(file);
    ++slot;
  });
  return seen;
}

// The policy last read, while its files show the same identities: the store caches' rule
// (store_cache.h), so a file changed in place, replaced, or changed through a link is read again
// at the next call. Only a reading that succeeded is kept.
struct PolicyMemo {
  std::mutex lock;
  std::string named_system;
  std::string user_file;
  std::array<std::optional<FileIdentity>, kMostPolicyFiles> identities;
  std::optional<AlgorithmPolicy> policy;
};

// Never destroyed: calls may still come while the process exits.
PolicyMemo& Memo() {
  static auto* memo = new PolicyMemo;
  return *memo;
}

}  // namespace

std::vector<PolicyProblem> PolicyProblems() { return ReadPolicyFiles(PolicySources()).problems; }

Status CurrentPolicy(AlgorithmPolicy& policy) {
  const PolicySources sources;
  const SeenFiles seen = LookAtPolicyFiles(sources);
  const bool keep = StoreCachingEnabled() && seen.settled;
  if (keep) {
    const std::lock_guard guard(Memo().lock);
    const PolicyMemo& kept = Memo();
    if (kept.policy && kept.named_system == sources.named_system &&
        kept.user_file == sources.UserFileText() && kept.identities == seen.identities) {
      policy = *kept.policy;
      return Status();
    }
  }
  const PolicyReading reading = ReadPolicyFiles(sources);
  if (!reading.unreadable.ok()) {
    SetFailureDetail(reading.unreadable.Text());
    return reading.unreadable;
  }
  policy = reading.policy.settings;
  if (keep) {
    // Kept under the identities seen before reading: a file changed while it was read shows
    // another identity at the next call, which then reads again.
    const std::lock_guard guard(Memo().lock);
    PolicyMemo& kept = Memo();
    kept.named_system = sources.named_system;
    kept.user_file = sources.UserFileText();
    kept.identities = seen.identities;
    kept.policy = policy;
  }
  return Status();
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
