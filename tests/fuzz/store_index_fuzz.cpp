// libFuzzer target: a store folder's index file (store_index.h), which anyone who can write the
// stores folder can put there. Whatever it reads must be written back as the very same bytes: the
// encoding has one form for each index, so no two readings of one file can differ.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/store/store_index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane::platform;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<StoreIndex> index = ParseStoreIndex(bytes);
  if (index && EncodeStoreIndex(*index) != bytes) __builtin_trap();
  return 0;
}
