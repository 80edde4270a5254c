// Calendar arithmetic shared by the certificate time parser and FileTimeToSystemTime: the
// proleptic Gregorian calendar in UTC, counted in days from 1601-01-01 (the FILETIME epoch).
#pragma once

#include <cstdint>

namespace corvane::platform::civil {

inline constexpr int64_t kTicksPerSecond = 10'000'000;  // FILETIME counts 100-ns ticks
inline constexpr int64_t kSecondsPerDay = 86'400;

inline constexpr bool IsLeapYear(int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

inline constexpr int DaysInMonth(int64_t year, int month) {
  constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1601-01-01 to year-month-day (month 1-12, day 1-31; year >= 1601).
inline constexpr int64_t DaysSince1601(int64_t year, int month, int day) {
  // Shift the year to start in March so that the leap day is the last day of the year.
  const int64_t y = year - (month <= 2 ? 1 : 0);
  const int64_t era = y / 400;
  const int64_t year_of_era = y - era * 400;
  const int64_t month_from_march = (month + 9) % 12;
  const int64_t day_of_year = (153 * month_from_march + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  const int64_t days_since_0000_03_01 = era * 146'097 + day_of_era;
  constexpr int64_t kEpoch = 584'694;  // 1601-01-01 counted from 0000-03-01
  return days_since_0000_03_01 - kEpoch;
}

struct Date {
  int64_t year;
  int month;
  int day;
};

// The inverse of DaysSince1601 (days >= 0).
inline constexpr Date DateFromDaysSince1601(int64_t days) {
  const int64_t z = days + 584'694;
  const int64_t era = z / 146'097;
  const int64_t day_of_era = z - era * 146'097;
  const int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36'524 - day_of_era / 146'096) / 365;
  const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t month_from_march = (5 * day_of_year + 2) / 153;
  const int day = static_cast<int>(day_of_year - (153 * month_from_march + 2) / 5 + 1);
  const int month = static_cast<int>(month_from_march < 10 ? month_from_march + 3 : month_from_march - 9);
  const int64_t year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
  return Date{year, month, day};
}

static_assert(DaysSince1601(1601, 1, 1) == 0);
static_assert(DaysSince1601(1970, 1, 1) == 134'774);
static_assert(DateFromDaysSince1601(134'774).year == 1970);

}  // namespace corvane::platform::civil
