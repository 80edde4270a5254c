// Letting the interactive user choose one certificate of a list of open stores.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/platform.h"

namespace corvane::certs {

// Lists every certificate of the stores in the chooser and returns the chosen one (a new
// reference the caller owns), or null when nothing was chosen or it cannot be found again.
// `purpose_gbk` names the purpose ("请选择签名用的证书"); the chooser does not show it.
PCCERT_CONTEXT SelectCertificate(HCERTSTORE* stores, int32_t store_count, const char* purpose_gbk);

// The chooser's short label of a rendered name (zero-terminated, "C=CN, O=Org, CN=Alice"): the
// value after the first "CN=", else after the first "OU=", else after the first "O=" (plain,
// case-sensitive byte searches, wherever the key stands), up to the next comma or the end; the
// whole text when none of the keys occurs. Points into `name_text`.
std::string_view ShortNameLabel(const char* name_text);

}  // namespace corvane::certs
