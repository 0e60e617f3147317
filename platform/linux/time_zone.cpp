// Time-zone figures from the tz database through localtime_r. Windows reports
// a standard bias and a daylight bias for the zone; the tz database only
// tells the offset in force at an instant, so the other offset is found by
// probing the days around the instant.
#include "platform/time_zone.h"

#include <stdlib.h>
#include <time.h>

namespace orlix {
namespace {

bool Local(time_t t, tm& out) { return localtime_r(&t, &out) != nullptr; }

// Offset of the nearest day within half a year whose daylight flag equals
// `dst`; false when there is none.
bool NearestOffset(time_t instant, bool dst, long& offset) {
  for (int k = 1; k <= 184; ++k) {
    for (int sign : {-1, 1}) {
      tm t{};
      if (Local(instant + sign * static_cast<time_t>(k) * 86400, t) && (t.tm_isdst > 0) == dst) {
        offset = t.tm_gmtoff;
        return true;
      }
    }
  }
  return false;
}

}  // namespace

bool GetTimeZoneInformation(TTimeZoneInformation& info, std::time_t instant) {
  info = TTimeZoneInformation{};
  tm now{};
  if (!Local(instant, now)) return false;
  bool in_dst = now.tm_isdst > 0;
  long std_offset = now.tm_gmtoff, dst_offset = now.tm_gmtoff;
  bool has_other =
      in_dst ? NearestOffset(instant, false, std_offset) : NearestOffset(instant, true, dst_offset);
  if (!has_other) {
    // No change of offset around the instant: standard time all year.
    info.Bias = static_cast<int32_t>(-now.tm_gmtoff / 60);
    return false;
  }
  // Some zones mark winter as their daylight time (a negative saving); Windows
  // calls the smaller offset standard time, so do the same.
  if (dst_offset < std_offset) {
    std::swap(dst_offset, std_offset);
    in_dst = !in_dst;
  }
  info.Bias = static_cast<int32_t>(-std_offset / 60);
  info.DaylightBias = static_cast<int32_t>(-(dst_offset - std_offset) / 60);
  return in_dst;
}

bool UnixToLocalTime(int64_t unix_seconds, TLocalTime& local) {
  tm t{};
  if (!Local(static_cast<time_t>(unix_seconds), t)) return false;
  local.Year = t.tm_year + 1900;
  local.Month = t.tm_mon + 1;
  local.Day = t.tm_mday;
  local.Hour = t.tm_hour;
  local.Minute = t.tm_min;
  local.Second = t.tm_sec;
  return true;
}

int64_t LocalTimeToUnix(const TLocalTime& local) {
  tm fields{};
  fields.tm_year = local.Year - 1900;
  fields.tm_mon = local.Month - 1;
  fields.tm_mday = local.Day;
  fields.tm_hour = local.Hour;
  fields.tm_min = local.Minute;
  fields.tm_sec = local.Second;
  const time_t as_utc = timegm(&fields);
  // Try each offset in force near that time; keep the earliest instant whose
  // local time reads back the same.
  bool found = false;
  time_t best = 0, standard = as_utc;
  bool have_standard = false;
  for (time_t probe : {as_utc - 86400, as_utc, as_utc + 86400}) {
    tm near{};
    if (!Local(probe, near)) continue;
    time_t candidate = as_utc - near.tm_gmtoff;
    tm back{};
    if (!Local(candidate, back)) continue;
    if (!have_standard && near.tm_isdst <= 0) {
      standard = candidate;
      have_standard = true;
    }
    if (back.tm_year == fields.tm_year && back.tm_mon == fields.tm_mon && back.tm_mday == fields.tm_mday &&
        back.tm_hour == fields.tm_hour && back.tm_min == fields.tm_min && back.tm_sec == fields.tm_sec) {
      if (!found || candidate < best) best = candidate;
      found = true;
    }
  }
  return found ? best : standard;
}

void SetProcessTimeZone(const std::string& tz) {
  if (tz.empty())
    unsetenv("TZ");
  else
    setenv("TZ", tz.c_str(), 1);
  // localtime_r reads TZ only once unless told again.
  tzset();
}

}  // namespace orlix
