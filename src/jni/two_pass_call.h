// An export called the way its callers must: the size query first, then the real call into a
// zero-filled buffer one byte longer than the size, so a zero byte follows the output.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corvane.h"
#include "java_arrays.h"

namespace corvane::jni {

// `call(output, &length)` is the export with its inputs bound. On 0, `buffer` holds `size` bytes
// of output; -10000 when no buffer of the size can be had (or the size does not fit an int).
template <typename Export>
int32_t CallExportTwice(Export call, NativeBuffer& buffer, int32_t& size) {
  size = 0;
  const int32_t code = call(nullptr, &size);
  if (code != 0) return code;
  if (size < 0) return CORVANE_E_NO_MEMORY;
  buffer = ZeroedBuffer(static_cast<size_t>(size) + 1);
  if (!buffer) return CORVANE_E_NO_MEMORY;
  return call(buffer.get(), &size);
}

}  // namespace corvane::jni
