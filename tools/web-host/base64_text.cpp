#include "base64_text.h"

#include <algorithm>
#include <cstdint>

#include "codec/base64.h"

namespace corvane::web {
namespace {

bool InAlphabet(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '/';
}

}  // namespace

std::optional<std::string> DecodeStrictBase64(std::string_view text) {
  if (text.size() % 4 != 0 || text.size() > INT32_MAX) return std::nullopt;
  size_t padding = 0;
  while (padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
  if (padding > 2 || !std::all_of(text.begin(), text.end() - static_cast<long>(padding), InAlphabet)) {
    return std::nullopt;
  }
  std::string bytes(text.size(), '\0');
  int32_t length = 0;
  if (codec::DecodeBase64(text.data(), static_cast<int32_t>(text.size()),
                          reinterpret_cast<uint8_t*>(bytes.data()), &length) != codec::kBase64Done) {
    return std::nullopt;
  }
  bytes.resize(static_cast<size_t>(length));
  return bytes;
}

std::string EncodeBase64(const std::string& bytes) {
  const auto size = static_cast<int32_t>(bytes.size());
  std::string text(static_cast<size_t>(codec::EncodedBase64Length(size, 0)), '\0');
  int32_t length = 0;
  codec::EncodeBase64(reinterpret_cast<const uint8_t*>(bytes.data()), size, text.data(), &length, 0);
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace corvane::web
