// A signed message in DER taken apart for verification: OpenSSL reads the message without its
// content and its certificates (a few hundred bytes, whatever the content's size), the content is
// hashed where it lies in the message, and each certificate is read from its own bytes, or taken
// as read before from the same bytes (store/detached_certificate.h). Reading the whole message
// would read every certificate it carries again, which is most of what verifying a small message
// costs.
//
// Only the plain shape is taken apart:
//
//   ContentInfo { signedData, [0] SignedData { version, digestAlgorithms, encapContentInfo {
//     type, [0] { OCTET STRING, primitive } OPTIONAL }, certificates [0] { Certificate ... }
//     OPTIONAL, crls [1] OPTIONAL, signerInfos } }
//
// in DER (definite lengths in their shortest form), and nothing after it. Anything else (BER,
// content in pieces, other kinds of certificates, another content type) is left to be read whole,
// and so is everything this reader refuses: it decides only how the message is read, never
// whether it verifies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane::platform {

struct SignedDataParts {
  // The message with the same fields but no content and no certificates: what OpenSSL reads.
  std::string skeleton;
  // The content (in the message's bytes) and its offset there; nothing when the message carries
  // none (a detached signature).
  std::optional<std::span<const uint8_t>> content;
  size_t content_offset = 0;
  // Each certificate's encoding, in the message's bytes, in the message's order.
  std::vector<std::span<const uint8_t>> certificates;
};

// Nothing when the message is not of the plain shape.
std::optional<SignedDataParts> SplitSignedData(const uint8_t* message, size_t size);

}  // namespace corvane::platform
