// Placing a dialog: centred over its owner window, or over the work area of the primary display
// when the owner is absent, hidden or minimised; then moved inside the work area.
#pragma once

#include "platform/platform.h"

namespace corvane::platform {

void CentreDialog(HWND dialog);

}  // namespace corvane::platform
