// orlix info and orlix erase end to end on the virtual recorder.
#include <gtest/gtest.h>

#include <regex>

#include "tests/cli/mkiso_support.h"

namespace orlix::test {
namespace {

class DriveCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orlix_info_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  Outcome Shell(const std::string& command) {
    const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
    const int raw = std::system((command + " >" + Quote(out) + " 2>" + Quote(err) + " </dev/null").c_str());
    return {(raw >> 8) & 0xFF, ReadAll(out), ReadAll(err)};
  }
  // The drive option of a disc of that profile in this test's folder; the
  // recorder blanks and formats at once.
  std::string Drive(const std::string& profile, const std::string& name = "disc.img") {
    return Quote("virtual:" + (dir_ / name).string() + ",profile=" + profile + ",op-ms=0");
  }
  Outcome Orlix(const std::string& args) {
    return Shell(Quote(std::string(ORLIX_BIN_DIR) + "/orlix") + " " + args);
  }

  fs::path dir_;
};

// The value of a "key: value" line.
std::string Line(const std::string& text, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(text, m, std::regex("(^|\n)" + key + ": ([^\n]*)"))) return "<missing " + key + ">";
  return m[2];
}

TEST_F(DriveCli, InfoOnEveryMedium) {
  const struct {
    const char* profile;
    const char* medium;
    bool erasable;
    bool free;  // a formatted DVD-RW reads as a complete disc: nothing to append to
  } media[] = {{"cd-r", "CD-R", false, true},
               {"cd-rw", "CD-RW", true, true},
               {"dvd-r", "DVD-R", false, true},
               {"dvd-rw", "DVD-RW Sequential Recording", true, true},
               {"dvd-rw-ro", "DVD-RW Restricted Overwrite", true, false},
               {"dvd+r", "DVD+R", false, true},
               {"dvd+rw", "DVD+RW", true, true},
               {"dvd-ram", "DVD-RAM", true, true}};
  const std::regex speed("\\d+ KB/s \\(\\d+(\\.\\d)?x\\)");
  for (const auto& m : media) {
    SCOPED_TRACE(m.profile);
    const Outcome o = Orlix("info -d " + Drive(m.profile, std::string(m.profile) + ".img"));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Line(o.out, "drive"), "ORLIX    VIRTUAL RECORDER 1.00");
    EXPECT_EQ(Line(o.out, "disc"), m.medium);
    EXPECT_EQ(Line(o.out, "erasable"), m.erasable ? "yes" : "no");
    for (const char* key : {"max read speed", "current read speed", "max write speed", "current write speed"})
      EXPECT_TRUE(std::regex_match(Line(o.out, key), speed)) << key << ": " << Line(o.out, key);
    EXPECT_TRUE(std::regex_match(Line(o.out, m.free ? "free" : "total"),
                                 std::regex("[1-9]\\d* blocks \\(\\d+\\.\\d MB\\)")))
        << o.out;
    EXPECT_NE(Line(o.out, "buffer"), "0 KB");
  }
}

TEST_F(DriveCli, InfoOfAPressedCd) {
  WriteFile(dir_ / "content.iso", Pattern(300 * 2048, 7));
  const Outcome o = Orlix("info -d " + Quote("virtual:" + (dir_ / "pressed.img").string() +
                                             ",profile=cd-rom,image=" + (dir_ / "content.iso").string()));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Line(o.out, "disc"), "CD-ROM");
  EXPECT_EQ(Line(o.out, "status"), "complete");
  EXPECT_EQ(Line(o.out, "erasable"), "no");
  EXPECT_EQ(Line(o.out, "free"), "0 blocks (0.0 MB)");
}

TEST_F(DriveCli, InfoAsJson) {
  if (Shell("command -v jq").status != 0) GTEST_SKIP() << "jq is not installed";
  const std::string info = Quote(std::string(ORLIX_BIN_DIR) + "/orlix") + " info --json -d ";
  Outcome o = Shell(info + Drive("dvd+rw") + " | jq -e '.drive.write_methods == [\"SAO\", \"TAO\"] and " +
                    ".disc.ready and .disc.erasable and .disc.medium == \"DVD+RW\" and " +
                    ".disc.free.blocks > 2000000 and .drive.speed_multiple_of == \"DVD\" and " +
                    "(.drive.reads | index(\"DVD+RW\")) != null'");
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  // No disc: the drive still answers.
  o = Shell(info + Quote("virtual:") +
            " | jq -e '.disc == {\"ready\": false} and .drive.speed_multiple_of == \"CD\"'");
  EXPECT_EQ(o.status, 0) << o.out << o.err;
}

TEST_F(DriveCli, EraseRewritableMedia) {
  for (const char* profile : {"cd-rw", "dvd-rw", "dvd+rw", "dvd-ram"}) {
    for (const char* how : {"--quick", "--full"}) {
      SCOPED_TRACE(std::string(profile) + " " + how);
      const Outcome o =
          Orlix(std::string("erase ") + how + " -d " + Drive(profile, std::string(profile) + ".img"));
      EXPECT_EQ(o.status, 0) << o.err;
      EXPECT_NE(o.out.find("erased: "), std::string::npos) << o.out;
    }
  }
  const Outcome o = Orlix("info -d " + Drive("cd-rw", "cd-rw.img"));
  EXPECT_EQ(Line(o.out, "status"), "empty");
}

TEST_F(DriveCli, EraseRefusals) {
  Outcome o = Orlix("erase -d " + Drive("dvd+r"));
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "orlix: the DVD+R disc in the drive cannot be erased\n");

  o = Orlix("erase -d " + Quote("virtual:" + (dir_ / "rw.img").string() + ",profile=cd-rw,fault=fail:A1"));
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("refused"), std::string::npos) << o.err;

  o = Orlix("erase --quick --full -d " + Drive("cd-rw"));
  EXPECT_NE(o.status, 0);
  EXPECT_EQ(o.out, "");
}

}  // namespace
}  // namespace orlix::test
