// libFuzzer target: the lines of a policy file. Whatever the text, the policy keeps values of its
// own kinds, says at most one problem a line, and reads the same when the text is read again
// over it (a later line wins, a bad one changes nothing).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/posix/policy/policy_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane::platform;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  AlgorithmPolicy policy;
  std::vector<PolicyProblem> problems;
  ApplyPolicyText(text, "fuzz.conf", policy, problems);
  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  if (problems.size() > lines || policy.min_rsa_bits < 0 ||
      policy.min_rsa_bits > kLargestRsaBitsSetting ||
      static_cast<unsigned>(policy.sign_digest) > static_cast<unsigned>(SignDigest::kSha512) ||
      static_cast<unsigned>(policy.envelope_cipher) > static_cast<unsigned>(EnvelopeCipher::kAes256)) {
    __builtin_trap();
  }
  AlgorithmPolicy again = policy;
  std::vector<PolicyProblem> problems_again;
  ApplyPolicyText(text, "fuzz.conf", again, problems_again);
  if (again.sign_digest != policy.sign_digest || again.envelope_cipher != policy.envelope_cipher ||
      again.min_rsa_bits != policy.min_rsa_bits || again.accept_sha1 != policy.accept_sha1 ||
      problems_again.size() != problems.size()) {
    __builtin_trap();
  }
  return 0;
}
