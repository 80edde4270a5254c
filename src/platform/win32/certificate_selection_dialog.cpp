// The certificate chooser as a Win32 modal dialog from the module's template 201: a combo box
// with one line per candidate, none selected; OK yields 3s + 2 for the selected line s (-1
// without one), Cancel leaves -1. The state is tied to the window at its first message through
// the module's pending-window registration, so WM_INITDIALOG already finds it.
#include "certs/certificate_selection_dialog.h"

#include <string>

#include "certs/certificate_chooser_lines.h"
#include "platform/win32/dialog_placement.h"
#include "platform/win32/module_record.h"
#include "resource.h"

namespace corvane::certs {

class DialogWindow {
 public:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static CertificateSelectionDialog* StateOf(HWND window);
  static void FillList(HWND window, const CertificateSelectionDialog& dialog);
};

// The state tied to the window, tying the registered one at the window's first message.
CertificateSelectionDialog* DialogWindow::StateOf(HWND window) {
  void* state = reinterpret_cast<void*>(GetWindowLongPtrA(window, DWLP_USER));
  if (state == nullptr) state = platform::TieWindowToPendingState(window, DWLP_USER);
  return static_cast<CertificateSelectionDialog*>(state);
}

// Adds the lines in entry-list order (the combo box is not sorted, so line s is candidate s)
// and widens the dropped list to the widest line, measured in the window's default font.
void DialogWindow::FillList(HWND window, const CertificateSelectionDialog& dialog) {
  HWND list = GetDlgItem(window, IDC_CERTIFICATE_LIST);
  HDC device = GetDC(window);
  LONG widest = 0;
  for (const std::string& line : ChooserLines(dialog.candidate_count_, dialog.entries_)) {
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

INT_PTR CALLBACK DialogWindow::Procedure(HWND window, UINT message, WPARAM wparam,
                                         LPARAM /*lparam*/) {
  CertificateSelectionDialog* dialog = StateOf(window);
  if (dialog == nullptr) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      FillList(window, *dialog);
      platform::CentreDialog(window);
      return TRUE;  // the platform puts the focus on the first tab stop
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        HWND list = GetDlgItem(window, IDC_CERTIFICATE_LIST);
        const auto line = static_cast<int32_t>(SendMessageA(list, CB_GETCURSEL, 0, 0));
        dialog->chosen_index_ = 3 * line + 2;  // CB_ERR (-1) gives -1
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

void CertificateSelectionDialog::ShowModal(HWND owner) {
  HINSTANCE module = platform::ModuleInstance();
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDD_SELECT_CERTIFICATE), RT_DIALOG);
  if (found == nullptr) return;
  HGLOBAL loaded = LoadResource(module, found);
  const auto* dialog_template = static_cast<LPCDLGTEMPLATEA>(LockResource(loaded));
  if (dialog_template != nullptr) {
    const platform::PendingWindowScope pending(this);
    // The outcome is the chosen index; the modal call's own result is not needed.
    DialogBoxIndirectParamA(module, dialog_template, owner, DialogWindow::Procedure, 0);
  }
  FreeResource(loaded);
}

}  // namespace corvane::certs
