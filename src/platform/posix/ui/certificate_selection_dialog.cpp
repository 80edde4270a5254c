// The certificate chooser on top of the platform's UI front ends: the same lines in entry-list
// order, none selected at first, and the same answer (3s + 2, or -1) as the Windows dialog. The
// front ends place their windows themselves, so the owner window is not needed here.
#include "certs/certificate_selection_dialog.h"

#include "certs/certificate_chooser_lines.h"
#include "platform/posix/ui/ui.h"

namespace corvane::certs {
namespace {

// The chooser's fixed texts, GBK.
constexpr char kCaption[] =  // 请选择您要用的证书
    "\xC7\xEB\xD1\xA1\xD4\xF1\xC4\xFA\xD2\xAA\xD3\xC3\xB5\xC4\xD6\xA4\xCA\xE9";
constexpr char kLabel[] =  // 请在列表中选择证书:
    "\xC7\xEB\xD4\xDA\xC1\xD0\xB1\xED\xD6\xD0\xD1\xA1\xD4\xF1\xD6\xA4\xCA\xE9:";

}  // namespace

void CertificateSelectionDialog::ShowModal(HWND /*owner*/) {
  const platform::ChooserAnswer answer =
      platform::ShowChooser(kCaption, kLabel, ChooserLines(candidate_count_, entries_));
  if (answer.ok) chosen_index_ = answer.selected_line < 0 ? -1 : 3 * answer.selected_line + 2;
}

}  // namespace corvane::certs
