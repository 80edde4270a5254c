// LocalAlloc / LocalFree: the allocator the operation code uses for its message and content
// buffers, so that allocation failures can be provoked through the fault seam like any other
// platform failure.
#include <cstdlib>
#include <cstring>

#include "platform/posix/platform_call.h"

extern "C" HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  PLATFORM_ENTRY("LocalAlloc");
  PLATFORM_ENSURE((flags & ~LMEM_ZEROINIT) == 0, ERROR_INVALID_PARAMETER);
  void* memory = std::malloc(bytes == 0 ? 1 : bytes);
  PLATFORM_ENSURE(memory != nullptr, ERROR_NOT_ENOUGH_MEMORY);
  if (flags & LMEM_ZEROINIT) std::memset(memory, 0, bytes == 0 ? 1 : bytes);
  return memory;
}

extern "C" HLOCAL LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}
