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
    EXPECT_EQ(d[8], 0x2A);
    return Bytes(d.begin() + 8, d.end());
  }
};

TEST_F(DrivePages, SpeedsFollowTheMedium) {
  Load("profile=cd-r");
  Bytes p = Capabilities();
  EXPECT_EQ(p[3] & 0x37, 0x37);     // writes CD-R, CD-RW, DVD-R, DVD-RAM, test write
  EXPECT_EQ(Get16(&p[18]), 8467u);  // 48x
  EXPECT_EQ(Get16(&p[30]), 7u);     // write speed descriptors

  ASSERT_TRUE(drive_.None(Cdb(0xBB, 12).Put16(2, 0xFFFF).Put16(4, 2)).ok());
  EXPECT_EQ(Get16(&Capabilities()[20]), 706u) << "below the slowest speed: the slowest";
  ASSERT_TRUE(drive_.None(Cdb(0xBB, 12).Put16(2, 0xFFFF).Put16(4, 5000)).ok());
  EXPECT_EQ(Get16(&Capabilities()[20]), 4234u) << "the fastest not above the request";

  Load("profile=dvd+rw", "plus");
  p = Capabilities();
  EXPECT_EQ(Get16(&p[18]), 11080u);  // 8x
  EXPECT_EQ(Get16(&p[8]), 16620u);

  Load("profile=dvd-rom", "rom");
  EXPECT_EQ(Get16(&Capabilities()[18]), 0u) << "nothing to write on a pressed disc";
}

TEST_F(DrivePages, WriteTypesAcceptedAsByARealDrive) {
  struct Case {
    const char* profile;
    uint8_t byte2, byte3, block_type;
    const char* expected;
  };
  const Case cases[] = {
      {"cd-r", 0x01, 0x04, 0x08, "ok"},         // track-at-once
      {"cd-r", 0x02, 0x04, 0x00, "ok"},         // session-at-once
      {"cd-r", 0x03, 0x00, 0x01, "ok"},         // raw with P-Q sub-channel
      {"cd-r", 0x03, 0x00, 0x08, "05/26/00"},   // raw needs raw blocks
      {"cd-rw", 0x11, 0x04, 0x08, "ok"},        // test write
      {"cd-r", 0x01, 0x04, 0x05, "05/26/00"},   // reserved block type
      {"dvd-r", 0x03, 0x00, 0x01, "05/26/00"},  // no raw on DVD
      {"dvd-r", 0x02, 0x00, 0x00, "ok"},
      {"dvd-r", 0x01, 0x00, 0x00, "ok"},
      {"dvd-r", 0x30, 0xE5, 0x08, "ok"},  // incremental, test write
      {"dvd+r", 0x22, 0xC4, 0x08, "ok"},
      {"dvd+r", 0x32, 0xC4, 0x08, "05/26/00"},  // DVD+R cannot simulate
      {"dvd+rw", 0x12, 0x04, 0x08, "05/26/00"},
      {"dvd-ram", 0x03, 0x00, 0x01, "05/26/00"},
      {"dvd-rw", 0x60, 0xC5, 0x08, "ok"},
  };
  for (const Case& c : cases) {
    Load(std::string("profile=") + c.profile, c.profile);
    EXPECT_EQ(drive_.SetWriteParameters(c.byte2, c.byte3, c.block_type).Text(), c.expected)
        << c.profile << " " << int{c.byte2} << "/" << int{c.block_type};
  }
  Bytes page;
  ASSERT_TRUE(drive_.ModeSense(0x05, page).ok());
  EXPECT_EQ(page[8 + 2], 0x60);
  EXPECT_EQ(page[8 + 3], 0xC5);
  EXPECT_EQ(drive_.ModeSense(0x05, page, 3).Text(), "05/39/00");
}

TEST_F(DrivePages, VendorPageOnlyWhenConfigured) {
  Load("profile=cd-r");
  Bytes page;
  EXPECT_EQ(drive_.ModeSense(0x30, page).Text(), "05/24/00");
  Load("page30=1", "disc");
  ASSERT_TRUE(drive_.ModeSense(0x30, page).ok());
  EXPECT_EQ(page[8], 0x30);
}

TEST_F(DrivePages, FeaturesFollowTheMedium) {
  Load("profile=dvd+rw");
  Bytes d;
  ASSERT_TRUE(drive_.In(Cdb(0x46, 10).Set(1, 2).Put16(2, 0x2A).Put16(7, 114), d, 114).ok());
  EXPECT_EQ(Get16(&d[6]), 0x1Au);
  EXPECT_EQ(Get16(&d[8]), 0x2Au);
  EXPECT_EQ(d[10] & 0x01, 1);  // current
  EXPECT_EQ(d[12], 1);         // can write
  ASSERT_TRUE(drive_.In(Cdb(0x46, 10).Set(1, 2).Put16(2, 0x2F).Put16(7, 114), d, 114).ok());
  EXPECT_EQ(Get16(&d[8]), 0x2Fu);
  EXPECT_EQ(d[10] & 0x01, 0);

  ASSERT_TRUE(drive_.In(Cdb(0x46, 10).Set(1, 2).Put16(7, 114), d, 114).ok());
  ASSERT_EQ(Get16(&d[8]), 0x0000u);
  const size_t profiles = d[11] / 4;
  EXPECT_EQ(profiles, 10u);
  int current = 0;
  for (size_t i = 0; i < profiles; ++i)
    if (d[12 + 4 * i + 2] & 1) {
      ++current;
      EXPECT_EQ(Get16(&d[12 + 4 * i]), 0x1Au);
    }
  EXPECT_EQ(current, 1);

  Bytes all;
  ASSERT_TRUE(drive_.In(Cdb(0x46, 10).Set(1, 1).Put16(7, 1000), all, 1000).ok());
  for (size_t at = 8; at + 4 <= 4 + Get32(&all[0]); at += 4 + all[at + 3])
    EXPECT_EQ(all[at + 2] & 0x01, 1) << "feature " << Get16(&all[at]) << " listed as current";
}

TEST_F(DrivePages, AtipOnlyOnRecordableCds) {
  Load("profile=cd-rw,blocks=359849");
  Bytes atip;
  ASSERT_TRUE(drive_.In(Cdb(0x43, 10).Set(1, 2).Set(2, 4).Put16(7, 26), atip, 26).ok());
  EXPECT_EQ(atip[6] & 0xC0, 0xC0);  // recordable, rewritable
  EXPECT_EQ(atip[12], 79);          // lead-out at 79:59:74
  EXPECT_EQ(atip[13], 59);
  EXPECT_EQ(atip[14], 74);
  Load("profile=dvd-r", "dvd");
  EXPECT_EQ(drive_.In(Cdb(0x43, 10).Set(1, 2).Set(2, 4).Put16(7, 26), atip, 26).Text(), "05/24/00");
  Bytes physical;
  ASSERT_TRUE(drive_.In(Cdb(0xAD, 12).Put16(8, 2052), physical, 2052).ok());
  EXPECT_EQ(physical[4] >> 4, 2);  // DVD-R book
}

}  // namespace
}  // namespace orlix::vrec_test
