// Time-zone facts for an instant, from the tz database (the TZ variable
// applies). Biases are in minutes, UTC = local time + bias, as on Windows.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace orlix {

struct TTimeZoneInformation {
  int32_t Bias = 0;          // standard time: UTC - local, minutes
  int32_t StandardBias = 0;  // always 0
  int32_t DaylightBias = 0;  // extra bias while daylight time is in effect, usually -60
};

// Fills `info` for the zone in force at `instant` and returns true when
// daylight time is in effect then. A zone without daylight time around the
// instant has DaylightBias 0.
bool GetTimeZoneInformation(TTimeZoneInformation& info, std::time_t instant);
// The same for the current instant (tests can pin it with SetNowOverride).
bool GetTimeZoneInformation(TTimeZoneInformation& info);

// Broken-down local calendar time (month and day from 1).
struct TLocalTime {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

// False when the instant cannot be expressed in local time.
bool UnixToLocalTime(int64_t unix_seconds, TLocalTime& local);
// A local time that falls into a skipped hour is taken as standard time; one
// that occurs twice is taken as the earlier instant.
int64_t LocalTimeToUnix(const TLocalTime& local);

// Makes `tz` (a tz database name such as "Europe/Berlin", or a POSIX TZ
// string) the process's local zone; empty restores the system's zone. On
// Windows only the C runtime follows; the system's zone stays in force.
void SetProcessTimeZone(const std::string& tz);

// Seconds since the Unix epoch now, or the pinned instant.
int64_t CurrentUnixTime();
// Pins the instant CurrentUnixTime and GetTimeZoneInformation(info) use; the
// framework's SetNowOverride forwards here.
void SetCurrentUnixTimeOverride(bool enabled, int64_t unix_seconds = 0);

}  // namespace orlix
