// Decryption of an envelope's content with its content-encryption key.
//
// Ciphers: DES-EDE3-CBC, AES-128/192/256-CBC and DES-CBC with the IV as an OCTET STRING
// parameter and PKCS #5 padding (checked: a wrong key or damaged ciphertext is an error, never
// garbage), and RC4 with the key rules of rc4_key.h. All from the library's OpenSSL context.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/message/enveloped_data.h"
#include "platform/posix/secret_bytes.h"
#include "platform/posix/status.h"

namespace corvane::platform {

// The content; or CRYPT_E_UNKNOWN_ALGO for a cipher this layer does not have, CRYPT_E_MSG_ERROR
// for unusable parameters, NTE_BAD_KEY for a key of the wrong size, NTE_BAD_DATA when the
// ciphertext does not decrypt.
Status DecryptContent(const AlgorithmIdentifier& algorithm, const SecretBytes& content_key,
                     const std::vector<uint8_t>& ciphertext, std::vector<uint8_t>& content);

}  // namespace corvane::platform
