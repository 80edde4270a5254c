// GetLastError / SetLastError: one value per thread, as on Windows.
#include "platform/platform.h"

namespace {
thread_local DWORD last_error = ERROR_SUCCESS;
}

extern "C" DWORD GetLastError(void) { return last_error; }
extern "C" void SetLastError(DWORD error) { last_error = error; }
