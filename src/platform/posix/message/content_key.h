// Unwrapping of an envelope's content-encryption key with the recipient's private key: RSA with
// PKCS #1 v1.5 padding (rsaEncryption), the key transport of PKCS #7 and of the Windows
// providers.
#pragma once

#include "platform/platform.h"
#include "platform/posix/message/enveloped_data.h"
#include "platform/posix/ossl.h"
#include "platform/posix/secret_bytes.h"
#include "platform/posix/status.h"

namespace corvane::platform {

inline constexpr const char* kRsaEncryptionOid = "1.2.840.113549.1.1.1";

// The key; or CRYPT_E_UNKNOWN_ALGO for another key transport, NTE_BAD_DATA when the key does
// not decrypt (a wrong private key or a damaged message).
Status UnwrapContentKey(EVP_PKEY* private_key, const EnvelopeRecipient& recipient,
                       SecretBytes& content_key);

}  // namespace corvane::platform
