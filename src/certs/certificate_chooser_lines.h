// The lines the certificate chooser shows, one per candidate, in entry-list order:
// "签发者：" + issuer label + " ，主题：" + subject label (GBK; the labels as the list holds them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "certs/certificate_entry_list.h"

namespace corvane::certs {

// One line per candidate when the list holds exactly three entries per candidate, else none.
// Each line is composed in a zeroed area of both labels' lengths + 512 bytes; when no area can
// be had, the lines made so far are kept: they are the first candidates, in order.
std::vector<std::string> ChooserLines(int32_t candidate_count, const CertificateEntryList* entries);

}  // namespace corvane::certs
