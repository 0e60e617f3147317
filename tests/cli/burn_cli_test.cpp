// orlix burn, burn-image and mkiso --threaded end to end on the virtual
// recorder: what reaches the disc file, what is refused, interrupts, the
// default drive.
#include <map>

#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

class BurnCli : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    unsigned seed = 1;
    for (auto [rel, size] : {std::pair{"a.txt", size_t{5}},
                             {"empty.bin", 0},
                             {"sub/b.bin", 2049},
                             {"sub/deeper/c.bin", 300000},
                             {"Long name with spaces.txt", 77}})
      source[rel] = Write("src/" + std::string(rel), Pattern(size, seed++)), sizes[rel] = size;
  }
  // A disc of that profile in this test's folder; closing takes no time.
  std::string Disc(const std::string& name, const std::string& profile, const std::string& extra = "") {
    return VirtualDrive(dir / name, profile, extra);
  }
  // Every source file comes back from the disc file byte for byte.
  void ExpectFilesOn(const std::string& disc) {
    const fs::path out = dir / ("out_" + disc);
    const Outcome o = Shell("osirrox -indev " + Path(disc) + " -extract / " + Quote(out.string()));
    ASSERT_EQ(o.status, 0) << o.err;
    for (auto& [rel, path] : source)
      EXPECT_TRUE(ReadAll(out / rel) == ReadAll(path)) << disc << ": " << rel << " is missing or differs";
  }
  std::string Status(const std::string& disc) {
    const Outcome o = Orlix("info -d " + Quote("virtual:" + (dir / disc).string()));
    const size_t at = o.out.find("\nstatus: ");
    return at == std::string::npos ? "<no status>" : o.out.substr(at + 9, o.out.find('\n', at + 1) - at - 9);
  }

  std::map<std::string, std::string> source;
  std::map<std::string, size_t> sizes;
};

TEST_F(BurnCli, RecordsATreeThatOutsideReadersGetBack) {
  for (auto [profile, how] : {std::pair{"dvd+r", ""}, {"cd-r", ""}, {"cd-rw", "--sao"}}) {
    const std::string disc = std::string(profile) + ".img";
    const Outcome o = Orlix("burn --verify -V BURNT " + std::string(how) + " -d " + Disc(disc, profile) +
                            " " + Path("src"));
    ASSERT_EQ(o.status, 0) << profile << how << o.err;
    EXPECT_TRUE(Has(o.out, "recorded: "));
    EXPECT_TRUE(Has(o.out, ", verified"));
    EXPECT_FALSE(Has(o.err, "\r")) << "a progress line without a terminal";
    EXPECT_TRUE(Has(Shell("isoinfo -d -i " + Path(disc)).out, "Volume id: BURNT"));
    ExpectFilesOn(disc);
  }
  // A test write sends everything and records nothing.
  const Outcome o = Orlix("burn --test -d " + Disc("test.img", "cd-r") + " " + Path("src"));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(Has(o.out, "test write: "));
  EXPECT_EQ(Status("test.img"), "blank");
}

TEST_F(BurnCli, LaterSessionsAndAClosedDisc) {
  Write("second/new.txt", "second session");
  // A DVD+RW takes the next tree after the first; readers find the latest.
  ASSERT_EQ(Orlix("burn -d " + Disc("rw.img", "dvd+rw") + " " + Path("src")).status, 0);
  const Outcome o = Orlix("burn -d " + Disc("rw.img", "dvd+rw") + " " + Path("second"));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(Has(Shell("isoinfo -J -l -i " + Path("rw.img")).out, "new.txt"));
  // A finalized disc takes nothing more, and says so before recording.
  ASSERT_EQ(Orlix("burn --finalize -d " + Disc("fin.img", "cd-r") + " " + Path("src")).status, 0);
  EXPECT_EQ(Status("fin.img"), "complete");
  const Outcome closed = Orlix("burn -d " + Disc("fin.img", "cd-r") + " " + Path("second"));
  EXPECT_EQ(closed.status, 1);
  EXPECT_TRUE(Has(closed.err, "the CD-R disc in the drive is closed"));
}

TEST_F(BurnCli, SpeedsReachTheDriveInKBps) {
  // The write speed field of SET CD SPEED, as the command log shows it.
  const struct {
    const char *profile, *speed, *field;
  } cases[] = {{"dvd+r", "2x", "0A D2"},
               {"cd-r", "4x", "02 C2"},
               {"cd-r", "1000", "03 E8"},
               {"dvd-r", "max", "FF FF"}};
  for (const auto& c : cases) {
    const Outcome o = Orlix("burn -v --log-commands --speed " + std::string(c.speed) + " -d " +
                            Disc(std::string(c.profile) + c.speed + ".img", c.profile) + " " + Path("src"));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(Has(o.err, "(BB) {40|0C} - 0:0:0 <01> [00000] 00 FF FF " + std::string(c.field) + " 00"))
        << c.profile << " " << c.speed;
  }
}

TEST_F(BurnCli, BurnImageRecordsTheImageFromSectorZero) {
  ASSERT_EQ(Orlix("mkiso -q -o " + Path("m.iso") + " " + Path("src")).status, 0);
  const Outcome o = Orlix("burn-image --verify --json -d " + Disc("m.img", "dvd-r") + " " + Path("m.iso"));
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string image = ReadAll(dir / "m.iso");
  EXPECT_TRUE(ReadAll(dir / "m.img").substr(0, image.size()) == image);
  EXPECT_TRUE(Has(o.out, "\"schema\": 1, \"result\": \"ok\", \"error\": \"\", \"medium\": \"DVD-R\""));
  EXPECT_TRUE(Has(o.out, "\"image_bytes\": " + std::to_string(image.size())));
  EXPECT_TRUE(Has(o.out, "\"verified\": true, \"verify_fail_sector\": null"));
  // Sector 0 is taken now: a second image cannot go there.
  const Outcome again = Orlix("burn-image -d " + Disc("m.img", "dvd-r") + " " + Path("m.iso"));
  EXPECT_EQ(again.status, 1);
  EXPECT_TRUE(Has(again.err, "needs a blank disc"));
}

TEST_F(BurnCli, AVerifyFailureNamesTheSectorAndItsFile) {
  // The only file's data starts at sector 150.
  const std::string only = Write("one/only.bin", Pattern(20000, 5));
  const Outcome o =
      Orlix("burn --verify --json -d " + Disc("v.img", "dvd+r", ",fault=corrupt:152") + " " + Path("one"));
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(Has(o.err, "first bad sector: 152, in " + only + "\n"));
  EXPECT_TRUE(Has(o.out, "\"result\": \"error\""));
  EXPECT_TRUE(Has(o.out, "\"verified\": false, \"verify_fail_sector\": 152"));
}

TEST_F(BurnCli, RefusalsSayWhyAndRecordNothing) {
  Write("twin/same.txt");
  Write("twin/sub/x");
  Write("twin2/SAME.TXT");
  const struct {
    std::string args;
    int status;
    std::string said;
  } cases[] = {
      {"-d " + Disc("missing.img", "cd-r") + " " + Path("nope"), 1, (dir / "nope").string()},
      {"-d " + Disc("twin.img", "cd-r") + " " + Path("twin") + " " + Path("twin2"), 2, "left out"},
      {"-d " + Disc("rom.img", "cd-rom", ",image=" + (dir / "src" / "a.txt").string()) + " " + Path("src"), 1,
       "CD-ROM disc in the drive is pressed"},
      {"-d " + Disc("small.img", "dvd+rw", ",blocks=200") + " " + Path("src"), 1, "does not fit"},
      {"-d " + Quote("virtual:") + " " + Path("src"), 1, "no disc"},
  };
  for (const auto& c : cases) {
    const Outcome o = Orlix("burn " + c.args);
    EXPECT_EQ(o.status, c.status) << c.args << o.err;
    EXPECT_TRUE(Has(o.err, c.said));
  }
  EXPECT_EQ(Status("twin.img"), "blank");
  // Usage errors of every verb exit 64; help does not.
  for (const char* args :
       {"burn --speed fast x", "burn --cache 1 x", "burn-image", "info --bogus", "erase -z"})
    EXPECT_EQ(Orlix(args).status, 64) << args;
  EXPECT_EQ(Orlix("burn --help").status, 0);
}

TEST_F(BurnCli, InterruptsStopTheRecordingOnce) {
  // Signals ignored by whoever started the tests stay ignored by the tool.
  const std::string ignored = Shell("sed -n 's/^SigIgn:\\s*//p' /proc/$$/status").out;
  if (ignored.empty() || (std::stoull(ignored, nullptr, 16) & ((1u << (2 - 1)) | (1u << (15 - 1)))))
    GTEST_SKIP() << "SIGINT or SIGTERM is ignored here";
  Write("slow/big.bin", Pattern(8 << 20, 7));
  // 8 MiB at 1000 kB/s: the drive's 2 MiB buffer takes the start at once,
  // the rest takes six seconds; stopped after two.
  const std::string burn = Quote(ORLIX_BIN_DIR "/orlix") + " burn -d ";
  for (auto [signal, status] : {std::pair{"INT", 130}, {"TERM", 143}}) {
    const std::string disc = Disc(std::string(signal) + ".img", "dvd+r", ",speed=1000");
    const Outcome o = Shell("(sleep 2; kill -" + std::string(signal) + " $$; sleep 0.3; kill -" + signal +
                            " $$) & exec " + burn + disc + " --json " + Path("slow"));
    EXPECT_EQ(o.status, status) << signal;
    EXPECT_TRUE(Has(o.out, "\"result\": \"aborted\", \"error\": \"OPERATION ABORTED BY USER\""));
    EXPECT_TRUE(Has(o.err, "orlix: stopping...\norlix: OPERATION ABORTED BY USER\n"));
    EXPECT_EQ(o.err.find("stopping"), o.err.rfind("stopping")) << "the second signal is not told";
  }
}

TEST_F(BurnCli, ADriveBusyWhileScannedIsAskedAgain) {
  const Outcome o = Orlix("info -d " + Disc("busy.img", "dvd+r", ",fault=busy:3"));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(Has(o.out, "disc: DVD+R"));
}

TEST_F(BurnCli, TheDefaultDrive) {
  // The variable names the drive as -d does.
  Outcome o =
      Shell("ORLIX_DEVICE=" + Disc("env.img", "cd-rw") + " " + Quote(ORLIX_BIN_DIR "/orlix") + " info");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(Has(o.out, "disc: CD-RW"));
  if (fs::exists("/dev/sr0")) GTEST_SKIP() << "a system drive is present: it would be the default";
  const std::string run =
      "env -u ORLIX_DEVICE XDG_DATA_HOME=" + Path("data") + " " + Quote(ORLIX_BIN_DIR "/orlix");
  const std::string disc = (dir / "data" / "orlix" / "default-disc").string();
  o = Shell(run + " burn -V DEFAULT " + Path("src"));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(Has(o.err, "a new blank DVD+RW in " + disc + "\n"));
  EXPECT_TRUE(Has(o.out, " on DVD+RW "));
  EXPECT_TRUE(Has(Shell("isoinfo -d -i " + Quote(disc)).out, "Volume id: DEFAULT"));
  o = Shell(run + " info");
  EXPECT_TRUE(Has(o.err, "the disc in " + disc + "\n"));
  EXPECT_EQ(Shell(run + " info -q").err, "");
}

TEST_F(BurnCli, ThreadedImageEqualsTheDirectOneBarItsPadding) {
  for (const char* how : {"", "--threaded"})
    ASSERT_EQ(Orlix("mkiso -q --date 2001-02-03 " + std::string(how) + " -o " +
                    Path(std::string("i") + how + ".iso") + " " + Path("src"))
                  .status,
              0);
  const std::string direct = ReadAll(dir / "i.iso"), threaded = ReadAll(dir / "i--threaded.iso");
  // Tiny images are padded with zeros to 300 sectors.
  EXPECT_EQ(threaded.size(), std::max<size_t>(direct.size(), 300 * 2048));
  EXPECT_TRUE(threaded.substr(0, direct.size()) == direct);
  EXPECT_EQ(threaded.find_first_not_of('\0', direct.size()), std::string::npos);
}

}  // namespace
}  // namespace orlix::test
