// The seam's one call that is not a Windows API: the certificate chooser itself, which the
// library brings along on every platform. The certificate code prepares the lines; the platform
// shows them and says which one the user took.
//   Windows: a modal dialog from the module's template 201, centred over the owner window
//            (platform/win32/certificate_chooser.cpp).
//   POSIX:   the UI front end's chooser (platform/posix/ui/ui.h), captioned "请选择您要用的证书"
//            with the label "请在列表中选择证书:"; the owner window is not used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace corvane::platform {

// Shows the chooser modally with one line per candidate (GBK), none selected at first, and
// returns the index of the line chosen with OK; -1 for OK without a selection, Cancel, or a
// chooser that cannot be shown.
int32_t ChooseCertificateLine(HWND owner, const std::vector<std::string>& lines_gbk);

}  // namespace corvane::platform
