// The native buffers of a call from Java: the copy of its input and the export's output.
//
// Each thread keeps one input and one output buffer from one call to the next, as long as it
// holds at most kKeptBufferLimit bytes. A buffer of a megabyte, allocated afresh, is fresh pages
// from the kernel, each faulted in and filled with zeros as the call first writes it and given
// back when the call ends: for a call at that size this costs as much as the copies themselves.
// A kept buffer is written again without faults.
//
// - What a call wrote into a kept output buffer, and into a kept input buffer that held the data
//   a caller signs or envelopes, is cleared again when the call ends: opened plaintext and data
//   to be protected stay in a kept buffer no longer than the call. The text of a signed or
//   enveloped message (the input of verification and opening) is left to be written over.
// - So an output buffer starts zeroed (a new one is allocated zeroed); an input buffer starts
//   as it comes. Verification's output, content that travelled in the clear, is cleared for that
//   reason and not for secrecy: verification reads its output buffer as the signed data when the
//   message is a detached signature, and the outcome must not depend on an earlier call's
//   content. Clearing what was written right after the copy out, while it is still in the
//   cache, is the cheapest way to keep the buffer zeroed.
// - A call that needs more than kKeptBufferLimit bytes, or makes a second buffer of the same kind
//   while the thread's is held, gets a buffer of its own, released when it is done.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace corvane::jni {

inline constexpr size_t kKeptBufferLimit = size_t{4} << 20;

enum class BufferUse {
  kMessageInput,    // the text of a signed or enveloped message
  kPlaintextInput,  // data to sign or envelope
  kOutput,          // the export's output
};

class CallBuffer {
 public:
  // `size` bytes (zeros for output); null (see the bool conversion) when the memory cannot be
  // had.
  CallBuffer(BufferUse use, size_t size);
  // Clears what the call wrote into a kept buffer that is cleared, or releases a buffer of its
  // own.
  ~CallBuffer();
  CallBuffer(const CallBuffer&) = delete;
  CallBuffer& operator=(const CallBuffer&) = delete;

  char* get() const { return data_; }
  size_t size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }

  // The call wrote nothing at or past `end`: only the bytes before it are cleared. Until told,
  // the whole buffer is (when its use is cleared at all).
  void WrittenBefore(size_t end);

  struct Kept;

 private:
  struct FreeMemory {
    void operator()(char* memory) const { std::free(memory); }
  };

  const bool cleared_;    // what the call wrote is cleared when it ends
  Kept* kept_ = nullptr;  // the thread's buffer in use, or null for a buffer of its own
  std::unique_ptr<char[], FreeMemory> own_;
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t written_end_ = 0;
};

}  // namespace corvane::jni
