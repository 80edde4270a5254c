// libFuzzer target: the lines of a policy file. Whatever the text, the policy keeps values of its
// own kinds, none under its floor, says at most one problem a line, and reads the same when the
// text is read again over it (a later line wins, a bad one changes nothing; only warnings of a
// raised setting may differ, as the floors then stand from the start).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/posix/policy/policy_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane::platform;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FlooredPolicy floored;
  std::vector<PolicyProblem> problems;
  ApplyPolicyText(text, "fuzz.conf", floored, problems);
  const AlgorithmPolicy& policy = floored.settings;
  const AlgorithmPolicy& floors = floored.floors;
  const auto passed_over = [](const std::vector<PolicyProblem>& all) {
    return std::count_if(all.begin(), all.end(), [](const PolicyProblem& one) { return !one.warning; });
  };
  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  if (problems.size() > lines || policy.min_rsa_bits < 0 ||
      policy.min_rsa_bits > kLargestRsaBitsSetting ||
      static_cast<unsigned>(policy.sign_digest) > static_cast<unsigned>(SignDigest::kSha512) ||
      static_cast<unsigned>(policy.envelope_cipher) > static_cast<unsigned>(EnvelopeCipher::kAes256) ||
      policy.sign_digest < floors.sign_digest || policy.envelope_cipher < floors.envelope_cipher ||
      policy.min_rsa_bits < floors.min_rsa_bits || policy.accept_sha1 > floors.accept_sha1) {
    __builtin_trap();
  }
  FlooredPolicy floored_again = floored;
  std::vector<PolicyProblem> problems_again;
  ApplyPolicyText(text, "fuzz.conf", floored_again, problems_again);
  const AlgorithmPolicy& again = floored_again.settings;
  if (again.sign_digest != policy.sign_digest || again.envelope_cipher != policy.envelope_cipher ||
      again.min_rsa_bits != policy.min_rsa_bits || again.accept_sha1 != policy.accept_sha1 ||
      passed_over(problems_again) != passed_over(problems)) {
    __builtin_trap();
  }
  return 0;
}
