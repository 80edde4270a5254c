// libFuzzer target: the lines of a policy file. Whatever the text, the policy keeps values of its
// own kinds, no setting ends under its floor, it says at most one problem a line, and it reads
// the same when the text is read again over it (a later line wins, a bad one changes nothing).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/posix/policy/policy_text.h"

namespace {

using namespace corvane::platform;

bool InRange(const AlgorithmPolicy& policy) {
  return policy.min_rsa_bits >= 0 && policy.min_rsa_bits <= kLargestRsaBitsSetting &&
         static_cast<unsigned>(policy.sign_digest) <= static_cast<unsigned>(SignDigest::kSha512) &&
         static_cast<unsigned>(policy.envelope_cipher) <= static_cast<unsigned>(EnvelopeCipher::kAes256);
}

bool AtLeast(const AlgorithmPolicy& policy, const AlgorithmPolicy& floors) {
  return policy.sign_digest >= floors.sign_digest && policy.envelope_cipher >= floors.envelope_cipher &&
         policy.min_rsa_bits >= floors.min_rsa_bits && policy.accept_sha1 <= floors.accept_sha1;
}

bool Same(const AlgorithmPolicy& a, const AlgorithmPolicy& b) {
  return a.sign_digest == b.sign_digest && a.envelope_cipher == b.envelope_cipher &&
         a.min_rsa_bits == b.min_rsa_bits && a.accept_sha1 == b.accept_sha1;
}

// The problems that pass a line over; warnings of a raised setting depend on the floors before.
size_t PassedOver(const std::vector<PolicyProblem>& problems) {
  return static_cast<size_t>(std::count_if(problems.begin(), problems.end(),
                                           [](const PolicyProblem& problem) { return !problem.warning; }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FlooredPolicy policy;
  std::vector<PolicyProblem> problems;
  ApplyPolicyText(text, "fuzz.conf", policy, problems);
  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  if (problems.size() > lines || !InRange(policy.settings) || !InRange(policy.floors) ||
      !AtLeast(policy.settings, policy.floors)) {
    __builtin_trap();
  }
  FlooredPolicy again = policy;
  std::vector<PolicyProblem> problems_again;
  ApplyPolicyText(text, "fuzz.conf", again, problems_again);
  if (!Same(again.settings, policy.settings) || !Same(again.floors, policy.floors) ||
      PassedOver(problems_again) != PassedOver(problems)) {
    __builtin_trap();
  }
  return 0;
}
