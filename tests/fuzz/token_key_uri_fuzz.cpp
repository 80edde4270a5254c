// libFuzzer target: the token key URI a .key file may hold, and the written form of what it
// reads, which must read back as the same key name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/keys/token_key_uri.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane::platform;
  const std::optional<TokenKeyUri> uri =
      ParseTokenKeyUri(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!uri) return 0;
  // Escaping can make the written form longer than the reader takes (labels of thousands of
  // blanks); real labels and ids are far shorter.
  const std::string written = FormatTokenKeyUri(*uri);
  if (written.size() > kMaxTokenKeyUri) return 0;
  const std::optional<TokenKeyUri> again = ParseTokenKeyUri(written);
  if (!again || again->token != uri->token || again->id != uri->id ||
      again->object != uri->object) {
    __builtin_trap();
  }
  return 0;
}
