#include "support/export_call.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "codec/base64.h"

namespace corvane::testing {

ExportResult CallExport(const std::function<int32_t(char*, int32_t*)>& call) {
  ExportResult result;
  int32_t capacity = -1;
  EXPECT_EQ(call(nullptr, &capacity), 0);
  EXPECT_GE(capacity, 0);
  constexpr char kGuard = '\x5A';
  std::string buffer(static_cast<size_t>(capacity < 0 ? 0 : capacity) + 1, kGuard);
  int32_t length = capacity;
  result.code = call(buffer.data(), &length);
  if (result.code != 0) {
    result.untouched = length == capacity && buffer == std::string(buffer.size(), kGuard);
    return result;
  }
  EXPECT_GE(length, 0);
  EXPECT_LE(length, capacity);
  result.length = length;
  result.output = buffer.substr(0, static_cast<size_t>(length));
  for (size_t i = static_cast<size_t>(length); i < buffer.size(); ++i) {
    EXPECT_EQ(buffer[i], kGuard) << "byte written past the output at " << i;
  }
  return result;
}

std::string DecodedText(const std::string& text) {
  std::string der(text.size() + 1, '\0');
  int32_t length = 0;
  EXPECT_EQ(codec::DecodeBase64(text.data(), static_cast<int32_t>(text.size()),
                                reinterpret_cast<uint8_t*>(der.data()), &length),
            0);
  der.resize(static_cast<size_t>(std::max(length, 0)));
  return der;
}

}  // namespace corvane::testing
