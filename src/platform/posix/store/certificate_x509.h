// What the message engine and the tools need of a store's certificate beyond the Windows calls:
// the full OpenSSL certificate behind a context and its linked private key.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ossl.h"
#include "platform/posix/store/token_key_uri.h"

namespace corvane::platform {

// The OpenSSL certificate of a context, parsed on first use and cached in the context (borrowed:
// valid as long as the context). Null when the DER does not parse.
X509* CertificateX509(PCCERT_CONTEXT context);

// The private key linked to a context's certificate: the .key file beside it, a PEM key or a
// token key URI (token_key_uri.h), whose public key matches the certificate's. Null when there
// is none (or it does not match), with the reason in `failure` when given: CRYPT_E_NO_KEY_PROPERTY,
// or for a token key the PIN failures of token_key.h.
ossl::UniquePtr<EVP_PKEY> LoadLinkedPrivateKey(PCCERT_CONTEXT context, DWORD* failure = nullptr);

// The token key URI in the .key file beside a context's certificate; nullopt when that file
// holds no well-formed one (a PEM key, or nothing). Reads the file only: never asks for a PIN.
std::optional<TokenKeyUri> LinkedTokenKeyUri(PCCERT_CONTEXT context);

// The key identifier by which messages name a certificate: its subject key identifier extension,
// else the SHA-1 of its public key bits, as Windows derives it. Empty when neither can be had.
std::vector<uint8_t> KeyIdentifierOf(X509* certificate);

}  // namespace corvane::platform
