// Write-once media: writes only at the next writable address, reserved
// tracks, borders between sessions, the 99-track limit, pressed discs.
#include <algorithm>
#include <fstream>

#include "tests/vrecorder/vrecorder_fixture.h"

namespace orlix::vrec_test {
namespace {

class WriteOnce : public RecorderTest {
 protected:
  // Track-at-once, mode 1 blocks; the next session stays possible or not.
  void CdTrackAtOnce(bool next_session) {
    ASSERT_TRUE(drive_.SetWriteParameters(0x01, next_session ? 0xC4 : 0x04, 0x08).ok());
  }
  // Last session state (0 empty, 1 incomplete, 3 complete) * 4 + disc status
  // (0 blank, 1 appendable, 2 complete).
  int Status() { return drive_.DiscInformation()[2] & 0x0F; }
};

TEST_F(WriteOnce, WrittenBlocksReadBackAndNothingElseDoes) {
  Load("profile=cd-r,blocks=5000");
  CdTrackAtOnce(true);
  ASSERT_TRUE(drive_.Write(0, 3, 0xA1).ok());
  Bytes data;
  ASSERT_TRUE(drive_.Read(1, 2, data).ok());
  EXPECT_EQ(data[0], 0xA1);
  EXPECT_EQ(data[4095], 0xA1);
  EXPECT_EQ(drive_.Read(2, 2, data).Text(), "05/21/00");
  EXPECT_EQ(drive_.Write(4999, 2).Text(), "05/21/02");
  for (uint32_t lba = 3; lba < 4999; lba += 256)
    ASSERT_TRUE(drive_.Write(lba, std::min(256u, 4999 - lba)).ok());
  EXPECT_EQ(drive_.Write(4999, 2).Text(), "05/21/00") << "past the last block";
  EXPECT_TRUE(drive_.Write(4999, 1).ok());
}

TEST_F(WriteOnce, DvdRReservedTrackAndBorders) {
  Load("profile=dvd-r,blocks=200000");
  ASSERT_TRUE(drive_.ReserveTrack(1000).ok());
  Bytes t1 = drive_.TrackInformation(1);
  EXPECT_EQ(Get32(&t1[24]), 1008u) << "reservations end on ECC blocks";
  EXPECT_EQ(t1[6] & 0x80, 0x80);
  EXPECT_EQ(Get32(&drive_.TrackInformation(2)[8]), 1008u);

  for (uint32_t lba = 0; lba < 992; lba += 32) ASSERT_TRUE(drive_.Write(lba, 32).ok());
  EXPECT_EQ(drive_.Write(992, 32).Text(), "05/21/02") << "past the end of the reserved track";

  ASSERT_TRUE(drive_.SetWriteParameters(0x20, 0xE5, 0x08).ok());
  ASSERT_TRUE(drive_.Close(1, 1).ok()) << "closed before it is full";
  EXPECT_EQ(Get32(&drive_.TrackInformation(1)[24]), 1008u) << "the drive pads it to its reserved size";
  Bytes padding;
  EXPECT_TRUE(drive_.Read(992, 16, padding).ok());
  ASSERT_TRUE(drive_.Close(1, 2).ok()) << "closing the empty invisible track does nothing";
  ASSERT_TRUE(drive_.CloseSession().ok());
  EXPECT_EQ(drive_.NextWritableAddress(), 1008u + 16384);
  EXPECT_EQ(Status(), 0x01);

  ASSERT_TRUE(drive_.Write(17392, 100).ok());
  ASSERT_TRUE(drive_.CloseSession().ok());
  EXPECT_EQ(drive_.NextWritableAddress(), 17392u + 112 + 3072);
}

TEST_F(WriteOnce, FullReservedDvdTrackLeavesItsEndToTheNextTrack) {
  Load("profile=dvd-r,blocks=10000");
  ASSERT_TRUE(drive_.ReserveTrack(32).ok());
  ASSERT_TRUE(drive_.Write(0, 32).ok());
  ASSERT_TRUE(drive_.Write(32, 32).ok()) << "the invisible track starts where the full one ends";
  EXPECT_EQ(drive_.NextWritableAddress(), 64u);
  ASSERT_TRUE(drive_.Sync().ok());
  Load("", "disc");  // the description still loads
  EXPECT_EQ(Get32(&drive_.TrackInformation(1)[24]), 32u);
}

TEST_F(WriteOnce, CdReservedTrackKeepsItsSizeAndGap) {
  Load("profile=cd-r,blocks=100000");
  CdTrackAtOnce(true);
  ASSERT_TRUE(drive_.ReserveTrack(300).ok());
  EXPECT_EQ(drive_.NextWritableAddress(), 450u) << "the next track follows its pre-gap";
  ASSERT_TRUE(drive_.Write(0, 100).ok());
  EXPECT_EQ(drive_.Write(100, 201).Text(), "05/21/02");
  ASSERT_TRUE(drive_.Close(1, 1).ok());
  EXPECT_EQ(Get32(&drive_.TrackInformation(1)[24]), 300u);
  EXPECT_TRUE(drive_.Write(450, 32).ok());
}

TEST_F(WriteOnce, CdHoldsNinetyNineTracks) {
  Load("profile=cd-r,blocks=100000");
  CdTrackAtOnce(true);
  for (uint32_t track = 1; track <= 99; ++track) {
    ASSERT_TRUE(drive_.Write(drive_.NextWritableAddress(), 1).ok()) << track;
    ASSERT_TRUE(drive_.Close(1, track).ok());
  }
  EXPECT_EQ(drive_.Write(drive_.NextWritableAddress(), 1).Text(), "05/72/05");
  EXPECT_EQ(drive_.ReserveTrack(10).Text(), "05/72/05");
  EXPECT_TRUE(drive_.CloseSession().ok());
  EXPECT_EQ(Status() & 0x03, 2) << "no room for another track: the disc is closed";
}

TEST_F(WriteOnce, PressedDiscFromAnImage) {
  std::ofstream(Path("image.iso"), std::ios::binary) << std::string(3 * 2048 + 100, 0x42);
  ASSERT_EQ(lib_.create_from_image(Path("rom").c_str(), "cd-rom", Path("image.iso").c_str()), 0)
      << lib_.last_error();
  Load("", "rom");
  EXPECT_EQ(drive_.CurrentProfile(), 0x08);
  Bytes data;
  ASSERT_TRUE(drive_.Read(0, 4, data).ok());
  EXPECT_EQ(data[3 * 2048 + 99], 0x42);
  EXPECT_EQ(data[3 * 2048 + 100], 0x00);
  EXPECT_EQ(drive_.Read(4, 1, data).Text(), "05/21/00");
  EXPECT_EQ(drive_.Write(4, 1).Text(), "05/30/05");
  EXPECT_EQ(drive_.Blank(1, false).Text(), "05/30/00");

  Bytes toc = drive_.Query(Cdb(0x43, 10).Put16(7, 20), 20);
  EXPECT_EQ(Get16(&toc[0]), 18u);
  EXPECT_EQ(toc[14], 0xAA);
  EXPECT_EQ(Get32(&toc[16]), 4u);  // the lead-out
}

}  // namespace
}  // namespace orlix::vrec_test
