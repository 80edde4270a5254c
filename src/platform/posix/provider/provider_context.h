// Provider contexts (HCRYPTPROV) are reference counted: CryptAcquireContextA hands out one
// reference, every store opened with the context holds one more until it is closed, and
// CryptReleaseContext gives one back. The context ends when the last reference is gone.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace corvane::platform {

// Takes one more reference on a live context; false when `provider` is not one.
bool AddProviderReference(HCRYPTPROV provider);

// Gives one reference back; false when `provider` is not a live context.
bool ReleaseProviderReference(HCRYPTPROV provider);

// How many provider contexts are live, process-wide (see OpenStoreCount).
size_t LiveProviderCount();

}  // namespace corvane::platform
