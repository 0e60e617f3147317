// Medium type, status, sessions and block counts, with the fallbacks for
// drives that lack one command or another.
#include <gtest/gtest.h>

#include "device/device_state.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {
namespace {

class DiscFacts : public ::testing::Test {
 protected:
  void SetUp() override { SetSleepSpeedup(1000); }
  void TearDown() override { MediumIs = 0; }
  ScriptedDrive drive_;
  ScriptedDevice device_{drive_};
};

TEST_F(DiscFacts, MediumType) {
  for (auto [profile, medium] : {std::pair{0x0A, 3}, {0x14, 7}, {0x1A, 9}, {0x1B, 10}, {0x22, 13}}) {
    drive_.feature[0] = ConfigAnswer(static_cast<uint16_t>(profile));
    EXPECT_EQ(device_.DiscType(), medium) << profile;
  }
  // With a profile nobody knows (or no GET CONFIGURATION): the ATIP, then the
  // erasable bit, then readiness.
  drive_.feature[0] = ConfigAnswer(0x40);
  for (auto [disc_type, medium] : {std::pair{0xC0, 3}, {0x80, 2}, {0x00, 1}}) {
    drive_.toc[4] = AtipAnswer(static_cast<uint8_t>(disc_type));
    EXPECT_EQ(device_.DiscType(), medium) << disc_type;
  }
  drive_.toc.clear();
  drive_.reply[0x51] = DiscInfoAnswer(0, 0, true, 1, 1);
  EXPECT_EQ(device_.DiscType(), 3);
  drive_.reply.erase(0x51);
  drive_.fail[0x00] = {0x02, 0x3A, 0x00};
  EXPECT_EQ(device_.DiscType(), 0);
}

TEST_F(DiscFacts, StatusSessionsAndErasable) {
  EXPECT_EQ(std::tuple(device_.DiscStatus(), device_.SessionsOnDisc()), std::tuple(-1, 0));
  // Two closed sessions and an empty third one open for writing.
  drive_.reply[0x51] = DiscInfoAnswer(1, 0, true, 3, 3);
  EXPECT_EQ(std::tuple(device_.DiscStatus(), device_.LastSessionStatus(), device_.SessionsOnDisc(),
                       device_.Erasable()),
            std::tuple(1, 0, 2, true));
  // A drive that counts no session on an appendable disc must not wrap.
  drive_.reply[0x51] = DiscInfoAnswer(1, 0, false, 0, 1);
  EXPECT_EQ(std::tuple(device_.SessionsOnDisc(), device_.Erasable()), std::tuple(0, false));
  // Without READ DISC INFORMATION the medium decides.
  drive_.reply.erase(0x51);
  for (auto [profile, erasable] : {std::pair{0x12, true}, {0x13, true}, {0x0A, false}}) {
    drive_.feature[0] = ConfigAnswer(static_cast<uint16_t>(profile));
    EXPECT_EQ(device_.Erasable(), erasable) << profile;
  }
}

TEST_F(DiscFacts, BlockCounts) {
  // A blank CD-R.
  drive_.feature[0] = ConfigAnswer(0x09);
  drive_.toc[4] = AtipAnswer(0x80);
  drive_.reply[0x51] = DiscInfoAnswer(0, 0, false, 1, 1);
  drive_.track[0xFF] = TrackAnswer(0, 0, 359849, 359849);
  drive_.page[0x05] = ModeAnswer(Answer(52, {{0, 0x05}, {1, 0x32}}), false);
  EXPECT_EQ(device_.FreeBlocksOnDisc(), 359849u);
  // Free space is asked for with the page set for a closed disc.
  EXPECT_EQ(drive_.Commands(0x55).back().out[8 + 3] & 0xC0, 0);
  EXPECT_FALSE(device_.FinalizeDisc());
  EXPECT_EQ(std::tuple(device_.TotalBlocksOnDisc(), device_.UsedBlocksOnDisc()), std::tuple(359849u, 0u));

  // One closed session: the total from the ATIP lead-out.
  drive_.reply[0x51] = DiscInfoAnswer(1, 0, false, 2, 2);
  drive_.track[2] = TrackAnswer(20000, 20000, 300000, 300000);
  EXPECT_EQ(std::tuple(device_.UsedBlocksOnDisc(), device_.TotalBlocksOnDisc()), std::tuple(20000u, 359999u));
  drive_.reply[0x51] = DiscInfoAnswer(2, 3, false, 2, 2);
  EXPECT_EQ(device_.FreeBlocksOnDisc(), 0u);

  // No ATIP: the format capacity, but never the count some drives give for
  // media they cannot size; then the last session's track (start + free).
  drive_.toc.clear();
  drive_.reply[0x23] = Answer(12, {{8, 2}, {10, 0x08}}, {{4, 0xFFFD0001}});
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 320000u);
  drive_.track.clear();
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 0u);
  drive_.reply[0x23] = Answer(12, {{8, 2}, {10, 0x08}}, {{4, 2295104}});
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 2295104u);

  // Used blocks without track information: READ CAPACITY, or the format
  // capacity when the last address is implausible.
  drive_.reply[0x25] = Answer(8, {}, {{0, 0xFFFFFFFF}, {4, 2048}});
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 2295104u);
  drive_.reply[0x25] = Answer(8, {}, {{0, 54321}, {4, 2048}});
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 54321u);
  // A full track has no valid next writable address: its size is used.
  drive_.track[3] = TrackAnswer(0, 0xFFFFFFFF, 0, 4321);
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 4321u);
}

TEST_F(DiscFacts, Summary) {
  // An appendable CD-RW.
  drive_.feature[0] = ConfigAnswer(0x0A);
  drive_.toc[0] = Bytes(20, 0);
  drive_.toc[1] = {0, 10, 1, 2};
  drive_.toc[4] = AtipAnswer(0xC0);
  drive_.track[0xFF] = TrackAnswer(30000, 30150, 300000, 300000);
  drive_.reply[0x51] = DiscInfoAnswer(1, 0, true, 3, 3);
  TDisc d = device_.GetDiscInformation();
  EXPECT_EQ(std::tuple(d.Ready, d.FirstSession, d.LastSession, d.Medium, d.Rewritable, d.Status, d.Blocks,
                       d.Capacity),
            std::tuple(1, 1, 2, "CD-RW", 1, 1, 30150u, 330150u));

  // A pressed DVD behind a drive without READ DISC INFORMATION: READ CAPACITY;
  // without that, the size of a full first track.
  drive_.reply.clear(), drive_.toc.clear(), drive_.track.clear();
  drive_.feature[0] = ConfigAnswer(0x10);
  drive_.reply[0x25] = Answer(8, {}, {{0, 2000000}, {4, 2048}});
  d = device_.GetDiscInformation();
  EXPECT_EQ(std::tuple(d.Medium, d.Capacity), std::tuple("DVD-ROM", 2000000u));
  drive_.reply.erase(0x25);
  drive_.track[1] = TrackAnswer(0, 0xFFFFFFFF, 0, 1500000);
  EXPECT_EQ(device_.GetDiscInformation().Capacity, 1500000u);

  // An empty drive: not ready after one more wait.
  drive_.fail[0x00] = {0x02, 0x3A, 0x00};
  drive_.Clear();
  d = device_.GetDiscInformation();
  EXPECT_EQ(d.Ready, 0);
  EXPECT_EQ(d.Medium, "");
  EXPECT_GE(drive_.Commands(0x00).size(), 2u);  // asked again after the wait
}

}  // namespace
}  // namespace orlix::test
