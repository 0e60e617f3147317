// Where a session starts, on drives that answer READ TRACK INFORMATION and
// on read-only drives that only have a table of contents.
#include <gtest/gtest.h>

#include "device/session_place.h"
#include "tests/device/fake_layer.h"

namespace orlix::test {
namespace {

// Two sessions: tracks 1 and 2 in the first (lead-out at 10000), track 3 at
// 21400 in the second, the disc's lead-out at 30000.
class SessionPlaces : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSleepSpeedup(1000);
    drive_.toc[1] = Answer(12, {{1, 10}, {2, 1}, {3, 2}, {6, 3}}, {{8, 21400}});
    drive_.toc[0] = Answer(36, {{1, 34}, {2, 1}, {3, 3}, {6, 1}, {14, 2}, {22, 3}, {30, 0xAA}},
                           {{8, 0}, {16, 5000}, {24, 21400}, {32, 30000}});
  }
  void TearDown() override { SetSleepSpeedup(1); }

  // The full TOC's three pointers of each session (msf: the lead-out's).
  static Bytes FullToc() {
    Bytes toc = Answer(4, {{1, 2 + 6 * 11}, {2, 1}, {3, 2}});
    const auto add = [&toc](uint8_t session, uint8_t point, uint8_t m, uint8_t s, uint8_t f) {
      // Byte by byte: GCC 12's optimiser takes an insert of a whole entry
      // here for an overflow (-Wstringop-overflow), falsely.
      for (uint8_t byte : {session, uint8_t{0x14}, uint8_t{0}, point, uint8_t{0}, uint8_t{0}, uint8_t{0},
                           uint8_t{0}, m, s, f})
        toc.push_back(byte);
    };
    add(1, 0xA0, 1, 0, 0);
    add(1, 0xA1, 2, 0, 0);
    add(1, 0xA2, 2, 15, 25);  // 10000 + 150 frames
    add(2, 0xA0, 3, 0, 0);
    add(2, 0xA1, 3, 0, 0);
    add(2, 0xA2, 6, 42, 30);  // 30000 + 150 frames
    return toc;
  }

  ScriptedDrive drive_;
  ScriptedDevice device_{drive_};
};

TEST_F(SessionPlaces, ARecorderIsAskedForTrackInformationOnly) {
  drive_.track[1] = TrackAnswer(0, 0, 0, 9000);
  drive_.track[1][2] = 1;
  // Its session 2 is not there, whatever the table of contents says.
  drive_.track[2] = TrackAnswer(9000, 0, 0, 1000);
  drive_.track[2][2] = 1;
  SessionPlace place;
  ASSERT_TRUE(FindSessionPlace(device_, 1, place));
  EXPECT_EQ(place.start, 0u);
  EXPECT_EQ(place.sectors, 9000u);
  EXPECT_FALSE(FindSessionPlace(device_, 2, place));
}

TEST_F(SessionPlaces, AReadOnlyDriveIsReadByItsTableOfContents) {
  drive_.toc[2] = FullToc();
  SessionPlace place;
  ASSERT_TRUE(FindSessionPlace(device_, 2, place));
  EXPECT_EQ(place.start, 21400u);
  EXPECT_EQ(place.sectors, 8600u);
  // Three tracks in two sessions: only the full TOC tells which first.
  ASSERT_TRUE(FindSessionPlace(device_, 1, place));
  EXPECT_EQ(place.start, 0u);
  EXPECT_EQ(place.sectors, 10000u);
  EXPECT_FALSE(FindSessionPlace(device_, 3, place));
  EXPECT_FALSE(FindSessionPlace(device_, 0, place));
  // Without the full TOC the first session is not guessed at.
  drive_.toc.erase(2);
  EXPECT_FALSE(FindSessionPlace(device_, 1, place));
  EXPECT_TRUE(FindSessionPlace(device_, 2, place));
  // Without disc information the sessions are counted there too.
  EXPECT_EQ(device_.SessionsOnDisc(), 2);
}

TEST_F(SessionPlaces, ShortAndSloppyAnswers) {
  // A pass-through layer pads short answers with zeros: a session
  // information header that tells no entry.
  drive_.toc[1] = Answer(12, {{1, 2}, {2, 1}, {3, 1}, {6, 1}}, {{8, 0}});
  SessionPlace place;
  EXPECT_FALSE(FindSessionPlace(device_, 1, place));
  EXPECT_EQ(device_.SessionsOnDisc(), 0);
  // Two sessions of a track each; the track list's own length leaves out
  // the entry of track 1 that follows it.
  drive_.toc[1] = Answer(12, {{1, 10}, {2, 1}, {3, 2}, {6, 2}}, {{8, 9000}});
  drive_.toc[0] = Answer(20, {{1, 10}, {2, 1}, {3, 2}, {6, 2}, {14, 1}}, {{8, 9000}, {16, 0}});
  EXPECT_FALSE(FindSessionPlace(device_, 1, place));
  // A drive that leaves the session information's track number 0: its
  // address still places the last session.
  drive_.toc[1] = Answer(12, {{1, 10}, {2, 1}, {3, 1}}, {{8, 0}});
  EXPECT_TRUE(FindSessionPlace(device_, 1, place));
  EXPECT_EQ(place.start, 0u);
}

}  // namespace
}  // namespace orlix::test
