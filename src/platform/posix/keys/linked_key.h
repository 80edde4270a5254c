// The private key linked to a store's certificate, found beside it in its store folder.
#pragma once

#include <optional>

#include "platform/platform.h"
#include "platform/posix/keys/token_key.h"
#include "platform/posix/keys/token_key_uri.h"
#include "platform/posix/ossl.h"
#include "platform/posix/status.h"

namespace corvane::platform {

// The private key linked to a context's certificate, into `key`: the .key file beside it, a PEM
// key or a token key URI (token_key_uri.h), whose public key matches the certificate's. A token
// that wants a PIN asks through `ask_pin` (token_key.h). Fails with CRYPT_E_NO_KEY_PROPERTY when
// there is none (or it does not match), or for a token key with the PIN failures of token_key.h.
Status LoadLinkedPrivateKey(PCCERT_CONTEXT context, PinPrompt ask_pin,
                            ossl::UniquePtr<EVP_PKEY>& key);

// The token key URI in the .key file beside a context's certificate; nullopt when that file
// holds no well-formed one (a PEM key, or nothing). Reads the file only: never asks for a PIN.
std::optional<TokenKeyUri> LinkedTokenKeyUri(PCCERT_CONTEXT context);

}  // namespace corvane::platform
