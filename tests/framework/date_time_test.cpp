#include "framework/date_time.h"

#include <gtest/gtest.h>

#include "framework/exceptions.h"
#include "platform/time_zone.h"

namespace orlix {
namespace {

// Central European rules as a POSIX TZ string, so no tz database is needed.
constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

class PinnedZone : public ::testing::Test {
 protected:
  void SetUp() override { SetProcessTimeZone(kBerlin); }
  void TearDown() override {
    SetNowOverride(false);
    SetProcessTimeZone("");
  }
};

TEST(DateTime, KnownDaysAndRoundTrips) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  for (int year : {1, 1600, 1899, 1900, 1980, 2000, 2024, 2100, 9999})
    for (int month = 1; month <= 12; ++month)
      for (int day : {1, 28}) {
        uint16_t y, m, d;
        DecodeDate(EncodeDateTime(year, month, day, 13, 14, 15, 160), y, m, d);
        ASSERT_EQ(y, year);
        ASSERT_EQ(m, month);
        ASSERT_EQ(d, day);
      }
}

TEST(DateTime, TimesBeforeTheEpochDayAndRounding) {
  // Before 1899-12-30 the time still counts forwards from midnight.
  TDateTime v = EncodeDateTime(1899, 12, 29, 6, 0, 0);
  EXPECT_DOUBLE_EQ(v, -1.25);
  uint16_t y, mo, d, h, mi, s, ms;
  DecodeDate(v, y, mo, d);
  DecodeTime(v, h, mi, s, ms);
  EXPECT_EQ(d, 29);
  EXPECT_EQ(h, 6);
  // A value a hair below midnight rounds to the next day, never to 24:00.
  DecodeDate(EncodeDate(2001, 2, 28) + (86400000.0 - 0.2) / 86400000.0, y, mo, d);
  DecodeTime(EncodeDate(2001, 2, 28) + (86400000.0 - 0.2) / 86400000.0, h, mi, s, ms);
  EXPECT_EQ(mo, 3);
  EXPECT_EQ(d, 1);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(ms, 0);
}

TEST(DateTime, InvalidDatesAndTimes) {
  TDateTime out = 42;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, out));
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, out));
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, out));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, out));
  EXPECT_FALSE(TryEncodeDate(2024, 13, 1, out));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, out));
  EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, out));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, out));
  EXPECT_THROW(EncodeDate(2024, 4, 31), EConvertError);
  EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
}

TEST(FileDate, PacksAndUnpacks) {
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
}

TEST(FileDate, InvalidPackedValuesAreRefused) {
  const uint32_t good = (44u << 25) | (7u << 21) | (15u << 16);
  TDateTime out;
  EXPECT_FALSE(TryFileDateToDateTime(0, out));                                       // month 0, day 0
  EXPECT_FALSE(TryFileDateToDateTime(good & ~(31u << 16), out));                     // day 0
  EXPECT_FALSE(TryFileDateToDateTime(good | (13u << 21), out));                      // month 13
  EXPECT_FALSE(TryFileDateToDateTime((44u << 25) | (2u << 21) | (30u << 16), out));  // 30 February
  EXPECT_FALSE(TryFileDateToDateTime(good | (24u << 11), out));                      // hour 24
  EXPECT_FALSE(TryFileDateToDateTime(good | (60u << 5), out));                       // minute 60
  EXPECT_FALSE(TryFileDateToDateTime(good | 30u, out));                              // second 60
  EXPECT_THROW(FileDateToDateTime(0), EConvertError);
  EXPECT_TRUE(TryFileDateToDateTime(static_cast<int32_t>(good), out));
}

TEST_F(PinnedZone, UnixConversionsUseTheLocalZone) {
  // 2024-01-15 12:00 UTC is 13:00 in winter, 2024-07-15 12:00 UTC 14:00 in summer.
  EXPECT_DOUBLE_EQ(UnixToDateTime(1705320000), EncodeDateTime(2024, 1, 15, 13, 0, 0));
  EXPECT_DOUBLE_EQ(UnixToDateTime(1721044800), EncodeDateTime(2024, 7, 15, 14, 0, 0));
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2024, 1, 15, 13, 0, 0)), 1705320000);
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2024, 7, 15, 14, 0, 0)), 1721044800);
  // 02:30 on 2024-10-27 happens twice; the earlier (summer) instant is taken.
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2024, 10, 27, 2, 30, 0)), 1729989000);
  // 02:30 on 2024-03-31 does not exist; it is read as standard time.
  EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2024, 3, 31, 2, 30, 0)), 1711848600);
}

TEST_F(PinnedZone, NowCanBePinnedAndTheZoneFollows) {
  TDateTime summer = EncodeDateTime(2024, 7, 1, 12, 0, 0);
  SetNowOverride(true, summer);
  EXPECT_DOUBLE_EQ(Now(), summer);
  TTimeZoneInformation info;
  EXPECT_TRUE(GetTimeZoneInformation(info));
  SetNowOverride(true, EncodeDateTime(2024, 1, 1, 12, 0, 0));
  EXPECT_FALSE(GetTimeZoneInformation(info));
  EXPECT_EQ(info.Bias, -60);
  SetNowOverride(false);
  EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
}

}  // namespace
}  // namespace orlix
