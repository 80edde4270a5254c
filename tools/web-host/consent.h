// The user's consent, asked on the desktop with the UI front ends' OK/Cancel question: once per
// origin (remembered in the user's list, web_origins.h), and again for every signature by serial
// number and every envelope opened, naming the origin and the certificate whose key is used. The
// chooser variants need no question of their own: the chooser, which names the origin, is the
// user's decision.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/message/key_use_question.h"
#include "platform/posix/ui/ui.h"

namespace corvane::web {

// True when the origin is on the user's list, or the user allows it now (it is then added).
bool OriginConsented(const std::string& origin);

// While it lives, the thread's openings, and its signatures by serial number, ask the user before
// a key is used, naming the origin and the certificate whose key the library is about to use (the
// one it found, so the answer is about exactly that key), once per certificate; and its choosers
// name the origin.
class KeyUseConsent {
 public:
  // `signed_data`: what a signature the user is asked about covers (shown in the question); it
  // must outlive this.
  KeyUseConsent(std::string origin, bool ask_before_signing, const std::string* signed_data = nullptr);
  KeyUseConsent(const KeyUseConsent&) = delete;
  KeyUseConsent& operator=(const KeyUseConsent&) = delete;

  // Whether the user refused a key's use: the operation then failed for that reason.
  bool declined() const { return declined_; }

 private:
  bool Ask(PCCERT_CONTEXT certificate, platform::KeyUse use);

  std::string origin_;
  const std::string* signed_data_;  // described only when a question shows it
  std::vector<std::vector<BYTE>> allowed_;  // the encodings of the certificates allowed so far
  bool ask_before_signing_;
  bool declined_ = false;
  platform::ScopedChooserRequester requester_;
  platform::ScopedKeyUseQuestion question_;
};

}  // namespace corvane::web
