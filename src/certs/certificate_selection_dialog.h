// The modal certificate chooser: one line per candidate ("签发者：<issuer> ，主题：<subject>"),
// none selected at first; OK yields 3s + 2 for line s (or -1 without a selection), Cancel -1.
// Lines are shown only when the list holds exactly three entries per candidate (subject label,
// issuer label, DER subject name); otherwise the chooser opens empty. The list is only read.
// The platform shows the lines (platform/certificate_chooser.h).
#pragma once

#include <cstdint>

#include "certs/certificate_entry_list.h"
#include "platform/platform.h"

namespace corvane::certs {

class CertificateSelectionDialog {
 public:
  CertificateSelectionDialog(int32_t candidate_count, const CertificateEntryList* entries)
      : candidate_count_(candidate_count), entries_(entries) {}

  // Shows the chooser modally and records the chosen index.
  void ShowModal(HWND owner);

  int32_t chosen_index() const { return chosen_index_; }

 private:
  int32_t candidate_count_;
  const CertificateEntryList* entries_;
  int32_t chosen_index_ = -1;
};

}  // namespace corvane::certs
