// An export called the way its callers must: the size query first, then the real call into a
// buffer one byte longer than the size, and a zero byte after the output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "call_buffer.h"
#include "corvane.h"

namespace corvane::jni {

// `call(output, &length)` is the export with its inputs bound. The output buffer starts zeroed
// (verification reads it as the signed data when the message turns out to be a detached
// signature). On 0, `buffer` holds `size` bytes of output and a zero byte; -10000 when no buffer
// of the size can be had (or the size does not fit an int).
template <typename Export>
int32_t CallExportTwice(Export call, std::optional<CallBuffer>& buffer, int32_t& size) {
  size = 0;
  const int32_t code = call(nullptr, &size);
  if (code != 0) return code;
  if (size < 0) return CORVANE_E_NO_MEMORY;
  const size_t capacity = static_cast<size_t>(size) + 1;
  buffer.emplace(BufferUse::kOutput, capacity);
  if (!*buffer) return CORVANE_E_NO_MEMORY;
  const int32_t result = call(buffer->get(), &size);
  if (result == 0 && size >= 0 && static_cast<size_t>(size) < capacity) {
    buffer->get()[size] = '\0';
    buffer->WrittenBefore(static_cast<size_t>(size) + 1);
  }
  return result;
}

}  // namespace corvane::jni
