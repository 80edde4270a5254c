#include "platform/posix/policy/policy_text.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <span>

namespace corvane::platform {
namespace {

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The values of the keys with a list, weakest first, in the order of their enums.
constexpr std::string_view kDigests[] = {"sha1", "sha256", "sha384", "sha512"};
constexpr std::string_view kCiphers[] = {"rc4", "aes128", "aes256"};
constexpr std::string_view kSha1Answers[] = {"yes", "no"};

// A key of the file. Its values are ranked by strength, 0 the weakest (the default): the position
// in `values`, or for a key without a list the number itself.
struct Setting {
  std::string_view key;
  std::span<const std::string_view> values;
  int (*rank)(const AlgorithmPolicy& policy);
  void (*set_rank)(AlgorithmPolicy& policy, int rank);
};

const Setting kSettings[] = {
    {"sign.digest", kDigests, [](const AlgorithmPolicy& p) { return static_cast<int>(p.sign_digest); },
     [](AlgorithmPolicy& p, int rank) { p.sign_digest = static_cast<SignDigest>(rank); }},
    {"envelope.cipher", kCiphers,
     [](const AlgorithmPolicy& p) { return static_cast<int>(p.envelope_cipher); },
     [](AlgorithmPolicy& p, int rank) { p.envelope_cipher = static_cast<EnvelopeCipher>(rank); }},
    {"key.min_rsa_bits", {}, [](const AlgorithmPolicy& p) { return p.min_rsa_bits; },
     [](AlgorithmPolicy& p, int rank) { p.min_rsa_bits = rank; }},
    {"verify.accept_sha1", kSha1Answers, [](const AlgorithmPolicy& p) { return p.accept_sha1 ? 0 : 1; },
     [](AlgorithmPolicy& p, int rank) { p.accept_sha1 = rank == 0; }},
};

const Setting* SettingOf(std::string_view key) {
  for (const Setting& setting : kSettings) {
    if (setting.key == key) return &setting;
  }
  return nullptr;
}

std::optional<int> RankOf(const Setting& setting, std::string_view value) {
  if (setting.values.empty()) {
    int bits = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), bits);
    if (error != std::errc() || end != value.data() + value.size() || bits < 0 ||
        bits > kLargestRsaBitsSetting) {
      return std::nullopt;
    }
    return bits;
  }
  const auto found = std::find(setting.values.begin(), setting.values.end(), value);
  if (found == setting.values.end()) return std::nullopt;
  return static_cast<int>(found - setting.values.begin());
}

std::string ValueText(const Setting& setting, int rank) {
  return setting.values.empty() ? std::to_string(rank) : std::string(setting.values[rank]);
}

// Applies one `key = value` (a floor when `floor`), not below the key's floor. The problem when
// the key is unknown or the value not one of its own; a warning when the value was raised.
std::optional<PolicyProblem> Apply(std::string_view key, std::string_view value, bool floor,
                                   FlooredPolicy& policy) {
  const Setting* setting = SettingOf(key);
  if (setting == nullptr) return PolicyProblem{{}, 0, "unknown key \"" + std::string(key) + "\""};
  const std::optional<int> rank = RankOf(*setting, value);
  if (!rank) {
    return PolicyProblem{{}, 0, "\"" + std::string(value) + "\" is no value of " + std::string(key)};
  }
  const int floor_rank = std::max(setting->rank(policy.floors), floor ? *rank : 0);
  setting->set_rank(policy.floors, floor_rank);
  // A floor line never lowers the setting; a plain line sets it, down to the floor.
  const int set = floor ? std::max(*rank, setting->rank(policy.settings)) : *rank;
  setting->set_rank(policy.settings, std::max(set, floor_rank));
  if (*rank >= floor_rank) return std::nullopt;
  const std::string floor_value = ValueText(*setting, floor_rank);
  return PolicyProblem{{}, 0,
                       "\"" + std::string(value) + "\" is under the floor " + floor_value + " of " +
                           std::string(key) + "; " + floor_value + " applies",
                       true};
}

// The line without a leading `floor` marker, and whether it had one.
bool TakeFloorMarker(std::string_view& line) {
  constexpr std::string_view kMarker = "floor";
  if (line.substr(0, kMarker.size()) != kMarker || line.size() == kMarker.size() ||
      (line[kMarker.size()] != ' ' && line[kMarker.size()] != '\t')) {
    return false;
  }
  line = Trimmed(line.substr(kMarker.size()));
  return true;
}

}  // namespace

void ApplyPolicyText(std::string_view text, const std::string& file, FlooredPolicy& policy,
                     std::vector<PolicyProblem>& problems) {
  int line_number = 0;
  while (!text.empty()) {
    ++line_number;
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    line = Trimmed(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const bool floor = TakeFloorMarker(line);
    const size_t equals = line.find('=');
    std::optional<PolicyProblem> problem =
        equals == std::string_view::npos
            ? PolicyProblem{{}, 0, "not a line \"key = value\""}
            : Apply(Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1)), floor, policy);
    if (!problem) continue;
    problem->file = file;
    problem->line = line_number;
    if (!problem->warning) problem->problem += "; the line is passed over";
    problems.push_back(std::move(*problem));
  }
}

}  // namespace corvane::platform
