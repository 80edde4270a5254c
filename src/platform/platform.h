// The platform seam: the operation, certificate and codec code includes this header and calls
// the platform by its Windows names. On Windows these come from the system headers; elsewhere
// from our own declarations, implemented in posix/.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#include <wincrypt.h>
#else
#include "platform/posix/win_types.h"
#endif
