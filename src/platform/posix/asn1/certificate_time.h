// The validity times of a certificate (UTCTime or GeneralizedTime) as FILETIME values.
#pragma once

#include <optional>

#include "platform/platform.h"
#include "platform/posix/asn1/asn1_reader.h"

namespace corvane::platform {

// UTCTime "YYMMDDHHMM[SS](Z|+hhmm|-hhmm)" (years 50-99 are 19xx, 00-49 are 20xx) or
// GeneralizedTime "YYYYMMDDHHMMSS[.fff](Z|+hhmm|-hhmm)", converted to UTC. Nothing when the text
// is malformed, names no real date or lies before 1601.
std::optional<FILETIME> CertificateTimeToFileTime(const asn1::Element& time);

}  // namespace corvane::platform
