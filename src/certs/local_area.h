// A zero-filled byte area from LocalAlloc, owned for one scope and released with LocalFree, so
// that the certificate code's working areas are freed on every path and an allocation failure
// can be provoked through the platform's fault seam.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>

#include "platform/platform.h"

namespace corvane::certs {

struct LocalFreeDeleter {
  void operator()(void* memory) const { LocalFree(memory); }
};

template <typename Byte>
using LocalArea = std::unique_ptr<Byte[], LocalFreeDeleter>;

// `size` zero bytes; null when no memory could be had.
template <typename Byte>
LocalArea<Byte> AllocateZeroed(size_t size) {
  static_assert(sizeof(Byte) == 1 && std::is_trivial_v<Byte>, "byte areas only");
  return LocalArea<Byte>(static_cast<Byte*>(LocalAlloc(LPTR, size)));
}

}  // namespace corvane::certs
