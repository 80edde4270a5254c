// Decryption of an envelope's content with its content-encryption key.
//
// Ciphers: DES-EDE3-CBC, AES-128/192/256-CBC and DES-CBC with the IV as an OCTET STRING
// parameter and PKCS #5 padding (checked: a wrong key or damaged ciphertext is an error, never
// garbage), and RC4 with the key rules of rc4_key.h. All from the library's OpenSSL context.
#pragma once

#include <cstdint>
#include <span>

#include "platform/platform.h"
#include "platform/posix/message/enveloped_data.h"
#include "platform/posix/secret_bytes.h"
#include "platform/posix/status.h"

namespace corvane::platform {

// Decrypts `ciphertext` into `output`, whose capacity is `*size`, and sets `*size` to the
// content's length. The content goes straight into `output` when it has room for the ciphertext
// (and one block more for a block cipher), else through a buffer of this call's own. Errors:
// ERROR_MORE_DATA (with the content's length in `*size`, nothing written) when it does not fit;
// CRYPT_E_UNKNOWN_ALGO for a cipher this layer does not have, CRYPT_E_MSG_ERROR for unusable
// parameters, NTE_BAD_KEY for a key of the wrong size, NTE_BAD_DATA when the ciphertext does not
// decrypt (then nothing of it is left in `output`).
Status DecryptContent(const AlgorithmIdentifier& algorithm, const SecretBytes& content_key,
                      std::span<const uint8_t> ciphertext, BYTE* output, DWORD* size);

}  // namespace corvane::platform
