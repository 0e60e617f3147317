// Rewritable media: blanking and formatting that take time and report their
// progress, then leave the medium blank or formatted; overwriting anywhere
// inside the capacity.
#include "tests/vrecorder/vrecorder_fixture.h"

namespace orlix::vrec_test {
namespace {

using Rewritable = RecorderTest;

// Progress of a NOT READY answer, or -1 when the sense carries none.
int Progress(const Result& r) { return (r.sense[15] & 0x80) ? static_cast<int>(Get16(&r.sense[16])) : -1; }

TEST_F(Rewritable, CdRwBlankIsNotReadyWithRisingProgressThenBlank) {
  Load("profile=cd-rw,blocks=20000,op-ms=60000");
  ASSERT_TRUE(drive_.SetWriteParameters(0x01, 0xC4, 0x08).ok());
  ASSERT_TRUE(drive_.Write(0, 50).ok());
  ASSERT_TRUE(drive_.CloseSession(true).ok());
  EXPECT_EQ(drive_.TestUnitReady().Text(), "02/04/08");
  lib_.advance_clock(6000);  // closing takes a tenth of the full time
  ASSERT_TRUE(drive_.TestUnitReady().ok());
  EXPECT_EQ(drive_.DiscInformation()[2], 0x11);  // erasable, appendable

  ASSERT_TRUE(drive_.Blank(1, true).ok());  // minimal blank: a quarter, 15 s
  Result first = drive_.TestUnitReady();
  EXPECT_EQ(first.Text(), "02/04/07");
  lib_.advance_clock(7500);
  Result half = drive_.TestUnitReady();
  EXPECT_EQ(half.Text(), "02/04/07");
  EXPECT_GT(Progress(half), Progress(first));
  EXPECT_NEAR(Progress(half), 32768, 2000);
  EXPECT_EQ(Get16(&drive_.Query(Cdb(0x03, 6).Set(4, 18), 18)[12]), 0x0407u);  // REQUEST SENSE agrees
  EXPECT_EQ(drive_.Write(0, 1).Text(), "02/04/07");

  lib_.advance_clock(7600);
  ASSERT_TRUE(drive_.TestUnitReady().ok());
  EXPECT_EQ(drive_.DiscInformation()[2], 0x10);  // erasable, blank
  EXPECT_EQ(drive_.NextWritableAddress(), 0u);
  Bytes data;
  EXPECT_EQ(drive_.Read(0, 1, data).Text(), "05/21/00");
}

TEST_F(Rewritable, BlankingWhatCannotBeBlankedAndWithoutTheImmediateBit) {
  Load("profile=cd-r");
  EXPECT_EQ(drive_.Blank(0, true).Text(), "05/30/00");
  EXPECT_EQ(drive_.Format(0x26, 0, 0, true).Text(), "05/30/06");
  Load("profile=dvd+rw", "plus");
  EXPECT_EQ(drive_.Blank(1, true).Text(), "05/30/00");
  EXPECT_EQ(drive_.Format(0x10, 0, 0, true).Text(), "05/26/00") << "a DVD-RW format on a DVD+RW";
  Load("profile=dvd-rw,blocks=20000,op-ms=40", "rw");
  ASSERT_TRUE(drive_.Write(0, 16).ok());
  ASSERT_TRUE(drive_.Blank(0, false).ok());  // takes its time within the command
  EXPECT_TRUE(drive_.TestUnitReady().ok());
  EXPECT_EQ(drive_.DiscInformation()[2] & 0x03, 0);
}

TEST_F(Rewritable, DvdPlusRwFormatsThenTakesWritesAnywhere) {
  Load("profile=dvd+rw,blocks=50000,op-ms=10000");
  Bytes caps = drive_.Query(Cdb(0x23, 10).Put16(7, 252), 252);
  EXPECT_EQ(caps[3], 16);  // two descriptors
  EXPECT_EQ(Get32(&caps[4]), 50000u);
  EXPECT_EQ(caps[8] & 0x03, 0x01);  // unformatted
  EXPECT_EQ(caps[16], 0x26 << 2);   // basic format offered

  ASSERT_TRUE(drive_.Format(0x26, 0, 0, true).ok());
  EXPECT_EQ(drive_.TestUnitReady().Text(), "02/04/04");
  lib_.advance_clock(10001);
  ASSERT_TRUE(drive_.TestUnitReady().ok());
  EXPECT_EQ(drive_.DiscInformation()[2], 0x1E);  // erasable, complete
  caps = drive_.Query(Cdb(0x23, 10).Put16(7, 252), 252);
  EXPECT_EQ(caps[8] & 0x03, 0x02);

  EXPECT_TRUE(drive_.Write(30000, 32).ok());
  EXPECT_TRUE(drive_.Write(0, 32, 0x22).ok());
  EXPECT_TRUE(drive_.Write(0, 16, 0x33).ok()) << "overwriting";
  EXPECT_EQ(drive_.Write(49990, 32).Text(), "05/21/00");
  Bytes data;
  ASSERT_TRUE(drive_.Read(0, 32, data).ok());
  EXPECT_EQ(data[0], 0x33);
  EXPECT_EQ(data[16 * 2048], 0x22);
  ASSERT_TRUE(drive_.Read(12345, 1, data).ok()) << "unwritten blocks of a formatted disc read as zeros";
  EXPECT_EQ(data[0], 0x00);
}

TEST_F(Rewritable, DvdRwBlankAndQuickFormatToRestrictedOverwrite) {
  Load("profile=dvd-rw,blocks=100000,op-ms=0");
  EXPECT_EQ(drive_.CurrentProfile(), 0x14);
  ASSERT_TRUE(drive_.Write(0, 64).ok());
  EXPECT_EQ(drive_.Write(0, 1).Text(), "05/21/02") << "sequential recording";

  ASSERT_TRUE(drive_.Blank(1, true).ok());
  EXPECT_EQ(drive_.DiscInformation()[2] & 0x03, 0);

  ASSERT_TRUE(drive_.Format(0x15, 1000, 16, true).ok());
  EXPECT_EQ(drive_.CurrentProfile(), 0x13);
  EXPECT_EQ(Get32(&drive_.TrackInformation(1)[24]), 1000u);  // the formatted session
  EXPECT_TRUE(drive_.Write(0, 32).ok());
  EXPECT_TRUE(drive_.Write(1000, 40).ok());
  EXPECT_TRUE(drive_.Write(0, 32).ok()) << "restricted overwrite takes writes anywhere";
  EXPECT_EQ(Get32(&drive_.TrackInformation(1)[24]), 1040u) << "the session grows with what is written";
  ASSERT_TRUE(drive_.Format(0x13, 0, 16, true).ok());
  EXPECT_EQ(Get32(&drive_.TrackInformation(1)[24]), 1040u);
  EXPECT_EQ(drive_.DiscInformation()[2], 0x1E);

  ASSERT_TRUE(drive_.Blank(0, true).ok());
  EXPECT_EQ(drive_.CurrentProfile(), 0x14) << "a blank DVD-RW records sequentially";
}

TEST_F(Rewritable, DvdRamIsFormattedAndTakesItsFullFormat) {
  Load("profile=dvd-ram,op-ms=0");
  EXPECT_EQ(drive_.DiscInformation()[2] & 0x13, 0x13);  // erasable, random access
  EXPECT_TRUE(drive_.Write(2000000, 16, 0x66).ok());
  EXPECT_EQ(drive_.Format(0x00, 2236705, 2048, true).Text(), "05/26/00");
  ASSERT_TRUE(drive_.Format(0x00, 2236704, 2048, true).ok());
  Bytes data;
  ASSERT_TRUE(drive_.Read(2000000, 1, data).ok());
  EXPECT_EQ(data[0], 0x00) << "formatting left no data";
}

}  // namespace
}  // namespace orlix::vrec_test
