// Drive names and disc files: a verb that only uses a disc never makes one,
// a damaged disc is refused with its line, and a badly written drive name is
// told as such, whatever layers the machine has.
#include <fstream>
#include <regex>

#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

class Drives : public CliTest {
 protected:
  std::string Disc(const std::string& name) const { return (dir / name).string(); }
};

TEST_F(Drives, AMissingDiscFileIsNamedAndNeverMade) {
  const std::string typo = Disc("typo.img");
  const std::string drive = Quote("virtual:" + typo + ",profile=dvd+rw,op-ms=0");
  Write("src/a.txt", "a");
  for (const std::string verb :
       {"info", "erase", "drive", "devices", "sessions", "ls", "burn", "burn-image"}) {
    const std::string args = verb == "burn" || verb == "burn-image" ? " " + Path("src/a.txt") : "";
    const Outcome o = Orlix(verb + " -d " + drive + args);
    EXPECT_EQ(o.status, 1) << verb << ": " << o.err;
    EXPECT_TRUE(Has(o.err, "no such disc file: " + typo)) << verb;
    EXPECT_FALSE(fs::exists(typo)) << verb << " made the disc file";
    EXPECT_FALSE(fs::exists(typo + ".desc")) << verb << " made the description";
  }
  const Outcome shown = Orlix("vdisc show " + Quote(typo));
  EXPECT_EQ(shown.status, 1);
  EXPECT_TRUE(Has(shown.err, "no such disc file: " + typo));

  // A plain file is not taken as a pressed disc either.
  const std::string plain = Write("image.iso", std::string(4096, 'i'));
  const Outcome o = Orlix("info -d " + Quote("virtual:" + plain + ",profile=cd-rom"));
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(Has(o.err, "vdisc create"));
  EXPECT_FALSE(fs::exists(plain + ".desc"));

  // What vdisc create made, every verb uses.
  ASSERT_EQ(Orlix("vdisc create " + Quote(typo) + " --profile dvd+rw").status, 0);
  EXPECT_EQ(Orlix("info -d " + drive).status, 0);
}

TEST_F(Drives, ADamagedDescriptionIsToldAndLeftAlone) {
  const std::string disc = Disc("rw.img");
  ASSERT_EQ(Orlix("vdisc create " + Quote(disc) + " --profile cd-rw --blocks 1000").status, 0);
  std::string text = ReadAll(disc + ".desc");
  text = std::regex_replace(text, std::regex("capacity 1000"), "capacity -5");
  std::ofstream(disc + ".desc", std::ios::binary | std::ios::trunc) << text;

  for (const std::string verb : {"info", "erase"}) {
    const Outcome o = Orlix(verb + " -d " + Quote("virtual:" + disc + ",op-ms=0"));
    EXPECT_EQ(o.status, 1) << verb;
    EXPECT_TRUE(Has(o.err, disc + ".desc is damaged: line 3: capacity must be")) << verb;
  }
  EXPECT_EQ(ReadAll(disc + ".desc"), text) << "an erase must not store the damaged capacity";
  const Outcome shown = Orlix("vdisc show " + Quote(disc));
  EXPECT_EQ(shown.status, 1);
  EXPECT_TRUE(Has(shown.err, "line 3"));

  // A disc file larger than its description's capacity belongs to another disc.
  ASSERT_EQ(Orlix("vdisc create " + Path("small.img") + " --profile dvd+rw --blocks 100").status, 0);
  fs::resize_file(dir / "small.img", 200 * 2048);
  const Outcome o = Orlix("info -d " + Quote("virtual:" + Disc("small.img")));
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(Has(o.err, "gives a capacity of 100"));
}

TEST_F(Drives, ABadDriveNameSaysWhatIsWrongAndListsTheForms) {
  struct Case {
    std::string name, said;
  };
  const Case cases[] = {
      {"9:9:9", "\"9:9:9\": target 9 is not 0 to 7"},
      {"1:0:8", "\"1:0:8\": LUN 8 is not 0 to 7"},
      {"A:", "\"A:\" is a floppy drive's letter"},
      {"/dev/null", "\"/dev/null\" is not a CD/DVD drive"},
      {"/dev/sr24", "\"/dev/sr24\" is past the last drive"},
      {"", "the drive name is empty"},
      {"cdrom", "\"cdrom\" is no drive name"},
  };
  for (const Case& c : cases) {
    const Outcome o = Orlix("info -d " + Quote(c.name));
    EXPECT_EQ(o.status, 1) << c.name;
    EXPECT_TRUE(Has(o.err, c.said)) << c.name;
    EXPECT_TRUE(Has(o.err, "C: to Z:")) << c.name << ": the forms are listed";
    EXPECT_TRUE(Has(o.err, "virtual:FILE")) << c.name;
    EXPECT_EQ(o.err.find("ASPI manager"), std::string::npos) << c.name << ": " << o.err;
  }
  // A well-formed letter with no drive behind it is named with its device.
  const Outcome o = Orlix("info -d Q:");
  EXPECT_EQ(o.status, 1);
  if (o.err.find("the system shows none") != std::string::npos)
    EXPECT_TRUE(Has(o.err, "no CD/DVD drive Q: (/dev/sr14)"));
  else
    EXPECT_TRUE(Has(o.err, "no CD/DVD drive at \"Q:\""));
}

}  // namespace
}  // namespace orlix::test
