#include "platform/posix/asn1/certificate_time.h"

#include <string_view>

#include "platform/posix/asn1/civil_time.h"

namespace corvane::platform {
namespace {

// Reads `count` decimal digits from the front of `text`.
bool TakeDigits(std::string_view& text, size_t count, int64_t& value) {
  if (text.size() < count) return false;
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  text.remove_prefix(count);
  return true;
}

// "Z" or "+hhmm"/"-hhmm": the offset of the local time from UTC in seconds.
bool TakeZone(std::string_view& text, int64_t& offset_seconds) {
  if (text == "Z") {
    offset_seconds = 0;
    return true;
  }
  if (text.size() != 5 || (text[0] != '+' && text[0] != '-')) return false;
  const int sign = text[0] == '+' ? 1 : -1;
  text.remove_prefix(1);
  int64_t hours, minutes;
  if (!TakeDigits(text, 2, hours) || !TakeDigits(text, 2, minutes) || hours > 23 || minutes > 59) {
    return false;
  }
  offset_seconds = sign * (hours * 3600 + minutes * 60);
  return true;
}

}  // namespace

std::optional<FILETIME> CertificateTimeToFileTime(const asn1::Element& time) {
  std::string_view text(reinterpret_cast<const char*>(time.content), time.content_size);
  int64_t year, month, day, hour, minute, second = 0, fraction_ticks = 0;
  if (time.tag == asn1::kUtcTime) {
    if (!TakeDigits(text, 2, year)) return std::nullopt;
    year += year < 50 ? 2000 : 1900;
  } else if (time.tag == asn1::kGeneralizedTime) {
    if (!TakeDigits(text, 4, year)) return std::nullopt;
  } else {
    return std::nullopt;
  }
  if (!TakeDigits(text, 2, month) || !TakeDigits(text, 2, day) || !TakeDigits(text, 2, hour) ||
      !TakeDigits(text, 2, minute)) {
    return std::nullopt;
  }
  const bool seconds_required = time.tag == asn1::kGeneralizedTime;
  if (seconds_required || (!text.empty() && text[0] >= '0' && text[0] <= '9')) {
    if (!TakeDigits(text, 2, second)) return std::nullopt;
  }
  if (time.tag == asn1::kGeneralizedTime && !text.empty() && (text[0] == '.' || text[0] == ',')) {
    text.remove_prefix(1);
    int64_t scale = civil::kTicksPerSecond;
    size_t digits = 0;
    while (!text.empty() && text[0] >= '0' && text[0] <= '9') {
      scale /= 10;  // digits beyond 100 ns are read and dropped
      fraction_ticks += (text[0] - '0') * scale;
      text.remove_prefix(1);
      ++digits;
    }
    if (digits == 0) return std::nullopt;
  }
  int64_t offset_seconds;
  if (!TakeZone(text, offset_seconds)) return std::nullopt;
  if (year < 1601 || month < 1 || month > 12 || day < 1 ||
      day > civil::DaysInMonth(year, static_cast<int>(month)) || hour > 23 || minute > 59 ||
      second > 59) {
    return std::nullopt;
  }
  const int64_t seconds = civil::DaysSince1601(year, static_cast<int>(month), static_cast<int>(day)) *
                              civil::kSecondsPerDay +
                          hour * 3600 + minute * 60 + second - offset_seconds;
  if (seconds < 0) return std::nullopt;
  const uint64_t ticks = static_cast<uint64_t>(seconds) * civil::kTicksPerSecond +
                         static_cast<uint64_t>(fraction_ticks);
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace corvane::platform
