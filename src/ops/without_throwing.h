// No exception leaves the library: its C exports, the Java entry points and the browser host's
// loop each run their body through CallWithoutThrowing. A C or Java caller cannot receive a C++
// exception; one that reached it would end the caller's process. What can throw inside is the
// standard library running out of memory (std::bad_alloc), so an exception is answered as the
// failure to have memory. What the call held is released by its owners' destructors on the way
// out; nothing more happens for that call (no message box is shown).
//
// Standard C++ only: the same header serves the Windows DLL.
#pragma once

#include <cstdint>
#include <type_traits>

#include "corvane.h"

namespace corvane::ops {

// `body()`, or `on_exception()` when an exception leaves the body. Throws only what
// `on_exception` throws: give one that cannot, at a boundary.
template <typename Body, typename OnException>
auto CallWithoutThrowing(Body&& body, OnException&& on_exception) noexcept(
    noexcept(on_exception())) -> decltype(body()) {
  static_assert(std::is_same_v<decltype(body()), decltype(on_exception())>);
  try {
    return body();
  } catch (...) {
    return on_exception();
  }
}

// The exports' form: an exception is -10000, the code for memory that cannot be had.
template <typename Body>
int32_t ExportWithoutThrowing(Body&& body) noexcept {
  return CallWithoutThrowing(body, []() noexcept -> int32_t { return CORVANE_E_NO_MEMORY; });
}

}  // namespace corvane::ops
