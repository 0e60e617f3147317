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
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 359849u);
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 0u);

  // One closed session: the total is the address of the ATIP's lead-out
  // (79:59:74 is block 359849), as the blank disc's free space said.
  drive_.reply[0x51] = DiscInfoAnswer(1, 0, false, 2, 2);
  drive_.track[2] = TrackAnswer(20000, 20000, 300000, 300000);
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 20000u);
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 359849u);
  drive_.reply[0x51] = DiscInfoAnswer(2, 3, false, 2, 2);
  EXPECT_EQ(device_.FreeBlocksOnDisc(), 0u);

  // No ATIP on a DVD: the format capacity, but never the count some drives
  // give for media they cannot size; then the last session's track (start +
  // free).
  drive_.feature[0] = ConfigAnswer(0x11);
  drive_.toc.clear();
  drive_.reply[0x51] = DiscInfoAnswer(1, 0, false, 2, 2);
  drive_.reply[0x23] = Answer(12, {{8, 2}, {10, 0x08}}, {{4, 0xFFFD0001}});
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 320000u);
  drive_.reply[0x23] = Answer(12, {{8, 2}, {10, 0x08}}, {{4, 2295104}});
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 2295104u);

  // Used blocks without track information: READ CAPACITY gives the address
  // of the last block, one fewer than the blocks; the format capacity when
  // that address is none.
  drive_.track.clear();
  drive_.reply[0x25] = Answer(8, {}, {{0, 0xFFFFFFFF}, {4, 2048}});
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 2295104u);
  drive_.reply[0x25] = Answer(8, {}, {{0, 54321}, {4, 2048}});
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 54322u);
  // A full track has no valid next writable address: its size is used.
  drive_.track[2] = TrackAnswer(0, 0xFFFFFFFF, 0, 4321);
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 4321u);
}

// A pressed disc in a drive that knows neither track information nor format
// capacities: READ CAPACITY alone sizes it.
TEST_F(DiscFacts, PressedDiscSizedByReadCapacity) {
  drive_.feature[0] = ConfigAnswer(0x08);
  drive_.reply[0x51] = DiscInfoAnswer(2, 3, false, 1, 1);
  drive_.reply[0x25] = Answer(8, {}, {{0, 383}, {4, 2048}});
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 384u);
  EXPECT_EQ(device_.FreeBlocksOnDisc(), 0u);
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 384u);
  // Without disc information the summary takes its blocks from there too.
  drive_.reply.erase(0x51);
  drive_.toc[0] = Bytes(20, 0);
  EXPECT_EQ(device_.GetDiscInformation().Blocks, 384u);
  EXPECT_EQ(device_.GetDiscInformation().Capacity, 384u);
}

// Answers to READ TOC format 4 that are no ATIP are not taken for one.
TEST_F(DiscFacts, AtipAnswerChecked) {
  drive_.feature[0] = ConfigAnswer(0x08);
  drive_.reply[0x51] = DiscInfoAnswer(2, 3, false, 1, 1);
  drive_.reply[0x25] = Answer(8, {}, {{0, 427}, {4, 2048}});
  // What one drive sends: its table of contents (track 1 at 00:02:00, the
  // lead-out at 00:07:53), whose entries read as 00:22:170.
  drive_.toc[4] = {0x00, 0x12, 0x01, 0x01, 0x00, 0x14, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
                   0x16, 0xAA, 0x00, 0x00, 0x00, 0x07, 0x35, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 428u);
  drive_.toc[0] = Bytes(20, 0);
  EXPECT_EQ(device_.GetDiscInformation().Capacity, 0u);  // nothing else sizes it here
  // Nor does its first byte of "ATIP" make a medium when the profile is
  // unknown: the disc information decides.
  drive_.feature[0] = ConfigAnswer(0x40);
  EXPECT_EQ(device_.DiscType(), kMediumCDR);

  struct Broken {
    const char* what;
    size_t at;
    uint8_t value;
  };
  for (const Broken& b : {Broken{"seconds", 13, 60},
                          {"frames", 14, 75},
                          {"lead-in frames", 10, 80},
                          {"reserved header", 2, 1},
                          {"length", 1, 10}}) {
    SCOPED_TRACE(b.what);
    drive_.toc[4] = AtipAnswer(0x80);
    drive_.toc[4][b.at] = b.value;
    EXPECT_EQ(device_.TotalBlocksOnDisc(), 428u);
  }
  // A sound ATIP on a complete disc whose lead-out lies past the last block
  // that reads is not the disc's end either.
  drive_.toc[4] = AtipAnswer(0x80);
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 428u);
  // On an appendable one it is.
  drive_.reply[0x51] = DiscInfoAnswer(1, 0, false, 2, 2);
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 359849u);
}

// Counts beyond what the medium can hold, or zero where the disc holds
// blocks, are answers that failed.
TEST_F(DiscFacts, CountsOutsideTheMediumAreRefused) {
  drive_.feature[0] = ConfigAnswer(0x08);  // a CD: at most 449849 blocks
  drive_.reply[0x51] = DiscInfoAnswer(2, 3, false, 1, 1);
  drive_.reply[0x25] = Answer(8, {}, {{0, 299999}, {4, 2048}});
  drive_.reply[0x23] = Answer(12, {{8, 2}, {10, 0x08}}, {{4, 2295104}});
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 300000u);
  drive_.reply[0x23] = Answer(12, {{8, 2}, {10, 0x08}}, {{4, 0}});
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 300000u);
  drive_.reply[0x25] = Answer(8, {}, {{0, 449849}, {4, 2048}});
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 0u);  // and no format capacity to stand in
  drive_.track[2] = TrackAnswer(0, 0xFFFFFFFF, 0, 0x80000000);
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 0u);
  EXPECT_EQ(device_.GetDiscInformation().Blocks, 0u);
  // The same count on a DVD is one.
  drive_.feature[0] = ConfigAnswer(0x10);
  drive_.track.clear();
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 449850u);
}

// A random-writable disc counts what it holds as used and the rest as free.
TEST_F(DiscFacts, RandomWritableUsedAndFreeMakeTheTotal) {
  drive_.feature[0] = ConfigAnswer(0x12);
  drive_.reply[0x51] = DiscInfoAnswer(3, 3, true, 1, 1);
  drive_.reply[0x23] = Answer(12, {{8, 2}, {10, 0x08}}, {{4, 2236704}});
  drive_.reply[0x25] = Answer(8, {}, {{0, 2236703}, {4, 2048}});
  drive_.track[1] = TrackAnswer(0, 0, 2236704, 2236704);
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 0u);
  EXPECT_EQ(device_.FreeBlocksOnDisc(), 2236704u);
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 2236704u);
  drive_.track[1][7] = 0x02;  // last recorded address valid
  PutBE32(&drive_.track[1][28], 99999);
  EXPECT_EQ(device_.UsedBlocksOnDisc(), 100000u);
  EXPECT_EQ(device_.FreeBlocksOnDisc(), 2136704u);
  EXPECT_EQ(device_.TotalBlocksOnDisc(), 2236704u);
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
  drive_.reply[0x25] = Answer(8, {}, {{0, 1999999}, {4, 2048}});
  d = device_.GetDiscInformation();
  EXPECT_EQ(d.Medium, "DVD-ROM");
  EXPECT_EQ(d.Capacity, 2000000u);
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
