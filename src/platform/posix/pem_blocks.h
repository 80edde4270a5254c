// The one walk over the blocks of PEM text ("-----BEGIN LABEL-----" ... "-----END LABEL-----"),
// each block decoded by OpenSSL and owned by the walk while it is looked at.
#pragma once

#include <functional>
#include <string_view>

namespace corvane::platform {

struct PemBlock {
  std::string_view label;   // "CERTIFICATE", "X509 CRL", "ENCRYPTED PRIVATE KEY", ...
  std::string_view header;  // the block's header lines ("Proc-Type: ..."), empty when none
  const unsigned char* der = nullptr;
  long size = 0;
};

enum class PemEnd {
  kEnd,        // the text ended after its last block (or held none)
  kMalformed,  // a block did not decode
  kStopped,    // `visit` asked to stop
};

// Calls `visit` with each block of `text` in order until it returns false. The block's pointers
// are valid during the call only.
PemEnd ForEachPemBlock(std::string_view text, const std::function<bool(const PemBlock&)>& visit);

}  // namespace corvane::platform
