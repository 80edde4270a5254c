// The certificate chooser on top of the platform's UI front ends: the same lines in entry-list
// order, none selected at first, and the same answer (3s + 2, or -1) as the Windows dialog. The
// front ends place their windows themselves, so the owner window is not needed here.
#include "certs/certificate_selection_dialog.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "certs/local_area.h"
#include "platform/posix/ui/ui.h"

namespace corvane::certs {
namespace {

// The chooser's fixed texts, GBK.
constexpr char kCaption[] =  // 请选择您要用的证书
    "\xC7\xEB\xD1\xA1\xD4\xF1\xC4\xFA\xD2\xAA\xD3\xC3\xB5\xC4\xD6\xA4\xCA\xE9";
constexpr char kLabel[] =  // 请在列表中选择证书:
    "\xC7\xEB\xD4\xDA\xC1\xD0\xB1\xED\xD6\xD0\xD1\xA1\xD4\xF1\xD6\xA4\xCA\xE9:";
constexpr char kIssuerPrefix[] = "\xC7\xA9\xB7\xA2\xD5\xDF\xA3\xBA";       // 签发者：
constexpr char kSubjectPrefix[] = " \xA3\xAC\xD6\xF7\xCC\xE2\xA3\xBA";    // " ，主题："

// "签发者：" + issuer label + " ，主题：" + subject label of candidate k, composed in a zeroed
// area of both labels' lengths + 512 bytes; nullopt when no area could be had.
std::optional<std::string> LineOf(const CertificateEntryList& entries, int32_t k) {
  int32_t subject_length = 0;
  int32_t issuer_length = 0;
  entries.Get(3 * k, nullptr, &subject_length);
  entries.Get(3 * k + 1, nullptr, &issuer_length);
  LocalArea<char> area = AllocateZeroed<char>(static_cast<size_t>(subject_length) +
                                              static_cast<size_t>(issuer_length) + 512);
  if (!area) return std::nullopt;
  char* end = area.get();
  end = std::copy_n(kIssuerPrefix, sizeof kIssuerPrefix - 1, end);
  entries.Get(3 * k + 1, end, &issuer_length);
  end = std::copy_n(kSubjectPrefix, sizeof kSubjectPrefix - 1, end + issuer_length);
  entries.Get(3 * k, end, &subject_length);
  return std::string(area.get(), end + subject_length);
}

// One line per candidate when the list holds exactly three entries per candidate, else none.
// When memory runs out, the lines made so far stay: they are the first candidates, in order.
std::vector<std::string> ChooserLines(int32_t candidate_count, const CertificateEntryList* entries) {
  std::vector<std::string> lines;
  int32_t entry_count = 0;
  CertificateEntryList::Count(entries, &entry_count);
  if (entries == nullptr || candidate_count < 0 ||
      static_cast<int64_t>(entry_count) != 3 * static_cast<int64_t>(candidate_count)) {
    return lines;
  }
  for (int32_t k = 0; k < candidate_count; ++k) {
    std::optional<std::string> line = LineOf(*entries, k);
    if (!line) break;
    lines.push_back(std::move(*line));
  }
  return lines;
}

}  // namespace

void CertificateSelectionDialog::ShowModal(HWND /*owner*/) {
  const platform::ChooserAnswer answer =
      platform::ShowChooser(kCaption, kLabel, ChooserLines(candidate_count_, entries_));
  if (answer.ok) chosen_index_ = answer.selected_line < 0 ? -1 : 3 * answer.selected_line + 2;
}

}  // namespace corvane::certs
