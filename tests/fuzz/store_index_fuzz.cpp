// libFuzzer target: a store folder's index file (store_index.h), which anyone who can write the
// stores folder can put there. Whatever it reads must be written back as the very same bytes: the
// encoding has one form for each index, so no two readings of one file can differ. No file name it
// gives leads out of the folder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/store/store_index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane::platform;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<StoreIndex> index = ParseStoreIndex(bytes);
  if (!index) return 0;
  if (EncodeStoreIndex(*index) != bytes) __builtin_trap();
  // Every file's name, as a search makes it: never one with a path in it.
  for (const IndexedFile& file : index->files) {
    const std::optional<std::string> name = FileNameOf(*index, file);
    if (name && name->find('/') != std::string::npos) __builtin_trap();
  }
  return 0;
}
