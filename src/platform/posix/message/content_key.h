// The key transport of envelopes: an envelope's content-encryption key wrapped with the
// recipient's public key and unwrapped with the private key, RSA with PKCS #1 v1.5 padding
// (rsaEncryption), as PKCS #7 and the Windows providers do it.
#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/posix/message/enveloped_data.h"
#include "platform/posix/ossl.h"
#include "platform/posix/secret_bytes.h"
#include "platform/posix/status.h"

namespace corvane::platform {

inline constexpr const char* kRsaEncryptionOid = "1.2.840.113549.1.1.1";

// The content key under `public_key` (an RSA key); empty when OpenSSL cannot encrypt to it.
std::string WrapContentKey(EVP_PKEY* public_key, const SecretBytes& content_key);

// The key; or CRYPT_E_UNKNOWN_ALGO for another key transport, NTE_BAD_DATA when the key does
// not decrypt (a wrong private key or a damaged message).
Status UnwrapContentKey(EVP_PKEY* private_key, const EnvelopeRecipient& recipient,
                       SecretBytes& content_key);

}  // namespace corvane::platform
