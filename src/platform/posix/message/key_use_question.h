// The question asked before one of the user's private keys is used on behalf of someone other than
// the program that called the library, such as a web page served by the browser host. The host
// sets the question for the request it serves; signing asks it with the certificate that signs,
// before its key is loaded, and opening with the certificate whose key was found to open the
// envelope, before the content key is unwrapped. So the certificate the user is asked about is
// exactly the one whose key is used: it comes from the same search, made once.
#pragma once

#include <functional>

#include "platform/platform.h"

namespace corvane::platform {

enum class KeyUse { kSign, kOpen };

// True when the key of `certificate` may be used as `use`.
using KeyUseQuestion = std::function<bool(PCCERT_CONTEXT certificate, KeyUse use)>;

// Sets the question of this thread while it lives (one at a time; a new one replaces the old,
// which comes back when the new one ends).
class ScopedKeyUseQuestion {
 public:
  explicit ScopedKeyUseQuestion(KeyUseQuestion question);
  ~ScopedKeyUseQuestion();
  ScopedKeyUseQuestion(const ScopedKeyUseQuestion&) = delete;
  ScopedKeyUseQuestion& operator=(const ScopedKeyUseQuestion&) = delete;

 private:
  KeyUseQuestion question_;
  const KeyUseQuestion* previous_;
};

// The answer of this thread's question; true when none is set (the calling program's own use).
bool KeyUseAllowed(PCCERT_CONTEXT certificate, KeyUse use);

}  // namespace corvane::platform
