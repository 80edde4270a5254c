// libFuzzer target: the Base64 decoder every export runs on its caller's text, two-pass as the
// exports call it, and the encoder over what it decoded, whose text must decode to the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  const char* text = reinterpret_cast<const char*>(data);
  const auto length = static_cast<int32_t>(size);
  int32_t bound = 0;
  corvane::codec::DecodeBase64(text, length, nullptr, &bound);
  std::vector<uint8_t> decoded(static_cast<size_t>(bound));
  int32_t decoded_length = 0;
  if (corvane::codec::DecodeBase64(text, length, decoded.data(), &decoded_length) != corvane::codec::kBase64Done) {
    return 0;
  }
  if (decoded_length < 0 || decoded_length > bound) __builtin_trap();
  int32_t text_length = 0;
  corvane::codec::EncodeBase64(decoded.data(), decoded_length, nullptr, &text_length, 1);
  std::vector<char> encoded(static_cast<size_t>(text_length));
  corvane::codec::EncodeBase64(decoded.data(), decoded_length, encoded.data(), &text_length, 1);
  std::vector<uint8_t> again(encoded.size());
  int32_t again_length = 0;
  if (corvane::codec::DecodeBase64(encoded.data(), text_length, again.data(), &again_length) !=
          corvane::codec::kBase64Done ||
      again_length != decoded_length ||
      !std::equal(again.begin(), again.begin() + again_length, decoded.begin())) {
    __builtin_trap();
  }
  return 0;
}
