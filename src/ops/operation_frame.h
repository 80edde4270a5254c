// The frame every export runs in: the size-query bound, provider preparation, the message boxes,
// the two-pass message calls and the call's buffers. What one call acquires is held by the
// seam's owners (platform/handle_owners.h); each operation releases them in its own fixed order,
// and their destructors are a safety net that then finds nothing left to do, or that releases
// everything when an exception ends the call (without_throwing.h).
#pragma once

#include <cstdint>

#include "ops/result_codes.h"
#include "platform/handle_owners.h"
#include "platform/platform.h"

namespace corvane::ops {

// S(n) = (n + 2000) / 48 + ((n + 2000) / 3) * 4 + 1004 in unsigned 32-bit arithmetic: the output
// capacity callers are told for n bytes of data by the operations that produce Base64 text.
uint32_t EncodedOutputBound(uint32_t data_length);

// False when S(n), taken without the 32-bit wrap, exceeds INT32_MAX: no capacity for n bytes can
// be told through a signed 32-bit output length (data of about 1.5 GiB and more).
bool OutputBoundFits(uint32_t data_length);

// A message or content buffer: `size` + 1 bytes, zero-filled, from the platform allocator.
class CallBuffer {
 public:
  Outcome Allocate(DWORD size);
  BYTE* data() const { return static_cast<BYTE*>(memory_.get()); }
  void Release() { memory_.Release(); }

 private:
  platform::OwnedLocalMemory memory_;
};

// Opens the named system store with the provider context into `store`; false when it cannot be
// opened.
bool OpenSystemStore(platform::OwnedStore& store, const platform::OwnedProvider& provider,
                     const char* name);

// Makes the Enhanced provider the machine default and obtains a context of the Base provider for
// the user's default key container, creating the container on first use and opening the
// existing one afterwards. A context that cannot be had for another reason leaves `provider`
// null and the store is opened with the platform's default provider.
Outcome PrepareProvider(platform::OwnedProvider& provider);

// Runs a platform message call that reports its size first: call(nullptr, &size), then `buffer`
// of size + 1 zeroed bytes, then call(buffer, &size). Failures are sorted by `kind`.
template <typename Call>
Outcome CallPlatformTwice(MessageCall kind, CallBuffer& buffer, DWORD* size, Call call) {
  if (!call(static_cast<BYTE*>(nullptr), size)) return MapMessageCallError(kind, GetLastError());
  const Outcome allocated = buffer.Allocate(*size);
  if (!allocated.ok()) return allocated;
  if (!call(buffer.data(), size)) return MapMessageCallError(kind, GetLastError());
  return kDone;
}

// The last step of the operations that hand content back: copies `size` bytes of `content` into
// the caller's output and sets the output length. The caller sized its buffer by the size query;
// content longer than `limit`, the most the operation knows that buffer holds, is refused with
// `too_long` and nothing is written.
Outcome CopyContentToCaller(const CallBuffer& content, DWORD size, DWORD limit, Failure too_long,
                            char* output, int32_t* output_length);

// Input step of the operations that take Base64 text: decodes it into `message` (allocated at the
// decoder's bound plus one, zeroed) and sets the decoded length. A text the decoder refuses is
// -10002; no memory is -10000.
Outcome DecodeMessageText(const char* text, int32_t text_length, CallBuffer& message,
                          int32_t* message_length);

// Output step of the operations that produce Base64 text: the message's text with line breaks,
// written straight into the caller's output. The caller sized the output by the size query for
// `data_length` bytes; a text that would not fit that capacity (a message much longer than its
// data) is refused with -10003 and nothing is written, instead of running past the buffer.
Outcome WriteMessageText(const CallBuffer& message, DWORD message_size, uint32_t data_length,
                         char* output, int32_t* output_length);

// The box an interactive operation shows for its outcome: the success text under "提示信息", or
// the failure's text under "问题汇报". Modal: returns when the user has dismissed it.
void ShowOutcomeBox(const Outcome& outcome, const char* success_text);

}  // namespace corvane::ops
