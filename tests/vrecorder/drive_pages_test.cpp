// What the drive reports of itself for the loaded medium: speeds and
// abilities (page 2Ah), accepted write parameters (page 05h), features.
#include "tests/vrecorder/vrecorder_fixture.h"

namespace orlix::vrec_test {
namespace {

class DrivePages : public RecorderTest {
 protected:
  // Page 2Ah bytes from its page code on.
  Bytes Capabilities() {
    Bytes d;
    EXPECT_TRUE(drive_.ModeSense(0x2A, d).ok());
    return Bytes(d.begin() + 8, d.end());
  }
  Result SetSpeed(uint32_t kbps) { return drive_.None(Cdb(0xBB, 12).Put16(2, 0xFFFF).Put16(4, kbps)); }
};

TEST_F(DrivePages, SpeedsFollowTheMedium) {
  Load("profile=cd-r");
  Bytes p = Capabilities();
  EXPECT_EQ(p[0], 0x2A);
  EXPECT_EQ(p[3] & 0x37, 0x37);     // writes CD-R, CD-RW, DVD-R, DVD-RAM, test write
  EXPECT_EQ(Get16(&p[18]), 8467u);  // 48x
  EXPECT_EQ(Get16(&p[30]), 7u);     // write speed descriptors
  ASSERT_TRUE(SetSpeed(2).ok());
  EXPECT_EQ(Get16(&Capabilities()[20]), 706u) << "below the slowest speed: the slowest";
  ASSERT_TRUE(SetSpeed(5000).ok());
  EXPECT_EQ(Get16(&Capabilities()[20]), 4234u) << "the fastest not above the request";

  Load("profile=dvd+rw", "plus");
  EXPECT_EQ(Get16(&Capabilities()[18]), 11080u);  // 8x
  Load("profile=dvd-rom", "rom");
  EXPECT_EQ(Get16(&Capabilities()[18]), 0u) << "nothing to write on a pressed disc";
}

TEST_F(DrivePages, WriteTypesAcceptedAsByARealDrive) {
  const struct {
    const char* profile;
    uint8_t byte2, byte3, block_type;
    const char* expected;
  } cases[] = {
      // clang-format off
      {"cd-r", 0x01, 0x04, 0x08, "ok"},          {"cd-r", 0x02, 0x04, 0x00, "ok"},  // TAO, SAO
      {"cd-r", 0x03, 0x00, 0x01, "ok"},          {"cd-rw", 0x11, 0x04, 0x08, "ok"},  // raw P-Q, test
      {"cd-r", 0x03, 0x00, 0x08, "05/26/00"},    {"cd-r", 0x01, 0x04, 0x05, "05/26/00"},  // raw, reserved
      {"dvd-r", 0x03, 0x00, 0x01, "05/26/00"},   {"dvd-r", 0x30, 0xE5, 0x08, "ok"},  // no raw; incr test
      {"dvd+r", 0x22, 0xC4, 0x08, "ok"},         {"dvd+r", 0x32, 0xC4, 0x08, "05/26/00"},  // no simulation
      {"dvd+rw", 0x12, 0x04, 0x08, "05/26/00"},  {"dvd-ram", 0x03, 0x00, 0x01, "05/26/00"},
      {"dvd-rw", 0x60, 0xC5, 0x08, "ok"},
      // clang-format on
  };
  for (const auto& c : cases) {
    Load(std::string("profile=") + c.profile, c.profile);
    EXPECT_EQ(drive_.SetWriteParameters(c.byte2, c.byte3, c.block_type).Text(), c.expected)
        << c.profile << " " << int{c.byte2} << "/" << int{c.block_type};
  }
  Bytes page;
  ASSERT_TRUE(drive_.ModeSense(0x05, page).ok());
  EXPECT_EQ(Get16(&page[8 + 2]), 0x60C5u);
  EXPECT_EQ(drive_.ModeSense(0x05, page, 3).Text(), "05/39/00");
}

TEST_F(DrivePages, FeaturesFollowTheMedium) {
  Load("profile=dvd+rw");
  Bytes d = drive_.Query(Cdb(0x46, 10).Set(1, 2).Put16(2, 0x2A).Put16(7, 114), 114);
  EXPECT_EQ(Get16(&d[6]), 0x1Au);
  EXPECT_EQ(Get16(&d[8]), 0x2Au);
  EXPECT_EQ(d[10] & 0x01, 1);  // current
  d = drive_.Query(Cdb(0x46, 10).Set(1, 2).Put16(2, 0x2F).Put16(7, 114), 114);
  EXPECT_EQ(d[10] & 0x01, 0);

  d = drive_.Query(Cdb(0x46, 10).Set(1, 2).Put16(7, 114), 114);
  ASSERT_EQ(d[11], 40);  // ten profiles, the current one marked
  for (size_t at = 12; at < 52; at += 4) EXPECT_EQ(d[at + 2] & 1, Get16(&d[at]) == 0x1A ? 1 : 0) << at;

  d = drive_.Query(Cdb(0x46, 10).Set(1, 1).Put16(7, 1000), 1000);
  for (size_t at = 8; at + 4 <= 4 + Get32(&d[0]); at += 4 + d[at + 3])
    EXPECT_EQ(d[at + 2] & 0x01, 1) << "feature " << Get16(&d[at]) << " listed as current";
}

TEST_F(DrivePages, AtipOnlyOnRecordableCds) {
  Load("profile=cd-rw,blocks=359849");
  const Cdb read_atip = Cdb(0x43, 10).Set(1, 2).Set(2, 4).Put16(7, 26);
  Bytes atip = drive_.Query(read_atip, 26);
  EXPECT_EQ(atip[6] & 0xC0, 0xC0);                                         // recordable, rewritable
  EXPECT_EQ(Get32(&atip[11]) & 0xFFFFFF, (79u << 16) | (59u << 8) | 74u);  // lead-out at 79:59:74
  Load("profile=dvd-r", "dvd");
  EXPECT_EQ(drive_.In(read_atip, atip, 26).Text(), "05/24/00");
  EXPECT_EQ(drive_.Query(Cdb(0xAD, 12).Put16(8, 2052), 2052)[4] >> 4, 2);  // DVD-R book
}

}  // namespace
}  // namespace orlix::vrec_test
