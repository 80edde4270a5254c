#include "platform/posix/policy/policy_text.h"

#include <charconv>
#include <optional>

namespace corvane::platform {
namespace {

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

template <typename Value>
struct Choice {
  std::string_view name;
  Value value;
};

template <typename Value, size_t count>
std::optional<Value> Chosen(const Choice<Value> (&choices)[count], std::string_view name) {
  for (const Choice<Value>& choice : choices) {
    if (choice.name == name) return choice.value;
  }
  return std::nullopt;
}

constexpr Choice<SignDigest> kDigests[] = {{"sha1", SignDigest::kSha1},
                                           {"sha256", SignDigest::kSha256},
                                           {"sha384", SignDigest::kSha384},
                                           {"sha512", SignDigest::kSha512}};
constexpr Choice<EnvelopeCipher> kCiphers[] = {{"rc4", EnvelopeCipher::kRc4},
                                               {"aes128", EnvelopeCipher::kAes128},
                                               {"aes256", EnvelopeCipher::kAes256}};
constexpr Choice<bool> kAnswers[] = {{"yes", true}, {"no", false}};

std::optional<int> RsaBits(std::string_view text) {
  int bits = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), bits);
  if (error != std::errc() || end != text.data() + text.size() || bits < 0 ||
      bits > kLargestRsaBitsSetting) {
    return std::nullopt;
  }
  return bits;
}

// Sets the key's value; false when the key is unknown or the value not one of its own.
bool Apply(std::string_view key, std::string_view value, AlgorithmPolicy& policy,
           std::string& problem) {
  std::optional<bool> applied;
  if (key == "sign.digest") {
    const auto digest = Chosen(kDigests, value);
    if (digest) policy.sign_digest = *digest;
    applied = digest.has_value();
  } else if (key == "envelope.cipher") {
    const auto cipher = Chosen(kCiphers, value);
    if (cipher) policy.envelope_cipher = *cipher;
    applied = cipher.has_value();
  } else if (key == "key.min_rsa_bits") {
    const auto bits = RsaBits(value);
    if (bits) policy.min_rsa_bits = *bits;
    applied = bits.has_value();
  } else if (key == "verify.accept_sha1") {
    const auto accept = Chosen(kAnswers, value);
    if (accept) policy.accept_sha1 = *accept;
    applied = accept.has_value();
  }
  if (!applied) {
    problem = "unknown key \"" + std::string(key) + "\"";
  } else if (!*applied) {
    problem = "\"" + std::string(value) + "\" is no value of " + std::string(key);
  }
  return applied.value_or(false);
}

}  // namespace

void ApplyPolicyText(std::string_view text, const std::string& file, AlgorithmPolicy& policy,
                     std::vector<PolicyProblem>& problems) {
  int line_number = 0;
  while (!text.empty()) {
    ++line_number;
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    line = Trimmed(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const size_t equals = line.find('=');
    std::string problem = "not a line \"key = value\"";
    if (equals != std::string_view::npos &&
        Apply(Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1)), policy, problem)) {
      continue;
    }
    problems.push_back({file, line_number, problem + "; the line is passed over"});
  }
}

}  // namespace corvane::platform
