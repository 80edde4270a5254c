// The RC4 key of an envelope, as the Windows providers form it.
//
// The base provider exports a 40-bit RC4 key as its 5 key bytes and encrypts with those 5 bytes
// followed by 11 zero bytes of salt, that is with a 16-byte RC4 key; when the message carries a
// salt (the algorithm parameters as an OCTET STRING) that salt takes the place of the zero bytes.
// So a content key shorter than 16 bytes is extended with the salt, or with zero bytes up to 16
// when there is none, and the result is cut at 16 bytes; a content key of 16 bytes or more is used
// as it is. Parameters may be absent, NULL (what Windows writes) or an OCTET STRING.
#pragma once

#include <optional>

#include "platform/posix/message/enveloped_data.h"
#include "platform/posix/secret_bytes.h"

namespace corvane::platform {

inline constexpr const char* kRc4Oid = "1.2.840.113549.3.4";
inline constexpr size_t kRc4SaltedKeySize = 16;

// Nothing when the parameters are of another kind.
std::optional<SecretBytes> Rc4Key(const SecretBytes& content_key,
                                  const AlgorithmIdentifier& algorithm);

}  // namespace corvane::platform
