#include "platform/time_zone.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orlix {
namespace {

// 2024-01-15 and 2024-07-15, 12:00 UTC.
constexpr std::time_t kWinter = 1705320000;
constexpr std::time_t kSummer = 1721044800;

struct ZoneCase {
  const char* tz;
  int32_t bias, daylight_bias;
  bool dst_in_january, dst_in_july;
};

// The offset recording dates carry: 15-minute units east of GMT.
int TimeZoneDiff(const TTimeZoneInformation& info, bool daylight) {
  int diff = -info.Bias / 15;
  if (daylight) diff += -info.DaylightBias / 15;
  return diff;
}

class TimeZone : public ::testing::Test {
 protected:
  void TearDown() override {
    SetCurrentUnixTimeOverride(false);
    SetProcessTimeZone("");
  }
  void Check(const ZoneCase& c) {
    SetProcessTimeZone(c.tz);
    TTimeZoneInformation info;
    EXPECT_EQ(GetTimeZoneInformation(info, kWinter), c.dst_in_january) << c.tz;
    EXPECT_EQ(info.Bias, c.bias) << c.tz;
    EXPECT_EQ(info.DaylightBias, c.daylight_bias) << c.tz;
    EXPECT_EQ(info.StandardBias, 0);
    EXPECT_EQ(GetTimeZoneInformation(info, kSummer), c.dst_in_july) << c.tz;
  }
};

TEST_F(TimeZone, RulesWrittenOut) {
  Check({"CET-1CEST,M3.5.0,M10.5.0/3", -60, -60, false, true});
  Check({"EST5EDT,M3.2.0,M11.1.0", 300, -60, false, true});
  Check({"AEST-10AEDT,M10.1.0,M4.1.0/3", -600, -60, true, false});  // southern summer
  Check({"IST-5:30", -330, 0, false, false});
  Check({"UTC0", 0, 0, false, false});
}

TEST_F(TimeZone, FiguresRecordingDatesUseAndLocalTime) {
  TTimeZoneInformation info;
  SetProcessTimeZone("EST5EDT,M3.2.0,M11.1.0");
  EXPECT_EQ(TimeZoneDiff(info, GetTimeZoneInformation(info, kWinter)), -20);
  EXPECT_EQ(TimeZoneDiff(info, GetTimeZoneInformation(info, kSummer)), -16);
  SetProcessTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(TimeZoneDiff(info, GetTimeZoneInformation(info, kWinter)), 4);
  EXPECT_EQ(TimeZoneDiff(info, GetTimeZoneInformation(info, kSummer)), 8);
  SetCurrentUnixTimeOverride(true, kSummer);  // the current instant can be pinned
  EXPECT_TRUE(GetTimeZoneInformation(info));

  TLocalTime t;
  ASSERT_TRUE(UnixToLocalTime(kSummer, t));
  EXPECT_EQ(t.Year * 10000 + t.Month * 100 + t.Day, 20240715);
  EXPECT_EQ(t.Hour, 14);
  EXPECT_EQ(LocalTimeToUnix(t), kSummer);
}

TEST_F(TimeZone, NamedZonesFromTheDatabase) {
  if (!std::filesystem::exists("/usr/share/zoneinfo/America/New_York")) GTEST_SKIP() << "no tz database";
  Check({"America/New_York", 300, -60, false, true});
  Check({"Asia/Tokyo", -540, 0, false, false});
  // Irish winter time is a negative saving in the database; reported the
  // Windows way round all the same.
  Check({"Europe/Dublin", 0, -60, false, true});
}

}  // namespace
}  // namespace orlix
