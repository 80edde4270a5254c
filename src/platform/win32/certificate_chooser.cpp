// The certificate chooser as a Win32 modal dialog from the module's template 201: a combo box
// with one line per candidate, none selected; OK yields the selected line (-1 without one),
// Cancel -1. The state is tied to the window at its first message through the module's
// pending-window registration, so WM_INITDIALOG already finds it.
#include "platform/certificate_chooser.h"

#include "platform/win32/dialog_placement.h"
#include "platform/win32/module_record.h"
#include "resource.h"

namespace corvane::platform {
namespace {

struct ChooserState {
  const std::vector<std::string>* lines;
  int32_t chosen_line = -1;
};

// The state tied to the window, tying the registered one at the window's first message.
ChooserState* StateOf(HWND window) {
  void* state = reinterpret_cast<void*>(GetWindowLongPtrA(window, DWLP_USER));
  if (state == nullptr) state = TieWindowToPendingState(window, DWLP_USER);
  return static_cast<ChooserState*>(state);
}

// Adds the lines in order (the combo box is not sorted, so line s is candidate s) and widens the
// dropped list to the widest line, measured in the window's default font.
void FillList(HWND window, const std::vector<std::string>& lines) {
  HWND list = GetDlgItem(window, IDC_CERTIFICATE_LIST);
  HDC device = GetDC(window);
  LONG widest = 0;
  for (const std::string& line : lines) {
    SIZE extent{};
    if (GetTextExtentPointA(device, line.c_str(), static_cast<int>(line.size()), &extent) &&
        extent.cx > widest) {
      widest = extent.cx;
    }
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  SendMessageA(list, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest), 0);
  ReleaseDC(window, device);
}

INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM /*lparam*/) {
  ChooserState* state = StateOf(window);
  if (state == nullptr) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      FillList(window, *state->lines);
      CentreDialog(window);
      return TRUE;  // the platform puts the focus on the first tab stop
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        HWND list = GetDlgItem(window, IDC_CERTIFICATE_LIST);
        // CB_ERR, no selection, is -1.
        state->chosen_line = static_cast<int32_t>(SendMessageA(list, CB_GETCURSEL, 0, 0));
        EndDialog(window, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(window, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int32_t ChooseCertificateLine(HWND owner, const std::vector<std::string>& lines_gbk) {
  ChooserState state{&lines_gbk};
  HINSTANCE module = ModuleInstance();
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDD_SELECT_CERTIFICATE), RT_DIALOG);
  if (found == nullptr) return -1;
  HGLOBAL loaded = LoadResource(module, found);
  const auto* dialog_template = static_cast<LPCDLGTEMPLATEA>(LockResource(loaded));
  if (dialog_template != nullptr) {
    const PendingWindowScope pending(&state);
    // The outcome is the chosen line; the modal call's own result is not needed.
    DialogBoxIndirectParamA(module, dialog_template, owner, Procedure, 0);
  }
  FreeResource(loaded);
  return state.chosen_line;
}

}  // namespace corvane::platform
