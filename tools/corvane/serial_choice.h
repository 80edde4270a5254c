// What `--serial` (and `--issuer`) name for `corvane sign` and `corvane encrypt`. The exports take
// a serial number under one issuer, the fixed one unless the caller gives another; the tool finds
// the certificate the way a person names it: the serial number's hex digits in any case and with
// any leading zeros, and without `--issuer` under whichever issuer holds it in the stores the
// operation searches.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "../common/message_exports.h"

namespace corvane::tool {

// The choice to hand the exports: the certificate's own serial digits and issuer text when the
// stores hold exactly one certificate of that serial number (under the issuer, when given). When
// they hold none, the serial number under the given or fixed issuer, as the exports take it (they
// then let the user choose). Nothing, with `problem` set, when the digits are no hex number or
// several issuers hold the serial number. `found` tells whether the stores hold it.
std::optional<CertificateChoice> ChooseBySerial(const std::string& serial,
                                                const std::optional<std::string>& issuer_utf8,
                                                const std::vector<const char*>& store_names,
                                                std::string& problem, bool& found);

}  // namespace corvane::tool
