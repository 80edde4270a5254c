// Verification for callers that hold the signed data apart from the output buffer: the tool, the
// browser host and the Java binding. The export verifySingleSignedMsg reads one buffer as the
// data of a detached signature and writes an attached message's content into the same buffer,
// so it cannot tell whether the data it was handed is what was signed. Here the data is checked
// whatever form the message has.
#pragma once

#include <cstdint>

namespace corvane::ops {

// What a verification found the message to be.
enum class SignatureForm : uint8_t {
  kUnknown,   // the message was not read far enough to tell
  kAttached,  // it carries its content
  kDetached,  // it carries none: a detached signature
};

// The data a caller hands with a message: `bytes` null when it has none.
struct SignedData {
  const char* bytes = nullptr;
  int32_t length = 0;
};

// As verifySingleSignedMsg (the same boxes, codes and size query), except for the data:
// - a message that carries its content verifies only when `data` is absent or equal to that
//   content, byte for byte; other data is -10010;
// - a detached signature verifies over `data`; without data it never verifies (-10010);
// - the content is handed back into `content` (capacity *content_length) for attached messages.
// `form` (may be null) tells what the message was found to be.
int32_t VerifySignedMessage(const char* text, int32_t text_length, const SignedData& data,
                            char* content, int32_t* content_length, SignatureForm* form);

}  // namespace corvane::ops
