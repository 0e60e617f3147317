// Time-zone figures straight from the system, for the year of the instant.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>

#include <stdint.h>
#include <stdlib.h>
#include <time.h>

#include "platform/time_zone.h"

namespace orlix {
namespace {

constexpr int64_t kEpochDifference = 11644473600LL;  // 1601-01-01 to 1970-01-01, seconds

bool UnixToSystemTime(int64_t unix_seconds, SYSTEMTIME& out) {
  // Checked before multiplying: an instant read from a disc may be anything.
  constexpr int64_t kLatest = INT64_MAX / 10000000LL - kEpochDifference;
  if (unix_seconds < -kEpochDifference || unix_seconds > kLatest) return false;
  ULARGE_INTEGER value;
  value.QuadPart = static_cast<ULONGLONG>((unix_seconds + kEpochDifference) * 10000000LL);
  FILETIME ft;
  ft.dwLowDateTime = value.LowPart;
  ft.dwHighDateTime = value.HighPart;
  return FileTimeToSystemTime(&ft, &out) != FALSE;
}

bool SystemTimeToUnix(const SYSTEMTIME& st, int64_t& unix_seconds) {
  FILETIME ft;
  if (!SystemTimeToFileTime(&st, &ft)) return false;
  ULARGE_INTEGER value;
  value.LowPart = ft.dwLowDateTime;
  value.HighPart = ft.dwHighDateTime;
  unix_seconds = static_cast<int64_t>(value.QuadPart / 10000000ULL) - kEpochDifference;
  return true;
}

// The zone's rules for `year`, as the system knows them for that year.
bool ZoneForYear(WORD year, TIME_ZONE_INFORMATION& tzi) {
  return GetTimeZoneInformationForYear(year, nullptr, &tzi) ||
         ::GetTimeZoneInformation(&tzi) != TIME_ZONE_ID_INVALID;
}

}  // namespace

bool GetTimeZoneInformation(TTimeZoneInformation& info, std::time_t instant) {
  info = TTimeZoneInformation{};
  SYSTEMTIME utc;
  if (!UnixToSystemTime(instant, utc)) return false;
  TIME_ZONE_INFORMATION tzi{};
  if (!ZoneForYear(utc.wYear, tzi)) return false;
  // Our figures fold the standard bias into Bias; a zone without daylight
  // time has none, whatever the system keeps in the field.
  info.Bias = tzi.Bias + tzi.StandardBias;
  if (tzi.DaylightDate.wMonth == 0 || tzi.DaylightBias == tzi.StandardBias) return false;
  info.DaylightBias = tzi.DaylightBias - tzi.StandardBias;
  SYSTEMTIME local;
  int64_t local_seconds = 0;
  if (!SystemTimeToTzSpecificLocalTime(&tzi, &utc, &local) || !SystemTimeToUnix(local, local_seconds))
    return false;
  const int64_t offset_minutes = (local_seconds - static_cast<int64_t>(instant)) / 60;
  return -offset_minutes == info.Bias + info.DaylightBias;
}

bool UnixToLocalTime(int64_t unix_seconds, TLocalTime& local) {
  SYSTEMTIME utc, st;
  TIME_ZONE_INFORMATION tzi{};
  if (!UnixToSystemTime(unix_seconds, utc) || !ZoneForYear(utc.wYear, tzi) ||
      !SystemTimeToTzSpecificLocalTime(&tzi, &utc, &st))
    return false;
  local.Year = st.wYear;
  local.Month = st.wMonth;
  local.Day = st.wDay;
  local.Hour = st.wHour;
  local.Minute = st.wMinute;
  local.Second = st.wSecond;
  return true;
}

int64_t LocalTimeToUnix(const TLocalTime& local) {
  SYSTEMTIME st{}, utc{};
  st.wYear = static_cast<WORD>(local.Year);
  st.wMonth = static_cast<WORD>(local.Month);
  st.wDay = static_cast<WORD>(local.Day);
  st.wHour = static_cast<WORD>(local.Hour);
  st.wMinute = static_cast<WORD>(local.Minute);
  st.wSecond = static_cast<WORD>(local.Second);
  TIME_ZONE_INFORMATION tzi{};
  int64_t result = 0;
  if (ZoneForYear(st.wYear, tzi) && TzSpecificLocalTimeToSystemTime(&tzi, &st, &utc) &&
      SystemTimeToUnix(utc, result))
    return result;
  SystemTimeToUnix(st, result);  // no zone known: take it as UTC
  return result;
}

void SetProcessTimeZone(const std::string& tz) {
  _putenv_s("TZ", tz.c_str());
  _tzset();
}

}  // namespace orlix
