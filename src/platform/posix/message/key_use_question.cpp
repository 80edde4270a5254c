#include "platform/posix/message/key_use_question.h"

#include <utility>

namespace corvane::platform {
namespace {

thread_local const KeyUseQuestion* current_question = nullptr;

}  // namespace

ScopedKeyUseQuestion::ScopedKeyUseQuestion(KeyUseQuestion question)
    : question_(std::move(question)), previous_(current_question) {
  current_question = &question_;
}

ScopedKeyUseQuestion::~ScopedKeyUseQuestion() { current_question = previous_; }

bool KeyUseAllowed(PCCERT_CONTEXT certificate, KeyUse use) {
  return current_question == nullptr || !*current_question || (*current_question)(certificate, use);
}

}  // namespace corvane::platform
