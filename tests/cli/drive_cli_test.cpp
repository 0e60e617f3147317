// orlix devices, drive, info and erase end to end on the virtual recorder.
#include <regex>

#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

class DriveCli : public CliTest {
 protected:
  // A disc of that profile in this test's folder; blanks and formats take no time.
  std::string Drive(const std::string& profile, const std::string& extra = "") {
    return VirtualDrive(dir / (profile + ".img"), profile, extra);
  }
};

// The value of a "key: value" line.
std::string Line(const std::string& text, const std::string& key) {
  std::smatch m;
  return std::regex_search(text, m, std::regex("(^|\n)" + key + ": ([^\n]*)")) ? m[2].str()
                                                                               : "<no " + key + ">";
}

TEST_F(DriveCli, DevicesAndDrive) {
  Outcome o = Orlix("devices -d " + Drive("dvd+rw"));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(std::regex_match(o.out, std::regex("layer: \\S+\n0:0:0,.: ORLIX VIRTUAL RECORDER 1.00\n"))) << o.out;
  o = Orlix("drive -v --log-commands -d " + Drive("cd-r"));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Line(o.out, "address"), "0:0:0");
  EXPECT_EQ(Line(o.out, "name"), "ORLIX VIRTUAL RECORDER 1.00") << o.out;
  EXPECT_EQ(Line(o.out, "type"), "5 (CD/DVD)");
  EXPECT_TRUE(std::regex_search(o.err, std::regex("<<< \\d\\d:\\d\\d:\\d\\d\\d INQUIRY"))) << o.err;
  o = Orlix("drive -d x:0:0");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err.rfind("orlix: ", 0), 0u) << o.err;
  o = Orlix("devices -d " + Quote("virtual:" + (dir / "dvd+rw.img").string() + ",profile=floppy"));
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(Has(o.err, "virtual recorder"));
}

TEST_F(DriveCli, InfoOnEveryMedium) {
  const struct {
    const char *profile, *medium, *erasable, *counted;  // a formatted DVD-RW reads as complete: no free space
  } media[] = {{"cd-r", "CD-R", "no", "free"},
               {"dvd-rw-ro", "DVD-RW Restricted Overwrite", "yes", "total"},
               {"dvd-ram", "DVD-RAM", "yes", "free"}};
  for (const auto& m : media) {
    const Outcome o = Orlix("info -d " + Drive(m.profile));
    ASSERT_EQ(o.status, 0) << m.profile << o.err;
    EXPECT_EQ(Line(o.out, "disc"), m.medium);
    EXPECT_EQ(Line(o.out, "erasable"), m.erasable);
    EXPECT_TRUE(
        std::regex_match(Line(o.out, "max read speed"), std::regex("\\d+ KB/s \\(\\d+(\\.\\d)?x\\)")));
    EXPECT_TRUE(std::regex_match(Line(o.out, m.counted), std::regex("[1-9]\\d* blocks \\(\\d+\\.\\d MB\\)")))
        << o.out;
  }
  if (Shell("command -v jq").status != 0) GTEST_SKIP() << "jq is not installed";
  const std::string info = Quote(ORLIX_BIN_DIR "/orlix") + " info --json -d ";
  Outcome o = Shell(info + Drive("dvd+rw") +
                    " | jq -e '.drive.write_methods == [\"SAO\", \"TAO\"] and .disc.medium == \"DVD+RW\"'");
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  o = Shell(info + Quote("virtual:") + " | jq -e '.disc == {\"ready\": false}'");  // no disc
  EXPECT_EQ(o.status, 0) << o.out << o.err;
}

TEST_F(DriveCli, EraseQuickAndFullOrRefused) {
  for (const char* how : {"--quick", "--full"})
    EXPECT_EQ(Orlix(std::string("erase ") + how + " -d " + Drive("cd-rw")).status, 0) << how;
  EXPECT_EQ(Line(Orlix("info -d " + Drive("cd-rw")).out, "status"), "blank");
  Outcome o = Orlix("erase -d " + Drive("dvd+r"));
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "orlix: the DVD+R disc in the drive cannot be erased\n");
  o = Orlix("erase -d " + Drive("cd-rw", ",fault=fail:A1"));
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(Has(o.err, "refused"));
  EXPECT_NE(Orlix("erase --quick --full -d " + Drive("cd-rw")).status, 0);
}

}  // namespace
}  // namespace orlix::test
