// Which keys may sign and which may receive an envelope, under the algorithm policy
// (policy/algorithm_policy.h). A refused key gets its reason in words as the failure detail
// (failure_detail.h), for the command-line tool.
#pragma once

#include "platform/posix/ossl.h"
#include "platform/posix/policy/algorithm_policy.h"
#include "platform/posix/status.h"

namespace corvane::platform {

// Refused with NTE_BAD_KEY: an RSA key under key.min_rsa_bits. Refused with CRYPT_E_MSG_ERROR:
// Ed25519 and Ed448, which sign whole messages where PKCS #7 signer infos carry a digest's
// signature. Other keys (RSA, EC on any curve OpenSSL knows, DSA) sign.
Status CheckSigningKey(const EVP_PKEY& key, const AlgorithmPolicy& policy);

// Accepted: RSA keys of at least key.min_rsa_bits (key transport), and EC keys on P-256, P-384
// and P-521 when the content cipher is AES (ECDH key agreement with AES key wrap; RC4 has no key
// wrap). Everything else is refused with CRYPT_E_UNKNOWN_ALGO.
Status CheckRecipientKey(const EVP_PKEY& key, const AlgorithmPolicy& policy);

// Whether the recipient's key is agreed on (EC) rather than transported (RSA).
bool IsKeyAgreementKey(const EVP_PKEY& key);

}  // namespace corvane::platform
