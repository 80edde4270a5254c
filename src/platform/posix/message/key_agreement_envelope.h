// Envelopes for EC recipients, which PKCS #7 cannot express: CMS enveloped data (RFC 5652,
// version 2) whose EC recipients get a KeyAgreeRecipientInfo (RFC 5753): an ephemeral key on the
// recipient's curve, ECDH, the X9.63 KDF with SHA-256, SHA-384 or SHA-512 for P-256, P-384 and
// P-521 (dhSinglePass-stdDH-sha*kdf-scheme), and the content key wrapped with AES key wrap of
// the content cipher's size. RSA recipients of the same message get the usual key transport
// info. Made and opened with OpenSSL's CMS code; `openssl cms -decrypt` and Bouncy Castle open
// them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/posix/message/enveloped_data_encoding.h"
#include "platform/posix/ossl.h"
#include "platform/posix/status.h"

namespace corvane::platform {

// The envelope; null when OpenSSL refuses. The cipher must be a block cipher (AES).
ossl::UniquePtr<CMS_ContentInfo> MakeKeyAgreementEnvelope(const EnvelopedDataInput& input);

// Opens `message` as the holder of `certificate` and its EC `private_key` (a key file's, or a
// token's through libp11). NTE_BAD_DATA when the key does not unwrap or the content does not
// decrypt; CRYPT_E_OSS_ERROR when OpenSSL cannot read the message.
Status OpenKeyAgreementEnvelope(const uint8_t* message, size_t size, X509* certificate,
                                EVP_PKEY* private_key, std::vector<uint8_t>& content);

}  // namespace corvane::platform
