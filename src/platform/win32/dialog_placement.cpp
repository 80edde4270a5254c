#include "platform/win32/dialog_placement.h"

namespace corvane::platform {
namespace {

// The owner to centre over: none when it is absent, hidden or minimised.
HWND ReferenceWindow(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner == nullptr) return nullptr;
  const LONG style = GetWindowLongA(owner, GWL_STYLE);
  if ((style & WS_VISIBLE) == 0 || (style & WS_MINIMIZE) != 0) return nullptr;
  return owner;
}

// The start of an extent centred on [low, high], moved inside [area_low, area_high] when it
// sticks out (the low edge wins when the extent is wider than the area). Divisions truncate.
LONG CentredStart(LONG low, LONG high, LONG extent, LONG area_low, LONG area_high) {
  const LONG start = (low + high) / 2 - extent / 2;
  if (start < area_low) return area_low;
  if (start + extent > area_high) return area_high - extent;
  return start;
}

}  // namespace

void CentreDialog(HWND dialog) {
  RECT area{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  RECT centre = area;
  if (HWND owner = ReferenceWindow(dialog)) GetWindowRect(owner, &centre);
  RECT own{};
  GetWindowRect(dialog, &own);
  const LONG width = own.right - own.left;
  const LONG height = own.bottom - own.top;
  const LONG left = CentredStart(centre.left, centre.right, width, area.left, area.right);
  const LONG top = CentredStart(centre.top, centre.bottom, height, area.top, area.bottom);
  SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace corvane::platform
