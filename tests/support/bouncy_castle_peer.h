// Bouncy Castle as a peer (tests/support/BouncyCastlePeer.java), run once for a batch of checks:
// one JVM start for a whole table.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/ossl.h"

namespace corvane::testing {

// A signed message to verify with `certificate` (key null), or an envelope to open with `key`;
// either way the content must be `content`.
struct PeerCheck {
  std::string message_der;
  X509* certificate = nullptr;
  EVP_PKEY* key = nullptr;
  std::string content;
};

// One line per check, in order: "ok" or what Bouncy Castle said.
std::vector<std::string> BouncyCastleChecks(const std::vector<PeerCheck>& checks);

}  // namespace corvane::testing
