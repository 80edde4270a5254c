#include "certs/certificate_selection_dialog.h"

#include "certs/certificate_chooser_lines.h"
#include "platform/certificate_chooser.h"

namespace corvane::certs {

void CertificateSelectionDialog::ShowModal(HWND owner) {
  const int32_t line =
      platform::ChooseCertificateLine(owner, ChooserLines(candidate_count_, entries_));
  chosen_index_ = line < 0 ? -1 : 3 * line + 2;
}

}  // namespace corvane::certs
