// The system's zone rules as the library reads them: the biases must agree
// with the local times the system itself gives for the same instants.
#include <cstdint>

#include "platform/time_zone.h"
#include "tests/windows/windows_support.h"

namespace orlix::windows_test {
namespace {

// Seconds since the epoch of a calendar time taken as UTC (days from the
// civil date, proleptic Gregorian), independent of any zone.
int64_t CalendarSeconds(const TLocalTime& l) {
  const int y = l.Year - (l.Month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (l.Month + (l.Month > 2 ? -3 : 9)) + 2) / 5 + l.Day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days = static_cast<int64_t>(era) * 146097 + doe - 719468;
  return days * 86400 + l.Hour * 3600 + l.Minute * 60 + l.Second;
}

// Minutes from UTC to the local time the system gives for `t`.
int LocalMinusUtcMinutes(int64_t t) {
  TLocalTime local;
  EXPECT_TRUE(UnixToLocalTime(t, local));
  return static_cast<int>((CalendarSeconds(local) - t) / 60);
}

TEST(WindowsTimeZone, BiasesAgreeWithTheSystemsLocalTimes) {
  const int64_t winter = 1705320000;  // 2024-01-15 12:00 UTC
  const int64_t summer = 1721044800;  // 2024-07-15 12:00 UTC
  bool any_daylight = false;
  for (int64_t t : {winter, summer}) {
    TTimeZoneInformation info;
    const bool daylight = GetTimeZoneInformation(info, t);
    any_daylight |= daylight;
    EXPECT_EQ(info.StandardBias, 0);
    const int expected = -(info.Bias + (daylight ? info.DaylightBias : 0));
    EXPECT_EQ(LocalMinusUtcMinutes(t), expected) << "at " << t;
    // Noon is never in a skipped or repeated hour.
    TLocalTime local;
    ASSERT_TRUE(UnixToLocalTime(t, local));
    EXPECT_EQ(LocalTimeToUnix(local), t);
  }
  TTimeZoneInformation info;
  GetTimeZoneInformation(info, winter);
  if (any_daylight) {
    EXPECT_NE(info.DaylightBias, 0);
  } else {
    EXPECT_EQ(info.DaylightBias, 0) << "a zone without daylight time has no daylight bias";
  }
}

TEST(WindowsTimeZone, InstantsOutsideTheSystemsRangeAreRefused) {
  TLocalTime local;
  EXPECT_FALSE(UnixToLocalTime(INT64_MAX, local));
  EXPECT_FALSE(UnixToLocalTime(INT64_MIN, local));
  EXPECT_FALSE(UnixToLocalTime(-11644473601LL, local));  // before 1601
  TTimeZoneInformation info;
  EXPECT_FALSE(GetTimeZoneInformation(info, static_cast<std::time_t>(INT64_MAX)));
}

}  // namespace
}  // namespace orlix::windows_test
