#include "call_buffer.h"

#include <algorithm>
#include <cstring>

namespace corvane::jni {

// A thread's buffer for input or output; an output buffer is all zeros while no call holds it.
struct CallBuffer::Kept {
  std::unique_ptr<char[], FreeMemory> memory;
  size_t capacity = 0;
  bool held = false;
};

namespace {

char* ZeroedMemory(size_t size) { return static_cast<char*>(std::calloc(size == 0 ? 1 : size, 1)); }

CallBuffer::Kept& ThreadKept(BufferUse use) {
  thread_local CallBuffer::Kept kept[2];
  return kept[use == BufferUse::kOutput ? 1 : 0];
}

}  // namespace

CallBuffer::CallBuffer(BufferUse use, size_t size)
    : cleared_(use != BufferUse::kMessageInput), size_(size), written_end_(size) {
  Kept& kept = ThreadKept(use);
  if (size <= kKeptBufferLimit && !kept.held) {
    if (kept.capacity < size) {
      // Grown at least twofold, so that slowly growing calls do not allocate every time.
      const size_t capacity = std::max(size, std::min(2 * kept.capacity, kKeptBufferLimit));
      kept.memory.reset(ZeroedMemory(capacity));
      kept.capacity = kept.memory ? capacity : 0;
    }
    if (kept.memory) {
      kept.held = true;
      kept_ = &kept;
      data_ = kept.memory.get();
      return;
    }
  }
  own_.reset(ZeroedMemory(size));
  data_ = own_.get();
}

CallBuffer::~CallBuffer() {
  if (kept_ == nullptr) return;
  if (cleared_) std::memset(data_, 0, written_end_);
  kept_->held = false;
}

void CallBuffer::WrittenBefore(size_t end) { written_end_ = std::min(end, size_); }

}  // namespace corvane::jni
