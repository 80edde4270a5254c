// FileTimeToSystemTime: 100-ns ticks since 1601-01-01 UTC to calendar fields. Values with the
// high bit set fail with ERROR_INVALID_PARAMETER, as on Windows; everything below converts (up to
// the year 30828).
#include "platform/posix/asn1/civil_time.h"
#include "platform/posix/platform_call.h"

namespace civil = corvane::platform::civil;

extern "C" BOOL FileTimeToSystemTime(const FILETIME* file_time, LPSYSTEMTIME system_time) {
  PLATFORM_ENTRY("FileTimeToSystemTime");
  PLATFORM_ENSURE(file_time != nullptr && system_time != nullptr, ERROR_INVALID_PARAMETER);
  const uint64_t ticks =
      (static_cast<uint64_t>(file_time->dwHighDateTime) << 32) | file_time->dwLowDateTime;
  PLATFORM_ENSURE((ticks >> 63) == 0, ERROR_INVALID_PARAMETER);
  const int64_t total_seconds = static_cast<int64_t>(ticks / civil::kTicksPerSecond);
  const int64_t days = total_seconds / civil::kSecondsPerDay;
  const int64_t seconds_of_day = total_seconds % civil::kSecondsPerDay;
  const civil::Date date = civil::DateFromDaysSince1601(days);
  system_time->wYear = static_cast<WORD>(date.year);
  system_time->wMonth = static_cast<WORD>(date.month);
  system_time->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  system_time->wDay = static_cast<WORD>(date.day);
  system_time->wHour = static_cast<WORD>(seconds_of_day / 3600);
  system_time->wMinute = static_cast<WORD>(seconds_of_day / 60 % 60);
  system_time->wSecond = static_cast<WORD>(seconds_of_day % 60);
  system_time->wMilliseconds = static_cast<WORD>(ticks / 10'000 % 1000);
  return TRUE;
}
