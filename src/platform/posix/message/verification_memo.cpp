#include "platform/posix/message/verification_memo.h"

#include <cstring>
#include <vector>

namespace corvane::platform {
namespace {

struct Memo {
  std::vector<BYTE> message;
  DWORD signer_index = 0;
  std::optional<VerifiedSigner> verified;
};

thread_local Memo memo;

}  // namespace

void RememberVerification(const BYTE* message, size_t size, DWORD signer_index,
                          VerifiedSigner verified) {
  memo.message.assign(message, message + size);
  memo.signer_index = signer_index;
  memo.verified = std::move(verified);
}

std::optional<VerifiedSigner> TakeRememberedVerification(const BYTE* message, size_t size,
                                                         DWORD signer_index) {
  if (!memo.verified || memo.signer_index != signer_index || memo.message.size() != size ||
      (size != 0 && std::memcmp(memo.message.data(), message, size) != 0)) {
    return std::nullopt;
  }
  std::optional<VerifiedSigner> taken = std::move(memo.verified);
  memo.verified.reset();
  memo.message = std::vector<BYTE>();  // the copy's memory goes as well
  return taken;
}

}  // namespace corvane::platform
