// What every verb shares: version, -q, the unknown verb, the exit statuses
// in --help, one wording of each fact, the JSON keys, the erase progress.
#include <regex>

#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

class Conventions : public CliTest {
 protected:
  // The value of "key: value" in a verb's text output.
  static std::string Line(const std::string& text, const std::string& key) {
    std::smatch m;
    return std::regex_search(text, m, std::regex("(^|\n)" + key + ": ([^\n]*)")) ? m[2].str()
                                                                                 : "<no " + key + ">";
  }
};

TEST_F(Conventions, VersionUnknownVerbAndHelp) {
  Outcome o = Orlix("--version");
  EXPECT_EQ(o.status, 0);
  EXPECT_TRUE(std::regex_match(o.out, std::regex("orlix \\d+\\.\\d+.*\n"))) << o.out;

  o = Orlix("devices -v -d " + VirtualDrive(dir / "d.img", "cd-r"));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(std::regex_search(o.out, std::regex("\nlibrary: orlix \\d+\\.\\d+"))) << o.out;

  o = Orlix("frobnicate");
  EXPECT_EQ(o.status, 64);
  EXPECT_TRUE(Has(o.err, "unknown command frobnicate"));
  EXPECT_TRUE(Has(o.err, "mkiso")) << "the verbs are listed";

  o = Orlix("--help");
  EXPECT_EQ(o.status, 0);
  EXPECT_TRUE(Has(o.out, "64 usage error"));
  EXPECT_TRUE(Has(o.out, "2 something left out or renamed"));
}

TEST_F(Conventions, EveryVerbTakesQuiet) {
  for (const std::string verb : {"burn", "burn-image", "devices", "drive", "erase", "extract", "info", "ls",
                                 "mkiso", "sessions", "tree", "vdisc create", "vdisc show"}) {
    const Outcome o = Orlix(verb + " -q --help");
    EXPECT_EQ(o.status, 0) << verb << ": " << o.err;
    EXPECT_TRUE(Has(o.out, "-q,--quiet")) << verb;
  }
}

TEST_F(Conventions, InfoAndVdiscShowWordTheSameFactsAlike) {
  for (const std::string profile : {"cd-r", "dvd-ram", "dvd+rw"}) {
    const fs::path disc = dir / (profile + ".img");
    const Outcome info = Orlix("info -d " + VirtualDrive(disc, profile));
    const Outcome shown = Orlix("vdisc show " + Quote(disc.string()));
    ASSERT_EQ(info.status, 0) << info.err;
    ASSERT_EQ(shown.status, 0) << shown.err;
    for (const char* fact : {"disc", "profile", "status", "last session", "sessions"})
      EXPECT_EQ(Line(info.out, fact), Line(shown.out, fact)) << profile << ": " << fact;
  }
  // The two that disagreed: a blank CD-R has no session yet; DVD-RAM is
  // written anywhere.
  EXPECT_EQ(Line(Orlix("info -d " + VirtualDrive(dir / "cd-r.img", "cd-r")).out, "status"), "blank");
  EXPECT_EQ(Line(Orlix("vdisc show " + Path("cd-r.img")).out, "sessions"), "0");
  EXPECT_EQ(Line(Orlix("vdisc show " + Path("dvd-ram.img")).out, "status"), "random access");

  // `devices` names the drive as `info` does.
  const std::string drive = VirtualDrive(dir / "cd-r.img", "cd-r");
  const std::string name = Line(Orlix("info -d " + drive).out, "drive");
  EXPECT_TRUE(Has(Orlix("devices -d " + drive).out, ": " + name + "\n"));
}

TEST_F(Conventions, InfoJsonKeysBearUnitsAndASchema) {
  const Outcome o = Orlix("info --json -d " + VirtualDrive(dir / "cd-r.img", "cd-r"));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(Has(o.out, "\"schema\": 1,"));
  EXPECT_TRUE(Has(o.out, "\"profile\": \"0x0009\""));
  EXPECT_TRUE(std::regex_search(o.out, std::regex("\"max_write_speed\": \\{\"kBps\": \\d+, \"multiple\"")))
      << o.out;
  EXPECT_TRUE(std::regex_search(o.out, std::regex("\"buffer_KiB\": \\d+"))) << o.out;
  EXPECT_TRUE(std::regex_search(o.out, std::regex("\"total\": \\{\"blocks\": \\d+, \"MiB\": "))) << o.out;
  EXPECT_EQ(o.out.find("kbps"), std::string::npos);
  EXPECT_TRUE(Has(o.out, "\"status\": \"blank\""));
  if (Shell("command -v jq").status != 0) GTEST_SKIP() << "jq is not installed";
  const Outcome parsed = Shell(Quote(ORLIX_BIN_DIR "/orlix") + " info --json -d " + Quote("virtual:") +
                               " | jq -e '.schema == 1'");
  EXPECT_EQ(parsed.status, 0) << "valid JSON with a schema, also without a disc";
}

TEST_F(Conventions, EraseShowsTheDrivesProgressOnATerminal) {
  if (Shell("command -v script").status != 0) GTEST_SKIP() << "script (util-linux) is not installed";
  // The recorder blanks in 6 s and tells its progress; the tool polls it
  // every few seconds, so one value between the ends must be drawn.
  const std::string erase = Quote(ORLIX_BIN_DIR "/orlix") + " erase --full -d " +
                            VirtualDrive(dir / "rw.img", "cd-rw", ",op-ms=6000");
  const Outcome o = Shell("COLUMNS=80 script -qec " + Quote(erase) + " /dev/null");
  EXPECT_EQ(o.status, 0) << o.out;
  std::smatch m;
  std::string drawn = o.out;
  bool between = false;
  while (std::regex_search(drawn, m, std::regex("erasing \\[[#.]+\\] (\\d+)%"))) {
    const int percent = std::stoi(m[1].str());
    between = between || (percent > 0 && percent < 100);
    drawn = m.suffix();
  }
  EXPECT_TRUE(between) << o.out;
  EXPECT_TRUE(Has(o.out, "erasing [####################] 100%"));

  const Outcome quiet = Shell("COLUMNS=80 script -qec " + Quote(erase + " -q") + " /dev/null");
  EXPECT_EQ(quiet.out.find("erasing"), std::string::npos) << quiet.out;
}

}  // namespace
}  // namespace orlix::test
