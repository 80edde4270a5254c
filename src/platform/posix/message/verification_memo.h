// The last verification a thread made to answer a size query of CryptVerifyMessageSignature, kept
// for the call that usually follows: the same message again, now with a buffer for the content
// (the second pass of a two-pass caller). That call takes the remembered result instead of
// reading and verifying the same bytes a second time.
//
// A verification depends on nothing but the message's bytes and the signer's index (the signer's
// certificate comes from the message itself), so a message equal byte for byte, for the same
// signer, has the same result. A memo is taken once; a new size query replaces it. It holds the
// verification's content and a copy of the rest of the message's bytes (the whole message when
// its content is in pieces), released when it is taken or replaced, or when the thread ends.
#pragma once

#include <cstddef>
#include <optional>

#include "platform/platform.h"
#include "platform/posix/message/signer_verification.h"

namespace corvane::platform {

void RememberVerification(const BYTE* message, size_t size, DWORD signer_index,
                          VerifiedSigner verified);

// The remembered result for exactly these bytes and this signer, taken out of the memo; nothing
// when the memo is for something else (it is then left as it is).
std::optional<VerifiedSigner> TakeRememberedVerification(const BYTE* message, size_t size,
                                                         DWORD signer_index);

}  // namespace corvane::platform
