// Letting the interactive user choose one certificate of a list of open stores.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace corvane::certs {

// Lists every certificate of the stores in the chooser and returns the chosen one (a new
// reference the caller owns), or null when nothing was chosen or it cannot be found again.
// `purpose_gbk` names the purpose ("请选择签名用的证书"); the chooser does not show it.
PCCERT_CONTEXT SelectCertificate(HCERTSTORE* stores, int32_t store_count, const char* purpose_gbk);

}  // namespace corvane::certs
