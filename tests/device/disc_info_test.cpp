// Medium type, status, sessions and block counts, with the fallbacks for
// drives that lack one command or another.
#include <gtest/gtest.h>

#include "device/device_state.h"
#include "framework/sleep.h"
#include "tests/device/scripted_drive.h"

namespace orlix::test {
namespace {

using D = ScriptedDrive;

class DiscFacts : public ::testing::Test {
 protected:
  void SetUp() override { SetSleepSpeedup(1000); }
  void TearDown() override { MediumIs = 0; }
  ScriptedDrive drive_;
};

TEST_F(DiscFacts, MediumTypeFromProfile) {
  ScriptedDevice device(drive_);
  const struct {
    uint16_t profile;
    uint8_t medium;
    const char* name;
  } cases[] = {{0x08, 1, "CD-ROM"}, {0x09, 2, "CD-R"},    {0x0A, 3, "CD-RW"},   {0x10, 4, "DVD-ROM"},
               {0x11, 5, "DVD-R"},  {0x12, 6, "DVD-RAM"}, {0x13, 7, "DVD-RW"},  {0x14, 7, "DVD-RW"},
               {0x1A, 9, "DVD+RW"}, {0x1B, 10, "DVD+R"},  {0x22, 13, "DDCD-RW"}};
  for (const auto& c : cases) {
    drive_.feature[0] = D::ConfigAnswer(c.profile);
    EXPECT_EQ(device.DiscType(), c.medium) << std::hex << c.profile;
    EXPECT_EQ(DiscTypeString[c.medium], c.name);
  }
  EXPECT_EQ(DiscTypeString[0], "UNKNOWN");
  EXPECT_EQ(DiscTypeString[8], "DVD-RW");
}

TEST_F(DiscFacts, MediumTypeFallbacksWithoutGetConfiguration) {
  ScriptedDevice device(drive_);
  drive_.toc[4] = D::AtipAnswer(0xC0, 79, 59, 74);
  EXPECT_EQ(device.DiscType(), 3);  // CD-RW
  drive_.toc[4] = D::AtipAnswer(0x80, 79, 59, 74);
  EXPECT_EQ(device.DiscType(), 2);  // CD-R
  drive_.toc[4] = D::AtipAnswer(0x00, 0, 0, 0);
  EXPECT_EQ(device.DiscType(), 1);  // pressed
  // The ATIP read is READ TOC format 4 in MSF.
  auto atip = drive_.Commands(0x43).back();
  EXPECT_EQ(atip.cdb[1] & 0x02, 0x02);
  EXPECT_EQ(atip.cdb[2], 4);

  drive_.toc.clear();
  drive_.answer[0x51] = D::DiscInfoAnswer(0, 0, true, 1, 1);
  EXPECT_EQ(device.DiscType(), 3);
  drive_.answer[0x51] = D::DiscInfoAnswer(0, 0, false, 1, 1);
  EXPECT_EQ(device.DiscType(), 2);
  drive_.answer.erase(0x51);
  EXPECT_EQ(device.DiscType(), 1);  // only ready
  drive_.fail[0x00] = kNoMedium;
  EXPECT_EQ(device.DiscType(), 0);

  // A profile nobody knows falls back the same way.
  drive_.feature[0] = D::ConfigAnswer(0x40);
  drive_.toc[4] = D::AtipAnswer(0xC0, 0, 0, 0);
  EXPECT_EQ(device.DiscType(), 3);
}

TEST_F(DiscFacts, StatusAndSessions) {
  ScriptedDevice device(drive_);
  EXPECT_EQ(device.DiscStatus(), -1);
  EXPECT_EQ(device.LastSessionStatus(), -1);
  EXPECT_EQ(device.SessionsOnDisc(), 0);

  // Two closed sessions and an empty third one open for writing.
  drive_.answer[0x51] = D::DiscInfoAnswer(1, 0, false, 3, 3);
  EXPECT_EQ(device.DiscStatus(), 1);
  EXPECT_EQ(device.LastSessionStatus(), 0);
  EXPECT_EQ(device.SessionsOnDisc(), 2);
  // Closed disc with two sessions.
  drive_.answer[0x51] = D::DiscInfoAnswer(2, 3, false, 2, 2);
  EXPECT_EQ(device.SessionsOnDisc(), 2);
  EXPECT_EQ(device.LastSessionStatus(), 3);
  // Empty disc: no sessions whatever the count says.
  drive_.answer[0x51] = D::DiscInfoAnswer(0, 0, false, 1, 1);
  EXPECT_EQ(device.SessionsOnDisc(), 0);
  // A drive that counts no session on an appendable disc must not wrap.
  drive_.answer[0x51] = D::DiscInfoAnswer(1, 0, false, 0, 1);
  EXPECT_EQ(device.SessionsOnDisc(), 0);
}

TEST_F(DiscFacts, ErasableFromDiscInformationElseFromTheMedium) {
  ScriptedDevice device(drive_);
  drive_.answer[0x51] = D::DiscInfoAnswer(2, 3, true, 1, 1);
  EXPECT_TRUE(device.Erasable());
  drive_.answer[0x51] = D::DiscInfoAnswer(2, 3, false, 1, 1);
  EXPECT_FALSE(device.Erasable());
  // Without READ DISC INFORMATION the medium decides.
  drive_.answer.erase(0x51);
  for (auto [profile, erasable] :
       {std::pair{0x12, true}, {0x13, true}, {0x1A, true}, {0x0A, false}, {0x1B, false}}) {
    drive_.feature[0] = D::ConfigAnswer(static_cast<uint16_t>(profile));
    EXPECT_EQ(device.Erasable(), erasable) << profile;
    EXPECT_EQ(MediumIs, MediumOfProfile(static_cast<uint16_t>(profile)));
  }
}

// A blank CD-R: 79:59:74 of ATIP, all of it free in the invisible track.
void BlankCdr(ScriptedDrive& d) {
  d.feature[0] = D::ConfigAnswer(0x09);
  d.toc[4] = D::AtipAnswer(0x80, 79, 59, 74);
  d.answer[0x51] = D::DiscInfoAnswer(0, 0, false, 1, 1);
  d.track[0xFF] = D::TrackAnswer(0, 0, 359849, 359849);
  d.current_page[0x05] = D::ModeAnswer(std::vector<uint8_t>(52, 0), false);
  d.current_page[0x05][8] = 0x05;
  d.current_page[0x05][9] = 0x32;
}

TEST_F(DiscFacts, BlankCdCounts) {
  BlankCdr(drive_);
  ScriptedDevice device(drive_);
  EXPECT_EQ(device.DiscStatus(), 0);
  EXPECT_EQ(device.SessionsOnDisc(), 0);
  EXPECT_EQ(device.FreeBlocksOnDisc(), 359849u);
  EXPECT_EQ(device.TotalBlocksOnDisc(), device.FreeBlocksOnDisc());
  EXPECT_EQ(device.UsedBlocksOnDisc(), 0u);
  // The free space is asked for with the page programmed for a closed disc,
  // and the finalize option is given back.
  EXPECT_FALSE(device.FinalizeDisc());
  auto select = drive_.Commands(0x55).back();
  EXPECT_EQ(select.out[8 + 3] & 0xC0, 0);
}

TEST_F(DiscFacts, AppendableCdCounts) {
  drive_.feature[0] = D::ConfigAnswer(0x0A);
  drive_.toc[4] = D::AtipAnswer(0xC0, 74, 30, 0);  // 335250 frames
  drive_.answer[0x51] = D::DiscInfoAnswer(1, 0, true, 2, 2);
  drive_.track[2] = D::TrackAnswer(20000, 20000, 300000, 300000);
  drive_.track[0xFF] = D::TrackAnswer(20000, 20000, 300000, 300000);
  ScriptedDevice device(drive_);
  EXPECT_EQ(device.SessionsOnDisc(), 1);
  EXPECT_EQ(device.UsedBlocksOnDisc(), 20000u);
  EXPECT_EQ(device.TotalBlocksOnDisc(), 335250u);
  EXPECT_EQ(device.FreeBlocksOnDisc(), 300000u);
  // A closed disc has nothing free.
  drive_.answer[0x51] = D::DiscInfoAnswer(2, 3, true, 2, 2);
  EXPECT_EQ(device.FreeBlocksOnDisc(), 0u);
}

TEST_F(DiscFacts, TotalWithoutAtipFromFormatCapacity) {
  drive_.feature[0] = D::ConfigAnswer(0x1A);
  drive_.answer[0x51] = D::DiscInfoAnswer(2, 3, true, 1, 1);
  drive_.answer[0x23] = D::FormatCapacityAnswer(2295104, 2, 2048);
  ScriptedDevice device(drive_);
  EXPECT_EQ(device.TotalBlocksOnDisc(), 2295104u);

  // The block count some drives give for media they cannot size is never a
  // total: the track decides, or nothing.
  drive_.answer[0x23] = D::FormatCapacityAnswer(0xFFFD0001, 2, 2048);
  EXPECT_EQ(device.TotalBlocksOnDisc(), 0u);
  drive_.track[1] = D::TrackAnswer(0, 0, 2295104, 2295104);
  EXPECT_EQ(device.TotalBlocksOnDisc(), 2295104u);
  drive_.track.clear();
  drive_.track[2] = D::TrackAnswer(100, 100, 5000, 5000);
  EXPECT_EQ(device.TotalBlocksOnDisc(), 5100u);

  // Without format capacities: the last session's track, else the used blocks.
  drive_.answer.erase(0x23);
  drive_.track.clear();
  drive_.track[1] = D::TrackAnswer(0, 0xFFFFFFFF, 0, 1234);
  EXPECT_EQ(device.TotalBlocksOnDisc(), 0u);
  drive_.track[1] = D::TrackAnswer(16, 0xFFFFFFFF, 4000, 1234);
  EXPECT_EQ(device.TotalBlocksOnDisc(), 4016u);
  drive_.track.clear();
  drive_.answer[0x25] = D::CapacityAnswer(77777, 2048);
  EXPECT_EQ(device.TotalBlocksOnDisc(), 77777u);
}

TEST_F(DiscFacts, UsedBlocksFallbacks) {
  drive_.answer[0x51] = D::DiscInfoAnswer(2, 3, false, 1, 1);
  ScriptedDevice device(drive_);
  // The first track without a valid next writable address: its size.
  drive_.track[2] = D::TrackAnswer(0, 0xFFFFFFFF, 0, 4321);
  EXPECT_EQ(device.UsedBlocksOnDisc(), 4321u);
  // No track information: READ CAPACITY, or the format capacity when the
  // last address is implausible.
  drive_.track.clear();
  drive_.answer[0x25] = D::CapacityAnswer(54321, 2048);
  EXPECT_EQ(device.UsedBlocksOnDisc(), 54321u);
  drive_.answer[0x25] = D::CapacityAnswer(0xFFFFFFFF, 2048);
  EXPECT_EQ(device.UsedBlocksOnDisc(), 0u);
  drive_.answer[0x23] = D::FormatCapacityAnswer(2295104, 2, 2048);
  EXPECT_EQ(device.UsedBlocksOnDisc(), 2295104u);
}

TEST_F(DiscFacts, SummaryOfAnAppendableCdRw) {
  drive_.feature[0] = D::ConfigAnswer(0x0A);
  drive_.toc[0] = std::vector<uint8_t>(20, 0);
  drive_.toc[1] = {0, 10, 1, 2};
  drive_.toc[4] = D::AtipAnswer(0xC0, 79, 59, 74);
  drive_.track[0xFF] = D::TrackAnswer(30000, 30150, 300000, 300000);
  drive_.answer[0x51] = D::DiscInfoAnswer(1, 0, true, 3, 3);
  ScriptedDevice device(drive_);
  const TDisc disc = device.GetDiscInformation();
  EXPECT_EQ(disc.Ready, 1);
  EXPECT_EQ(disc.FirstSession, 1);
  EXPECT_EQ(disc.LastSession, 2);
  EXPECT_EQ(disc.Profile, 0x0A);
  EXPECT_EQ(disc.Medium, "CD-RW");
  EXPECT_EQ(disc.Rewritable, 1);
  EXPECT_EQ(disc.Blocks, 30150u);
  EXPECT_EQ(disc.Capacity, 330150u);
  EXPECT_EQ(disc.BlockSize, 2048u);
  EXPECT_EQ(disc.Status, 1);
  EXPECT_EQ(disc.LastSessionState, 0);
}

TEST_F(DiscFacts, SummaryOfAClosedDvdWithoutDiscInformation) {
  drive_.feature[0] = D::ConfigAnswer(0x10);
  drive_.answer[0x25] = D::CapacityAnswer(2000000, 2048);
  ScriptedDevice device(drive_);
  TDisc disc = device.GetDiscInformation();
  EXPECT_EQ(disc.Medium, "DVD-ROM");
  EXPECT_EQ(disc.Rewritable, 0);
  EXPECT_EQ(disc.Blocks, 2000000u);
  EXPECT_EQ(disc.Capacity, 2000000u);
  EXPECT_EQ(disc.BlockSize, 2048u);

  // A DVD whose first track is full: what it holds is its size.
  drive_.answer.erase(0x25);
  drive_.track[1] = D::TrackAnswer(0, 0xFFFFFFFF, 0, 1500000);
  disc = device.GetDiscInformation();
  EXPECT_EQ(disc.Blocks, 1500000u);
  EXPECT_EQ(disc.Capacity, 1500000u);

  // Without GET CONFIGURATION and with a track 0: a pressed CD.
  drive_.feature.clear();
  drive_.track[0] = D::TrackAnswer(0, 0, 0, 0);
  drive_.answer[0x25] = D::CapacityAnswer(2000000, 2048);
  drive_.toc[0] = std::vector<uint8_t>(20, 0);
  disc = device.GetDiscInformation();
  EXPECT_EQ(disc.Medium, "CD-ROM");
  EXPECT_EQ(disc.Profile, 0);
  EXPECT_EQ(disc.Capacity, 2000000u);  // no ATIP: the capacity is the blocks
}

TEST_F(DiscFacts, SummaryOfAnEmptyDriveAfterOneWait) {
  drive_.fail[0x00] = kNoMedium;
  ScriptedDevice device(drive_);
  const TDisc disc = device.GetDiscInformation();
  EXPECT_EQ(disc.Ready, 0);
  EXPECT_EQ(disc.Medium, "");
  EXPECT_EQ(disc.Capacity, 0u);
  EXPECT_EQ(drive_.Commands(0x00).size(), 2u);  // asked, waited once, asked again
  EXPECT_EQ(drive_.Commands(0x51).size(), 1u);

  // Profiles nobody knows get question marks.
  bool rewritable = false;
  EXPECT_EQ(ProfileName(0x40, rewritable), "???????");
  EXPECT_EQ(ProfileName(0x03, rewritable), "MO Eraseable");
  EXPECT_TRUE(rewritable);
}

}  // namespace
}  // namespace orlix::test
