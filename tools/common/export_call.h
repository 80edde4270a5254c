// The two-pass call every caller of an export makes.
#pragma once

#include <cstdint>
#include <string>

namespace corvane::tool {

// Calls an export the way every caller must: the size query, then the real call into a buffer of
// the capacity it answered. Returns the export's result; on 0, `output` holds exactly the output.
template <typename Export>
int32_t CallExportTwice(Export call, std::string& output) {
  int32_t capacity = 0;
  int32_t result = call(nullptr, &capacity);
  if (result != 0) return result;
  output.assign(static_cast<size_t>(capacity < 0 ? 0 : capacity) + 1, '\0');
  int32_t length = capacity;  // the buffer's capacity, which verification also reads
  result = call(output.data(), &length);
  output.resize(result == 0 ? static_cast<size_t>(length) : 0);
  return result;
}

}  // namespace corvane::tool
