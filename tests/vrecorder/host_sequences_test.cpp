// The command sequences hosts send to record each kind of medium, from the
// write parameters to reading back every recorded block after the close; and
// how the write parameters decide what closing and test writing do.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/vrecorder/vrecorder_fixture.h"

namespace orlix::vrec_test {
namespace {

constexpr uint32_t kPregapStart = static_cast<uint32_t>(-150);

class HostSequences : public RecorderTest {
 protected:
  // Last session state (0 empty, 1 incomplete, 3 complete) * 4 + disc status
  // (0 blank, 1 appendable, 2 complete).
  int Status() { return drive_.DiscInformation()[2] & 0x0F; }
  // Lead-in, track 1 pre-gap, track 1 at 00:02:00, lead-out after `blocks`.
  Result SendCueSheet(uint32_t blocks) {
    const uint32_t end = blocks + 1;
    const Bytes sheet = {0x41, 0x00, 0x00, 0x14, 0, 0, 0, 0,
                         0x41, 0x01, 0x00, 0x10, 0, 0, 0, 0,
                         0x41, 0x01, 0x01, 0x10, 0, 0, 2, 0,
                         0x41, 0xAA, 0x01, 0x14, 0, static_cast<uint8_t>(end / 4500),
                         static_cast<uint8_t>(end / 75 % 60), static_cast<uint8_t>(end % 75)};
    return drive_.Out(Cdb(0x5D, 10).Put24(6, static_cast<uint32_t>(sheet.size())), sheet);
  }
  Result SetStreaming(uint32_t write_kb_per_s) {
    Bytes d(28, 0);
    PutBE(&d[8], 4, 0x7FFFFFFF);  // end
    PutBE(&d[12], 4, 22160);      // read size (kB) per read time (ms)
    PutBE(&d[16], 4, 1000);
    PutBE(&d[20], 4, write_kb_per_s);
    PutBE(&d[24], 4, 1000);
    return drive_.Out(Cdb(0xB6, 12).Put16(9, 28), d);
  }
  Result SendTimeStamp() {
    Bytes d(24, 0);
    PutBE(&d[0], 2, 22);
    const char stamp[] = "20240102030405";
    std::copy(stamp, stamp + 14, &d[8]);
    return drive_.Out(Cdb(0xBF, 12).Set(7, 0x0F).Put16(8, 24), d);
  }
  std::string Description(const std::string& name = "disc") {
    std::ifstream in(Path(name) + ".desc", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Where a track starts and how many blocks it spans.
  void ExpectTrack(uint32_t track, uint32_t start, uint32_t size) {
    Bytes t = drive_.TrackInformation(track);
    EXPECT_EQ(Get32(&t[8]), start) << "track " << track;
    EXPECT_EQ(Get32(&t[24]), size) << "track " << track;
  }
};

TEST_F(HostSequences, CdTrackAtOnceSessionsCloseAsTheMultisessionFieldSays) {
  Load("profile=cd-r,blocks=50000");
  EXPECT_EQ(drive_.DiscInformation()[2], 0x00);  // blank, not erasable
  EXPECT_EQ(Get32(&drive_.TrackInformation(1)[16]), 50000u) << "free blocks";
  const uint32_t starts[] = {0, 128 + 11400, 11528 + 128 + 6900};
  for (uint32_t session = 1; session <= 3; ++session) {
    SCOPED_TRACE(session);
    ASSERT_TRUE(drive_.SetWriteParameters(0x01, 0xC4, 0x08).ok());
    Bytes info = drive_.TrackInformation(session);  // one track per session
    EXPECT_EQ(info[7] & 0x01, 1) << "next writable address valid";
    EXPECT_EQ(Get32(&info[12]), starts[session - 1]);
    EXPECT_EQ(drive_.WriteStamped(starts[session - 1] + 16, 32).Text(), "05/21/02") << "not at that address";
    ASSERT_TRUE(drive_.StreamStamped(starts[session - 1], 100).ok());  // the last WRITE padded to 32 blocks
    ASSERT_TRUE(drive_.Sync().ok());
    // The host sets the multisession field as the user wants before closing.
    ASSERT_TRUE(drive_.SetWriteParameters(0x01, session < 3 ? 0xC4 : 0x04, 0x08).ok());
    ASSERT_TRUE(drive_.CloseSession().ok());
    EXPECT_EQ(Status(), session < 3 ? 0x01 : 0x0E);
    ExpectTrack(session, starts[session - 1], 128);
    EXPECT_EQ(drive_.TrackInformation(session)[7] & 0x01, 0) << "a closed track has no next writable address";
  }
  EXPECT_EQ(drive_.DiscInformation()[4], 3) << "sessions";
  for (uint32_t start : starts) EXPECT_TRUE(drive_.ReadsBackStamped(start, 128));
  Bytes toc = drive_.Query(Cdb(0x43, 10).Set(2, 1).Put16(7, 12), 12);
  EXPECT_EQ(Get16(&toc[2]), 0x0103u);  // sessions 1 to 3 complete
  EXPECT_EQ(Get32(&toc[8]), starts[2]) << "the last session's first track";
  EXPECT_EQ(drive_.Write(starts[2] + 128, 1).Text(), "05/21/02") << "the disc is complete";
  Bytes none;
  EXPECT_EQ(drive_.In(Cdb(0x52, 10).Set(1, 1).Put32(2, 0xFF).Put16(7, 48), none, 48).Text(), "05/24/00")
      << "no invisible track";
}

TEST_F(HostSequences, CdSessionAtOnceSendsThePregapInTheSameStream) {
  for (const uint8_t multisession : {0x00, 0xC0}) {
    SCOPED_TRACE(int{multisession});
    const std::string name = multisession ? "multi" : "single";
    Load("profile=cd-r,blocks=20000,op-ms=10000", name);
    ASSERT_TRUE(drive_.SetWriteParameters(0x02, multisession, 0x00).ok());
    EXPECT_EQ(drive_.NextWritableAddress(), 0xFFFFFF6Au) << "the first pre-gap block";
    EXPECT_EQ(drive_.WriteStamped(kPregapStart, 32).Text(), "05/2C/00") << "no cue sheet yet";
    EXPECT_EQ(drive_.Out(Cdb(0x5D, 10).Put24(6, 8), Bytes(8, 0)).Text(), "05/26/00") << "no lead-out";
    ASSERT_TRUE(SendCueSheet(970).ok());

    EXPECT_EQ(drive_.WriteStamped(0, 32).Text(), "05/21/02") << "the track before its pre-gap";
    ASSERT_TRUE(drive_.WriteStamped(kPregapStart, 32).ok());
    EXPECT_EQ(drive_.NextWritableAddress(), static_cast<uint32_t>(-118));
    EXPECT_EQ(drive_.WriteStamped(static_cast<uint32_t>(-100), 32).Text(), "05/21/02") << "out of order";
    // From -118 in 32-block WRITEs: the one at -22 ends the pre-gap and starts the track.
    ASSERT_TRUE(drive_.StreamStamped(static_cast<uint32_t>(-118), 118 + 970).ok());
    EXPECT_EQ(drive_.NextWritableAddress(), 970u);

    ASSERT_TRUE(drive_.Sync(true).ok()) << "closes the session";
    EXPECT_EQ(drive_.TestUnitReady().Text(), "02/04/08") << "while the session closes";
    lib_.advance_clock(1000);
    ASSERT_TRUE(drive_.TestUnitReady().ok());
    EXPECT_EQ(Status(), multisession ? 0x01 : 0x0E);
    ExpectTrack(1, 0, 970);
    EXPECT_TRUE(drive_.ReadsBackStamped(0, 970));
    Bytes none;
    EXPECT_EQ(drive_.Read(970, 1, none).Text(), "05/21/00");
    if (multisession) {
      EXPECT_EQ(drive_.NextWritableAddress(), 970u + 11400 - 150) << "the next session's pre-gap";
    } else {
      EXPECT_EQ(drive_.CloseSession().Text(), "05/2C/00") << "nothing left to close";
      EXPECT_EQ(Status(), 0x0E);
    }
  }
}

TEST_F(HostSequences, DvdWriteOnceMediaRecordTwoSessions) {
  const struct {
    const char* profile;
    uint8_t blank_track;  // READ TRACK INFORMATION byte 6
    bool reserve;
    uint32_t first_gap, gap;
  } media[] = {{"dvd-r", 0x61, true, 16384, 3072}, {"dvd-rw", 0x61, false, 16384, 3072},
               {"dvd+r", 0x41, false, 2048, 2048}};
  for (const auto& m : media) {
    SCOPED_TRACE(m.profile);
    Load(std::string("profile=") + m.profile + ",blocks=100000,speed=2000,op-ms=200", m.profile);
    const bool minus = m.profile != std::string("dvd+r");
    if (m.profile == std::string("dvd-rw")) {
      EXPECT_EQ(drive_.Format(0x13, 0, 16, true).Text(), "05/26/00") << "no formatted session to grow";
    }
    uint32_t start = 0;
    for (uint32_t track = 1; track <= 2; ++track) {
      ASSERT_TRUE(drive_.SetWriteParameters(0x00, 0xE5, 0x08).ok());
      Bytes info = drive_.TrackInformation(track);
      EXPECT_EQ(info[6], m.blank_track);
      EXPECT_EQ(Get32(&info[12]), start);
      if (minus) {
        ASSERT_TRUE(SetStreaming(22160).ok());
        ASSERT_TRUE(SendTimeStamp().ok());
      }
      if (m.reserve) {
        ASSERT_TRUE(drive_.ReserveTrack(1024).ok());
      }
      ASSERT_TRUE(drive_.StreamStamped(start, 1000).ok());
      ASSERT_TRUE(drive_.Sync(true).ok());
      Bytes polled;
      EXPECT_EQ(drive_.In(Cdb(0x51, 10).Put16(7, 34), polled, 34).Text(), "02/04/08") << "the buffer drains";
      lib_.advance_clock(1100);  // 2 MiB at 2000 kB/s
      ASSERT_TRUE(drive_.Close(1, track).ok());
      ASSERT_TRUE(drive_.Close(1, track + 1).ok()) << "the empty invisible track";
      ASSERT_TRUE(drive_.CloseSession(true).ok());
      EXPECT_EQ(drive_.TestUnitReady().Text(), "02/04/08") << "the session closes";
      lib_.advance_clock(20);
      EXPECT_EQ(Status(), 0x01);
      ExpectTrack(track, start, 1024);
      EXPECT_TRUE(drive_.ReadsBackStamped(start, 1024));
      start += 1024 + (track == 1 ? m.first_gap : m.gap);
    }
  }
}

TEST_F(HostSequences, OverwritableMediaTakeDescriptorsThenDataAnywhere) {
  const struct {
    const char* profile;
    uint8_t close_function;  // 0: none
    uint8_t status;
  } media[] = {{"dvd-rw-ro", 2, 0x0E}, {"dvd+rw", 3, 0x0E}, {"dvd-ram", 0, 0x0F}};
  for (const auto& m : media) {
    SCOPED_TRACE(m.profile);
    Load(std::string("profile=") + m.profile + ",blocks=100000", m.profile);
    // On the blank disc the image goes to 0 over the descriptors; the next
    // one after the first volume.
    for (uint32_t volume_start : {0u, 448u}) {
      ASSERT_TRUE(drive_.WriteStamped(0, 32, 0x11).ok()) << "descriptors";
      ASSERT_TRUE(drive_.StreamStamped(volume_start, 448, 0x22).ok());
      ASSERT_TRUE(drive_.Sync().ok());
      if (m.close_function) {
        ASSERT_TRUE(drive_.Close(m.close_function).ok());
      }
      EXPECT_TRUE(drive_.ReadsBackStamped(volume_start, 448, 0x22));
    }
    EXPECT_TRUE(drive_.ReadsBackStamped(0, 32, 0x11));
    EXPECT_EQ(Status(), m.status);
  }
}

TEST_F(HostSequences, ClosingFollowsTheMediumAndTheMultisessionField) {
  const struct {
    const char* profile;
    uint8_t byte2, byte3, function;
    int disc_status;  // 1 appendable, 2 complete
  } cases[] = {
      // Those the recording sequences above do not show.
      {"cd-r", 0x01, 0x44, 2, 2},  {"cd-rw", 0x01, 0xC4, 2, 1}, {"cd-rw", 0x01, 0x04, 2, 2},  // 01b: no next
      {"dvd-r", 0x00, 0x25, 2, 2}, {"dvd-rw", 0x00, 0x25, 2, 2}, {"dvd+r", 0x00, 0x25, 2, 1},  // +R: no field
      {"dvd+r", 0x00, 0xE5, 5, 2}, {"dvd+r", 0x00, 0xE5, 6, 2},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string name = "close" + std::to_string(++n);
    SCOPED_TRACE(name + " " + c.profile);
    Load(std::string("profile=") + c.profile + ",blocks=100000", name);
    ASSERT_TRUE(drive_.SetWriteParameters(c.byte2, c.byte3, 0x08).ok());
    ASSERT_TRUE(drive_.Write(0, 32).ok());
    ASSERT_TRUE(drive_.Close(c.function).ok());
    EXPECT_EQ(Status() & 0x03, c.disc_status);
  }
}

TEST_F(HostSequences, TestWriteLeavesABlankDiscAsItWas) {
  // CD track-at-once, CD session-at-once, DVD-R with a reservation,
  // sequential DVD-RW: each a full sequence with the test bit.
  for (const char* profile : {"cd-r", "cd-rw", "dvd-r", "dvd-rw"}) {
    for (const bool sao : {false, true}) {
      const bool dvd = profile[0] == 'd';
      if (dvd && sao) continue;
      const std::string name = std::string(profile) + (sao ? "-sao" : "");
      SCOPED_TRACE(name);
      Load(std::string("profile=") + profile + ",blocks=100000", name);
      const std::string before = Description(name);
      if (dvd) {
        ASSERT_TRUE(drive_.SetWriteParameters(0x10, 0xE5, 0x08).ok());
        ASSERT_TRUE(SendTimeStamp().ok());
        ASSERT_TRUE(drive_.None(Cdb(0x54, 10).Set(1, 1)).ok()) << "SEND OPC";
        if (profile == std::string("dvd-r")) {
          ASSERT_TRUE(drive_.ReserveTrack(512).ok());
        }
        ASSERT_TRUE(drive_.StreamStamped(0, 500).ok()) << "the next writable address moves meanwhile";
        ASSERT_TRUE(drive_.Sync(true).ok());
        ASSERT_TRUE(drive_.Close(1, 1).ok());
        ASSERT_TRUE(drive_.Close(1, 2).ok());
        ASSERT_TRUE(drive_.CloseSession().ok());
      } else if (sao) {
        ASSERT_TRUE(drive_.SetWriteParameters(0x12, 0xC0, 0x00).ok());
        ASSERT_TRUE(SendCueSheet(490).ok());
        ASSERT_TRUE(drive_.StreamStamped(kPregapStart, 640).ok());
        ASSERT_TRUE(drive_.Sync().ok()) << "the simulated session closes";
      } else {
        ASSERT_TRUE(drive_.SetWriteParameters(0x11, 0xC4, 0x08).ok());
        ASSERT_TRUE(drive_.StreamStamped(0, 500).ok());
        ASSERT_TRUE(drive_.Sync().ok());
        ASSERT_TRUE(drive_.CloseSession().ok());
      }
      EXPECT_EQ(drive_.DiscInformation()[2] & 0x0F, 0) << "blank";
      EXPECT_EQ(drive_.TrackInformation(1)[6] & 0x40, 0x40) << "track 1 blank";
      EXPECT_EQ(std::filesystem::file_size(Path(name)), 0u) << "nothing in the disc file";
      lib_.configure("");  // an orderly end saves nothing new either
      EXPECT_EQ(Description(name), before);
    }
  }
}

TEST_F(HostSequences, RestrictedOverwriteDiscMadeAsSuchIsFormattedThroughout) {
  ASSERT_EQ(lib_.create(Path("ro").c_str(), "dvd-rw-ro", 0), 0) << lib_.last_error();
  Load("", "ro");
  Bytes track = drive_.TrackInformation(1);
  EXPECT_EQ(Get32(&track[24]), 2298496u) << "the track spans the formatted capacity";
  EXPECT_EQ(Get32(&track[16]), 0u) << "free blocks";
}

}  // namespace
}  // namespace orlix::vrec_test
