// Bytes into and out of the PKCS #7 messages that OpenSSL builds: the content as a memory source,
// and the finished message's DER encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/posix/ossl.h"

namespace corvane::platform {

// A read-only memory source over the content (size at most INT_MAX; empty content allowed).
ossl::UniquePtr<BIO> ContentSource(const uint8_t* content, size_t size);

// Nothing when OpenSSL cannot encode the message.
std::optional<std::vector<uint8_t>> Pkcs7Der(PKCS7* message);

}  // namespace corvane::platform
