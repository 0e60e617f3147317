#include "framework/date_time.h"

#include <gtest/gtest.h>

#include "framework/exceptions.h"
#include "platform/time_zone.h"

namespace orlix {
namespace {

TEST(DateTime, KnownDaysAndRoundTrips) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  for (int year : {1, 1600, 1899, 1900, 2000, 2100, 9999})
    for (int month = 1; month <= 12; ++month)
      for (int day : {1, 28}) {
        uint16_t y, m, d;
        DecodeDate(EncodeDateTime(year, month, day, 13, 14, 15, 160), y, m, d);
        ASSERT_EQ(y * 10000 + m * 100 + d, year * 10000 + month * 100 + day);
      }
}

TEST(DateTime, TimesBeforeTheEpochDayAndRounding) {
  // Before 1899-12-30 the time still counts forwards from midnight.
  TDateTime v = EncodeDateTime(1899, 12, 29, 6, 0, 0);
  EXPECT_DOUBLE_EQ(v, -1.25);
  uint16_t y, mo, d, h, mi, s, ms;
  DecodeTime(v, h, mi, s, ms);
  EXPECT_EQ(h, 6);
  // A value a hair below midnight rounds to the next day, never to 24:00.
  v = EncodeDate(2001, 2, 28) + (86400000.0 - 0.2) / 86400000.0;
  DecodeDate(v, y, mo, d);
  DecodeTime(v, h, mi, s, ms);
  EXPECT_EQ(mo * 100 + d, 301);
  EXPECT_EQ(h + ms, 0);
}

TEST(DateTime, InvalidDatesAndTimes) {
  TDateTime out = 42;
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, out));
  const int bad_dates[][3] = {{2023, 2, 29}, {1900, 2, 29}, {0, 1, 1}, {2024, 13, 1}};
  for (auto& b : bad_dates) EXPECT_FALSE(TryEncodeDate(b[0], b[1], b[2], out)) << b[0] << "-" << b[1];
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, out));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, out));
  EXPECT_THROW(EncodeDate(2024, 4, 31), EConvertError);
}

TEST(FileDate, PacksUnpacksAndRefusesBadValues) {
  TDateTime v = EncodeDateTime(2024, 7, 15, 13, 45, 31);
  int32_t packed = DateTimeToFileDate(v);
  EXPECT_EQ(static_cast<uint32_t>(packed),
            (44u << 25) | (7u << 21) | (15u << 16) | (13u << 11) | (45u << 5) | 15u);
  TDateTime back;
  ASSERT_TRUE(TryFileDateToDateTime(packed, back));
  EXPECT_DOUBLE_EQ(back, EncodeDateTime(2024, 7, 15, 13, 45, 30));  // two-second steps
  // Years from 2044 set the sign bit of the packed value.
  ASSERT_TRUE(TryFileDateToDateTime(DateTimeToFileDate(EncodeDateTime(2107, 12, 31, 23, 59, 58)), back));
  EXPECT_DOUBLE_EQ(back, EncodeDateTime(2107, 12, 31, 23, 59, 58));
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(2108, 1, 1)), 0);

  const uint32_t good = (44u << 25) | (7u << 21) | (15u << 16);
  // Day 0, month 13, 30 February, hour 24, minute 60, second 60.
  for (uint32_t bad : {good & ~(31u << 16), good | (13u << 21), (44u << 25) | (2u << 21) | (30u << 16),
                       good | (24u << 11), good | (60u << 5), good | 30u})
    EXPECT_FALSE(TryFileDateToDateTime(static_cast<int32_t>(bad), back)) << std::hex << bad;
  EXPECT_THROW(FileDateToDateTime(0), EConvertError);
}

TEST(DateTime, UnixConversionsAndNowFollowTheLocalZone) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows takes the zone from the system; a process cannot set its own";
#endif
  SetProcessTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
  // 2024-01-15 12:00 UTC is 13:00 in winter, 2024-07-15 12:00 UTC 14:00 in summer.
  EXPECT_DOUBLE_EQ(UnixToDateTime(1705320000), EncodeDateTime(2024, 1, 15, 13, 0, 0));
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2024, 7, 15, 14, 0, 0)), 1721044800);
  // 02:30 on 2024-10-27 happens twice; the earlier (summer) instant is taken.
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2024, 10, 27, 2, 30, 0)), 1729989000);
  // 02:30 on 2024-03-31 does not exist; it is read as standard time.
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2024, 3, 31, 2, 30, 0)), 1711848600);

  TDateTime summer = EncodeDateTime(2024, 7, 1, 12, 0, 0);
  SetNowOverride(true, summer);
  EXPECT_DOUBLE_EQ(Now(), summer);
  TTimeZoneInformation info;
  EXPECT_TRUE(GetTimeZoneInformation(info));
  SetNowOverride(true, EncodeDateTime(2024, 1, 1, 12, 0, 0));
  EXPECT_FALSE(GetTimeZoneInformation(info));
  SetNowOverride(false);
  SetProcessTimeZone("");
}

}  // namespace
}  // namespace orlix
