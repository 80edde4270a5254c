#include "platform/posix/message/rc4_key.h"

#include <algorithm>

namespace corvane::platform {

std::optional<SecretBytes> Rc4Key(const SecretBytes& content_key,
                                  const AlgorithmIdentifier& algorithm) {
  using Parameters = AlgorithmIdentifier::Parameters;
  if (algorithm.parameters == Parameters::kOther) return std::nullopt;
  // Reserved up front so that no unwiped copy of the key is left behind by a reallocation.
  std::vector<uint8_t> key;
  key.reserve(std::max(content_key.size(), kRc4SaltedKeySize));
  key.assign(content_key.bytes().begin(), content_key.bytes().end());
  if (key.size() < kRc4SaltedKeySize) {
    if (algorithm.parameters == Parameters::kOctetString) {
      const size_t salt = std::min(algorithm.octets.size(), kRc4SaltedKeySize - key.size());
      key.insert(key.end(), algorithm.octets.begin(), algorithm.octets.begin() + salt);
    } else {
      key.resize(kRc4SaltedKeySize, 0);
    }
  }
  return SecretBytes(std::move(key));
}

}  // namespace corvane::platform
