// MessageBoxA and GetActiveWindow on top of the UI front ends (ui.h).
//
// The library only shows one-button boxes (MB_OK) without an owner: the box is shown by the front
// end chosen from the environment, and the answer is always IDOK. There are no windows of the
// library's own here, so GetActiveWindow has none to report.
#include "platform/posix/platform_call.h"
#include "platform/posix/ui/ui.h"

extern "C" int MessageBoxA(HWND /*owner*/, LPCSTR text, LPCSTR caption, UINT /*type*/) {
  PLATFORM_ENTRY("MessageBoxA");
  // As on Windows, a box without a caption is captioned "Error".
  corvane::platform::ShowMessageBox(caption ? caption : "Error", text ? text : "");
  return IDOK;
}

extern "C" HWND GetActiveWindow(void) {
  PLATFORM_ENTRY("GetActiveWindow");
  return nullptr;
}
