#include "platform/posix/message/verification_memo.h"

#include <cstring>
#include <vector>

namespace corvane::platform {
namespace {

// The remembered message: its size and its bytes, but for the content where the message holds
// it in one piece; those bytes are the remembered verification's own content, not kept twice.
struct Memo {
  size_t size = 0;
  std::vector<BYTE> before_content;  // the whole message when its content is not in one piece
  std::vector<BYTE> after_content;
  DWORD signer_index = 0;
  std::optional<VerifiedSigner> verified;
};

thread_local Memo memo;

bool SameBytes(const BYTE* a, const std::vector<BYTE>& b) {
  return b.empty() || std::memcmp(a, b.data(), b.size()) == 0;
}

// True when `message` is the remembered message byte for byte.
bool IsRemembered(const BYTE* message, size_t size) {
  if (memo.size != size || !SameBytes(message, memo.before_content)) return false;
  const VerifiedSigner& verified = *memo.verified;
  if (!verified.content_offset) return true;
  const size_t content_size = verified.content_size();
  const BYTE* content = message + *verified.content_offset;
  return (content_size == 0 || std::memcmp(content, verified.content_data(), content_size) == 0) &&
         SameBytes(content + content_size, memo.after_content);
}

}  // namespace

void RememberVerification(const BYTE* message, size_t size, DWORD signer_index,
                          VerifiedSigner verified) {
  memo.size = size;
  const size_t content_end =
      verified.content_offset ? *verified.content_offset + verified.content_size() : size;
  memo.before_content.assign(message, message + (verified.content_offset ? *verified.content_offset : size));
  memo.after_content.assign(message + content_end, message + size);
  memo.signer_index = signer_index;
  memo.verified = std::move(verified);
}

std::optional<VerifiedSigner> TakeRememberedVerification(const BYTE* message, size_t size,
                                                         DWORD signer_index) {
  if (!memo.verified || memo.signer_index != signer_index || !IsRemembered(message, size)) {
    return std::nullopt;
  }
  std::optional<VerifiedSigner> taken;
  taken.swap(memo.verified);
  memo.before_content = std::vector<BYTE>();  // the copy's memory goes as well
  memo.after_content = std::vector<BYTE>();
  return taken;
}

}  // namespace corvane::platform
