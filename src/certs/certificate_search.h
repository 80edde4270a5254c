// Finding one certificate in an ordered list of open stores without asking the user.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace corvane::certs {

// The issuer text that the BySN exports require.
inline constexpr char kFixedIssuerText[] = "CN=QDRA, OU=config, O=Ostrevalia";

// First certificate (stores in array order, each in its own order) whose serial number equals
// the hex text (two digits a byte, most significant first; an odd last digit is ignored) and
// whose rendered issuer text equals `issuer_text` byte for byte. The caller owns the result.
PCCERT_CONTEXT FindCertificateBySerial(HCERTSTORE* stores, int32_t store_count,
                                       const char* serial_text, uint32_t serial_text_length,
                                       const char* issuer_text);

// First certificate whose DER subject name equals the given bytes. The caller owns the result.
PCCERT_CONTEXT FindCertificateBySubject(HCERTSTORE* stores, int32_t store_count,
                                        const BYTE* subject_name, uint32_t subject_name_length);

}  // namespace corvane::certs
