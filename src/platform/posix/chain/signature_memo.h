// Whether a certificate's signature verifies with its issuer's public key, remembered for the
// pairs that did. Verifying a signer's messages checks its certificate against the same issuer
// on every call; that check (an RSA verification) is made once per pair and process.
//
// A pair is remembered by the two certificates' whole encodings, compared byte for byte, so that
// a remembered answer holds only for exactly the same certificates. Only successes are kept (a
// failure is checked again every time), at most the last 64 pairs; process-wide, thread-safe.
#pragma once

#include "platform/platform.h"

namespace corvane::platform {

bool CertificateSignatureVerifies(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer);

}  // namespace corvane::platform
