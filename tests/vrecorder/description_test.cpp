// A damaged description or a disc file that does not match it is refused
// when the disc is loaded, with the line at fault named.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "tests/vrecorder/vrecorder_fixture.h"

namespace orlix::vrec_test {
namespace {

namespace fs = std::filesystem;

class Description : public RecorderTest {
 protected:
  std::string Desc(const std::string& name = "disc") { return Path(name) + ".desc"; }
  std::string Text(const std::string& name = "disc") {
    std::ifstream in(Desc(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Store(const std::string& text, const std::string& name = "disc") {
    std::ofstream(Desc(name), std::ios::binary | std::ios::trunc) << text;
  }
  // The description with the line starting "key " replaced by `line`.
  void Replace(const std::string& key, const std::string& line, const std::string& name = "disc") {
    Store(std::regex_replace(Text(name), std::regex("(^|\n)" + key + " [^\n]*"), "$1" + line), name);
  }
  // The error of loading the disc (empty when it loaded); describing it must
  // fail the same way.
  std::string Refusal(const std::string& name = "disc") {
    char text[512];
    const bool described = lib_.describe(Path(name).c_str(), text, sizeof text) >= 0;
    const std::string described_error = described ? "" : lib_.last_error();
    if (Configure(Path(name) + ",op-ms=0") == 0) return described ? "" : "loaded, yet describe failed";
    const std::string error = lib_.last_error();
    return error == described_error ? error : error + " / describe: " + described_error;
  }
};

TEST_F(Description, EachFieldOutOfItsRangeIsRefusedNamingTheLine) {
  ASSERT_EQ(lib_.create(Path("disc").c_str(), "cd-r", 1000), 0) << lib_.last_error();
  const std::string good = Text();
  struct Case {
    const char* key;
    const char* line;
    const char* said;
  };
  const Case cases[] = {
      {"profile", "profile 0x9999", "line 2: unknown profile"},
      {"capacity", "capacity -5", "line 3: capacity must be"},
      {"capacity", "capacity 0", "line 3: capacity must be"},
      {"capacity", "capacity 12abc", "line 3: capacity must be"},
      {"capacity", "capacity 4294967295", "line 3: capacity must be"},
      {"capacity", "capacity 1000 7", "line 3: more fields"},
      {"formatted", "formatted 2", "line 4: formatted must be 0 to 1"},
      {"finalized", "finalized yes", "line 5: finalized must be 0 to 1"},
      {"closed-sessions", "closed-sessions", "line 6: no closed-sessions"},
      {"next-start", "next-start 1001", "line 7: next-start lies past the end"},
      {"open-recorded", "open-recorded 5000", "line 8: open-recorded lies past the end"},
      {"high-water", "high-water 1001", "line 9: high-water lies past the end"},
      {"session-size", "session-size 99999", "line 10: session-size lies past the end"},
      {"timestamp", "timestamp 2026", "line 11: timestamp must be"},
      {"busy", "busy 10 5 4 8", "line 12: a busy period cannot end before it starts"},
      {"busy", "busy 0 0 256 0", "line 12: ASC must be 0 to 255"},
      {"capacity", "capacity 1000\ncapacity 2000", "line 4: capacity given twice"},
  };
  for (const Case& c : cases) {
    Store(good);
    Replace(c.key, c.line);
    const std::string error = Refusal();
    EXPECT_NE(error.find(Desc() + " is damaged: " + c.said), std::string::npos) << c.line << ": " << error;
  }
  Store(good);
  EXPECT_EQ(Refusal(), "") << "the untouched description loads";
}

TEST_F(Description, TrackLinesAreCheckedAgainstTheDisc) {
  ASSERT_EQ(lib_.create(Path("disc").c_str(), "dvd-r", 10000), 0) << lib_.last_error();
  const std::string good = Text();
  struct Case {
    const char* tracks;
    const char* said;
  };
  const Case cases[] = {
      {"track 1 0 20000 0 0 1\n", "line 13: the track runs past the end"},
      {"track 1 0 100 200 0 1\n", "line 13: more blocks recorded than the track holds"},
      {"track 0 0 100 100 0 1\n", "line 13: sessions count from 1"},
      {"track 1 0 100 100 0 1\ntrack 1 50 100 100 0 1\n", "line 14: the track starts inside"},
      {"track 1 0 100 100 2 1\n", "line 13: reserved must be 0 to 1"},
      {"track 1 0 100 100 0\n", "line 13: no closed"},
  };
  for (const Case& c : cases) {
    Store(good + c.tracks);
    Replace("next-start", "next-start 2000");
    const std::string error = Refusal();
    EXPECT_NE(error.find(c.said), std::string::npos) << c.tracks << error;
  }
}

TEST_F(Description, ADescriptionCutShortOrMissingItsTracksIsRefused) {
  // A recorded and closed session: its track line is what holds the data.
  Load("profile=dvd-r,blocks=100000");
  ASSERT_TRUE(drive_.Write(0, 32).ok());
  ASSERT_TRUE(drive_.CloseSession().ok());
  ASSERT_TRUE(drive_.Sync().ok());
  Load("", "other");  // the recorder lets go of the disc, saving it
  const std::string good = Text();
  ASSERT_NE(good.find("\ntrack 1 "), std::string::npos) << good;

  Store(std::regex_replace(good, std::regex("track [^\n]*\n"), ""));
  EXPECT_NE(Refusal().find("line 6: 1 closed sessions, but no track line"), std::string::npos) << Refusal();

  Store(good.substr(0, good.find("busy ")));
  EXPECT_NE(Refusal().find("cut short, no \"busy\" line"), std::string::npos) << Refusal();

  Store(good.substr(0, good.size() - 1));  // the last line lost its end
  EXPECT_NE(Refusal().find("cut short: the last line has no end"), std::string::npos) << Refusal();

  Store(good.substr(0, good.find('\n') + 1));
  EXPECT_NE(Refusal().find("cut short, no \"profile\" line"), std::string::npos) << Refusal();

  // A pressed disc is one track over its content.
  ASSERT_EQ(lib_.create(Path("rom").c_str(), "cd-rom", 100), 0) << lib_.last_error();
  Store(std::regex_replace(Text("rom"), std::regex("track [^\n]*\n"), ""), "rom");
  EXPECT_NE(Refusal("rom").find("but no track line"), std::string::npos) << Refusal("rom");
}

TEST_F(Description, ADiscFileOfAnotherSizeIsRefused) {
  // Written blocks must be in the file; nothing may lie past the capacity.
  Load("profile=dvd+rw,blocks=1000");
  ASSERT_TRUE(drive_.Write(0, 64).ok());
  ASSERT_TRUE(drive_.Sync().ok());
  Load("", "other");
  EXPECT_EQ(Refusal(), "");

  fs::resize_file(Path("disc"), 10 * 2048);
  std::string error = Refusal();
  EXPECT_NE(error.find("holds 10 blocks, but its description " + Desc() + " records 64 written"),
            std::string::npos)
      << error;

  fs::resize_file(Path("disc"), 1001 * 2048);
  error = Refusal();
  EXPECT_NE(error.find("gives a capacity of 1000"), std::string::npos) << error;

  fs::resize_file(Path("disc"), 1000 * 2048);
  EXPECT_EQ(Refusal(), "") << "the whole capacity written is still the disc";

  // The description alone: the data is gone, not to be made anew silently.
  fs::remove(Path("disc"));
  error = Refusal();
  EXPECT_NE(error.find("no such disc file: " + Path("disc")), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(Path("disc")));

  // A closed track's padding is never stored, so it may lie past the file.
  Load("profile=dvd-r,blocks=100000", "padded");
  ASSERT_TRUE(drive_.ReserveTrack(1000).ok());
  ASSERT_TRUE(drive_.Write(0, 32).ok());
  ASSERT_TRUE(drive_.Close(1, 1).ok());
  Load("", "other");
  EXPECT_EQ(Refusal("padded"), "");
}

}  // namespace
}  // namespace orlix::vrec_test
