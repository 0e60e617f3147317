// Write-once media: writes only at the next writable address, tracks and
// sessions closed the way a drive closes them, test writes, session-at-once.
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
  int Sessions() { return drive_.DiscInformation()[4]; }
};

TEST_F(WriteOnce, CdRSessionsMoveTheNextWritableAddress) {
  Load("profile=cd-r,blocks=100000");
  EXPECT_EQ(drive_.DiscInformation()[2], 0x00);  // blank, not erasable
  Bytes track = drive_.TrackInformation(0xFF);
  EXPECT_EQ(track[7] & 0x01, 1);  // next writable address valid
  EXPECT_EQ(Get32(&track[16]), 100000u);

  CdTrackAtOnce(true);
  EXPECT_EQ(drive_.Write(16, 32).Text(), "05/21/02");
  EXPECT_TRUE(drive_.Write(0, 32).ok());
  EXPECT_TRUE(drive_.Write(32, 8).ok());
  EXPECT_EQ(drive_.Write(0, 1).Text(), "05/21/02") << "written blocks are written for good";
  EXPECT_EQ(drive_.NextWritableAddress(), 40u);
  EXPECT_EQ(Status(), 0x05);

  ASSERT_TRUE(drive_.CloseSession().ok());
  EXPECT_EQ(Status(), 0x01);  // the next session is open and empty
  EXPECT_EQ(Sessions(), 2);
  EXPECT_EQ(drive_.NextWritableAddress(), 40u + 11400);
  track = drive_.TrackInformation(1);
  EXPECT_EQ(Get32(&track[24]), 40u);
  EXPECT_EQ(track[7] & 0x01, 0) << "a closed track has no next writable address";

  ASSERT_TRUE(drive_.Write(11440, 10).ok());
  ASSERT_TRUE(drive_.CloseSession().ok());
  EXPECT_EQ(drive_.NextWritableAddress(), 11450u + 6900);
  Bytes toc = drive_.Query(Cdb(0x43, 10).Set(2, 1).Put16(7, 12), 12);
  EXPECT_EQ(Get16(&toc[2]), 0x0102u);  // sessions 1 to 2 complete
  EXPECT_EQ(toc[6], 2);                // the last one's first track
  EXPECT_EQ(Get32(&toc[8]), 11440u);

  CdTrackAtOnce(false);
  ASSERT_TRUE(drive_.Write(18350, 5).ok());
  ASSERT_TRUE(drive_.CloseSession().ok());
  EXPECT_EQ(Status(), 0x0E);
  EXPECT_EQ(Sessions(), 3);
  EXPECT_EQ(drive_.Write(18355, 1).Text(), "05/21/02");
  EXPECT_EQ(drive_.In(Cdb(0x52, 10).Set(1, 1).Put32(2, 0xFF).Put16(7, 48), track, 48).Text(), "05/24/00");
}

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
  ASSERT_TRUE(drive_.Write(992, 16).ok());
  EXPECT_EQ(drive_.Write(1008, 1).Text(), "05/21/02") << "the track after it starts empty";

  ASSERT_TRUE(drive_.SetWriteParameters(0x20, 0xE5, 0x08).ok());
  ASSERT_TRUE(drive_.Close(1, 1).ok());
  ASSERT_TRUE(drive_.Close(1, 2).ok()) << "closing the empty invisible track does nothing";
  ASSERT_TRUE(drive_.CloseSession().ok());
  EXPECT_EQ(drive_.NextWritableAddress(), 1008u + 16384);
  EXPECT_EQ(Status(), 0x01);

  ASSERT_TRUE(drive_.Write(17392, 100).ok());
  ASSERT_TRUE(drive_.CloseSession().ok());
  EXPECT_EQ(drive_.NextWritableAddress(), 17392u + 112 + 3072);
}

TEST_F(WriteOnce, DvdPlusRSessionsAndFinalizing) {
  Load("profile=dvd+r,blocks=100000");
  ASSERT_TRUE(drive_.Write(0, 100).ok());
  ASSERT_TRUE(drive_.Close(1, 1).ok());
  ASSERT_TRUE(drive_.CloseSession().ok());
  EXPECT_EQ(Status(), 0x01);
  EXPECT_EQ(drive_.NextWritableAddress(), 112u + 2048);
  ASSERT_TRUE(drive_.Write(2160, 10).ok());
  ASSERT_TRUE(drive_.Close(5).ok());
  EXPECT_EQ(Status(), 0x0E);
  EXPECT_EQ(Sessions(), 2);
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

TEST_F(WriteOnce, TestWriteRecordsNothing) {
  Load("profile=cd-r,blocks=5000");
  ASSERT_TRUE(drive_.SetWriteParameters(0x11, 0x04, 0x08).ok());
  EXPECT_TRUE(drive_.Write(0, 32).ok());
  EXPECT_EQ(drive_.NextWritableAddress(), 0u);
  EXPECT_EQ(Status(), 0);
}

TEST_F(WriteOnce, SessionAtOnceNeedsACueSheetAndClosesOnFlush) {
  Load("profile=cd-r,blocks=20000");
  ASSERT_TRUE(drive_.SetWriteParameters(0x02, 0xC4, 0x00).ok());
  EXPECT_EQ(drive_.Write(0, 1).Text(), "05/2C/00");
  const Bytes sheet = {0x41, 0x00, 0x00, 0x14, 0, 0, 0, 0, 0x41, 0x01, 0x00, 0x10, 0, 0, 0, 0,
                       0x41, 0x01, 0x01, 0x10, 0, 0, 2, 0, 0x41, 0xAA, 0x01, 0x14, 0, 0, 4, 0};
  ASSERT_TRUE(drive_.Out(Cdb(0x5D, 10).Put24(6, 32), sheet).ok());
  EXPECT_TRUE(drive_.Write(static_cast<uint32_t>(-150), 150).ok()) << "the pre-gap";
  ASSERT_TRUE(drive_.Write(0, 150).ok());
  ASSERT_TRUE(drive_.None(Cdb(0x35, 10)).ok());
  EXPECT_EQ(Status(), 0x01);
  EXPECT_EQ(drive_.NextWritableAddress(), 150u + 11400);

  Bytes bad_sheet(8, 0);
  EXPECT_EQ(drive_.Out(Cdb(0x5D, 10).Put24(6, 8), bad_sheet).Text(), "05/26/00");
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
