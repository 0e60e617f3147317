#include "framework/date_time.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "framework/exceptions.h"
#include "platform/time_zone.h"

namespace orlix {
namespace {

constexpr int64_t kMSecsPerDay = 86400000;
constexpr int64_t kDateDelta = 693594;     // days from 0001-01-01 to 1899-12-30
constexpr int64_t kUnixDateDelta = 25569;  // days from 1899-12-30 to 1970-01-01

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Day number of a valid date, 0001-01-01 being day 1.
int64_t DayNumber(int year, int month, int day) {
  int64_t y = year - 1;
  int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + day;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  return days;
}

void SplitDayNumber(int64_t day_number, int& year, int& month, int& day) {
  // 400-year cycles have 146097 days; work inside one.
  int64_t days = day_number - 1;
  int64_t cycles = days / 146097;
  days %= 146097;
  if (days < 0) {
    days += 146097;
    --cycles;
  }
  int y = static_cast<int>(cycles * 400) + 1;
  int64_t century = std::min<int64_t>(days / 36524, 3);
  days -= century * 36524;
  y += static_cast<int>(century * 100);
  int64_t quad = days / 1461;
  days -= quad * 1461;
  y += static_cast<int>(quad * 4);
  int64_t single = std::min<int64_t>(days / 365, 3);
  days -= single * 365;
  y += static_cast<int>(single);
  int m = 1;
  while (days >= DaysInMonth(y, m)) {
    days -= DaysInMonth(y, m);
    ++m;
  }
  year = y;
  month = m;
  day = static_cast<int>(days) + 1;
}

// Whole milliseconds of a value, rounded once so that date and time agree.
void Split(TDateTime value, int64_t& date, int64_t& msec_of_day) {
  int64_t total = std::llround(value * kMSecsPerDay);
  date = total / kMSecsPerDay;  // toward zero, as the date part of a value is
  msec_of_day = std::llabs(total % kMSecsPerDay);
}

TDateTime Combine(TDateTime date, TDateTime time) { return date >= 0 ? date + time : date - time; }

std::atomic<bool> g_now_pinned{false};
std::atomic<double> g_now_value{0};

}  // namespace

bool TryEncodeDate(uint16_t year, uint16_t month, uint16_t day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  result = static_cast<TDateTime>(DayNumber(year, month, day) - kDateDelta);
  return true;
}

bool TryEncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec, TDateTime& result) {
  if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000) return false;
  int64_t ms = ((static_cast<int64_t>(hour) * 60 + min) * 60 + sec) * 1000 + msec;
  result = static_cast<TDateTime>(ms) / kMSecsPerDay;
  return true;
}

TDateTime EncodeDate(uint16_t year, uint16_t month, uint16_t day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result)) {
    char text[64];
    std::snprintf(text, sizeof text, "Invalid date %04u-%02u-%02u", year, month, day);
    throw EConvertError(text);
  }
  return result;
}

TDateTime EncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec) {
  TDateTime result;
  if (!TryEncodeTime(hour, min, sec, msec, result)) {
    char text[64];
    std::snprintf(text, sizeof text, "Invalid time %02u:%02u:%02u.%03u", hour, min, sec, msec);
    throw EConvertError(text);
  }
  return result;
}

TDateTime EncodeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t min,
                         uint16_t sec, uint16_t msec) {
  return Combine(EncodeDate(year, month, day), EncodeTime(hour, min, sec, msec));
}

void DecodeDate(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day) {
  int64_t date, ms;
  Split(value, date, ms);
  int y, m, d;
  SplitDayNumber(date + kDateDelta, y, m, d);
  if (y < 1 || y > 9999) {
    year = month = day = 0;
    return;
  }
  year = static_cast<uint16_t>(y);
  month = static_cast<uint16_t>(m);
  day = static_cast<uint16_t>(d);
}

void DecodeTime(TDateTime value, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec) {
  int64_t date, ms;
  Split(value, date, ms);
  hour = static_cast<uint16_t>(ms / 3600000);
  min = static_cast<uint16_t>(ms / 60000 % 60);
  sec = static_cast<uint16_t>(ms / 1000 % 60);
  msec = static_cast<uint16_t>(ms % 1000);
}

TDateTime Now() {
  if (g_now_pinned) return g_now_value;
  auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count();
  int64_t seconds = ms / 1000;
  TDateTime value = UnixToDateTime(seconds);
  return Combine(value, static_cast<TDateTime>(ms % 1000) / kMSecsPerDay);
}

void SetNowOverride(bool enabled, TDateTime value) {
  g_now_value = value;
  g_now_pinned = enabled;
  // The time-zone look-up for "now" follows the pinned value.
  SetCurrentUnixTimeOverride(enabled, enabled ? DateTimeToUnix(value) : 0);
}

TDateTime UnixToDateTime(int64_t unix_seconds) {
  TLocalTime local;
  TDateTime date, time;
  if (UnixToLocalTime(unix_seconds, local) &&
      TryEncodeDate(static_cast<uint16_t>(local.Year), static_cast<uint16_t>(local.Month),
                    static_cast<uint16_t>(local.Day), date) &&
      TryEncodeTime(static_cast<uint16_t>(local.Hour), static_cast<uint16_t>(local.Minute),
                    static_cast<uint16_t>(std::min(local.Second, 59)), 0, time))
    return Combine(date, time);
  // Outside the local calendar's range: plain UTC arithmetic.
  return kUnixDateDelta + static_cast<TDateTime>(unix_seconds) / 86400;
}

int64_t DateTimeToUnix(TDateTime local_value) {
  TLocalTime local;
  uint16_t y, mo, d, h, mi, s, ms;
  DecodeDate(local_value, y, mo, d);
  DecodeTime(local_value, h, mi, s, ms);
  local.Year = y;
  local.Month = mo;
  local.Day = d;
  local.Hour = h;
  local.Minute = mi;
  local.Second = s;
  return LocalTimeToUnix(local);
}

int32_t DateTimeToFileDate(TDateTime value) {
  uint16_t y, mo, d, h, mi, s, ms;
  DecodeDate(value, y, mo, d);
  if (y < 1980 || y > 2107) return 0;
  DecodeTime(value, h, mi, s, ms);
  uint32_t packed = (static_cast<uint32_t>(y - 1980) << 25) | (static_cast<uint32_t>(mo) << 21) |
                    (static_cast<uint32_t>(d) << 16) | (static_cast<uint32_t>(h) << 11) |
                    (static_cast<uint32_t>(mi) << 5) | (s / 2);
  return static_cast<int32_t>(packed);
}

bool TryFileDateToDateTime(int32_t file_date, TDateTime& result) {
  uint32_t packed = static_cast<uint32_t>(file_date);
  uint16_t day = (packed >> 16) & 0x1F, month = (packed >> 21) & 0x0F;
  uint16_t year = static_cast<uint16_t>(1980 + (packed >> 25));
  uint16_t sec = (packed & 0x1F) * 2, min = (packed >> 5) & 0x3F, hour = (packed >> 11) & 0x1F;
  TDateTime date, time;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, min, sec, 0, time)) return false;
  result = Combine(date, time);
  return true;
}

TDateTime FileDateToDateTime(int32_t file_date) {
  TDateTime result;
  if (!TryFileDateToDateTime(file_date, result)) {
    char text[64];
    std::snprintf(text, sizeof text, "Invalid packed file date 0x%08X", static_cast<uint32_t>(file_date));
    throw EConvertError(text);
  }
  return result;
}

}  // namespace orlix
