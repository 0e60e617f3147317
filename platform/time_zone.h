// Time-zone facts for an instant, from the tz database (the TZ variable
// applies). Biases are in minutes, UTC = local time + bias, as on Windows.
#pragma once

#include <cstdint>
#include <ctime>

namespace orlix {

struct TTimeZoneInformation {
  int32_t Bias = 0;          // standard time: UTC - local, minutes
  int32_t StandardBias = 0;  // always 0
  int32_t DaylightBias = 0;  // extra bias while daylight time is in effect, usually -60
};

// Fills `info` for the zone in force at `instant` and returns true when
// daylight time is in effect then.
bool GetTimeZoneInformation(TTimeZoneInformation& info, std::time_t instant);
// The same for the current instant (tests can pin it with SetNowOverride).
bool GetTimeZoneInformation(TTimeZoneInformation& info);

}  // namespace orlix
