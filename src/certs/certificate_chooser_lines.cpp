#include "certs/certificate_chooser_lines.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "certs/local_area.h"

namespace corvane::certs {
namespace {

constexpr char kIssuerPrefix[] = "\xC7\xA9\xB7\xA2\xD5\xDF\xA3\xBA";     // 签发者：
constexpr char kSubjectPrefix[] = " \xA3\xAC\xD6\xF7\xCC\xE2\xA3\xBA";  // " ，主题："

// The line of candidate k; nullopt when no area could be had.
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

}  // namespace

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

}  // namespace corvane::certs
