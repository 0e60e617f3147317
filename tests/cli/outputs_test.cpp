// What `orlix mkiso -o` may write: only a regular file (a block device when
// told so), through links to their targets, never a source, never leaving
// a temporary file behind when stopped.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

using Outputs = CliTest;

bool IsRoot() { return geteuid() == 0; }

// The primary volume descriptor's signature, at sector 16.
bool HoldsImage(const std::string& bytes) {
  return bytes.size() > 32774 && bytes.compare(32768, 6, "\1CD001") == 0;
}

TEST_F(Outputs, DeviceNodesFifosAndFoldersAreNeverReplaced) {
  Write("src/a.txt");
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
  Outcome r = Orlix("mkiso -q -o " + Path("pipe") + " " + Path("src"));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "pipe: a FIFO; an image is written only to a regular file"));
  EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
  fs::create_directory(dir / "folder");
  r = Orlix("mkiso -q -o " + Path("folder") + " " + Path("src"));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  if (!IsRoot()) GTEST_SKIP() << "making a device node needs root";
  // The null device's numbers, in the test's own folder.
  ASSERT_EQ(mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  for (const char* force : {"", "--force "}) {
    r = Orlix("mkiso -q " + std::string(force) + "-o " + Path("null") + " " + Path("src"));
    EXPECT_EQ(r.status, 1) << force;
    EXPECT_TRUE(Has(r.err, "a character device")) << force;
    EXPECT_TRUE(fs::is_character_file(dir / "null")) << force;
  }
}

// A loop device over a file in the test's folder stands for a USB stick.
TEST_F(Outputs, BlockDeviceIsWrittenInPlaceOnlyWithForce) {
  if (!IsRoot()) GTEST_SKIP() << "loop devices need root";
  const std::string backing = Write("stick.bin", std::string(4 << 20, '\xEE'));
  const Outcome loop = Shell("losetup --find --show " + Quote(backing));
  if (loop.status != 0 || loop.out.empty()) GTEST_SKIP() << "no loop device here: " << loop.err;
  const std::string device = loop.out.substr(0, loop.out.find('\n'));
  struct Detach {
    std::string device;
    fs::path scratch;
    ~Detach() { test::Shell("losetup -d " + Quote(device), scratch); }
  } detach{device, dir};
  struct stat st {};
  ASSERT_EQ(stat(device.c_str(), &st), 0);
  ASSERT_EQ(mknod((dir / "stick").c_str(), S_IFBLK | 0600, st.st_rdev), 0);
  Write("src/a.txt", "hello");

  Outcome r = Orlix("mkiso -q -o " + Path("stick") + " " + Path("src"));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "a block device; --force writes the image onto it"));
  EXPECT_FALSE(HoldsImage(ReadAll(backing)));

  r = Orlix("mkiso -q --force -o " + Path("stick") + " " + Path("src"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_block_file(dir / "stick"));
  test::Shell("sync", dir);
  const std::string bytes = ReadAll(backing);
  EXPECT_TRUE(HoldsImage(bytes));
  EXPECT_EQ(bytes.size(), size_t{4} << 20) << "written in place, not replaced";
  for (const auto& e : fs::directory_iterator(dir)) EXPECT_NE(e.path().extension(), ".tmp") << e.path();

  // An image larger than the device is refused before a byte is written.
  Write("big/b.bin", std::string(5 << 20, 'b'));
  r = Orlix("mkiso -q --force -o " + Path("stick") + " " + Path("big"));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "the device holds 4194304"));
}

TEST_F(Outputs, LinkIsFollowedToItsTarget) {
  Write("src/a.txt");
  Write("images/target.iso", "old");
  fs::create_symlink(dir / "images" / "target.iso", dir / "link.iso");
  Outcome r = Orlix("mkiso -q -o " + Path("link.iso") + " " + Path("src"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(dir / "link.iso"));
  EXPECT_TRUE(HoldsImage(ReadAll(dir / "images" / "target.iso")));
  // A link that leads nowhere is not replaced by a file either.
  fs::create_symlink(dir / "nowhere" / "x.iso", dir / "dangling.iso");
  r = Orlix("mkiso -q -o " + Path("dangling.iso") + " " + Path("src"));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "a symbolic link that leads nowhere"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.iso"));
}

TEST_F(Outputs, OutputNeverBecomesASource) {
  Write("src/a.txt", "data");
  const std::string out = (dir / "src" / "out.iso").string();
  ASSERT_EQ(Orlix("mkiso -q -o " + Quote(out) + " " + Path("src")).status, 0);
  const std::string first = ReadAll(out);
  Outcome r = Orlix("mkiso -q --date 2020-01-01 -o " + Quote(out) + " " + Path("src"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.err, "out.iso: the output image itself, not taken into the image"));
  const std::string second = ReadAll(out);
  EXPECT_EQ(second.size(), first.size());
  EXPECT_EQ(second.find("OUT.ISO"), std::string::npos);
  // Named as a source, directly or through a second name, it is refused and kept.
  fs::create_hard_link(dir / "src" / "a.txt", dir / "twin.txt");
  for (const char* source : {"src/a.txt", "twin.txt"}) {
    r = Orlix("mkiso -q -o " + Path("src/a.txt") + " " + Path(source));
    EXPECT_EQ(r.status, 1) << source;
    EXPECT_TRUE(Has(r.err, "the output is one of the sources")) << source;
    EXPECT_EQ(ReadAll(dir / "src" / "a.txt"), "data") << source;
  }
}

TEST_F(Outputs, ReplacedImageKeepsItsModeAndOwner) {
  Write("src/a.txt");
  const fs::path out = dir / "out.iso";
  Write("out.iso", "old");
  ASSERT_EQ(chmod(out.c_str(), 0640), 0);
  const bool root = IsRoot();
  if (root) {
    ASSERT_EQ(chown(out.c_str(), 4321, 4322), 0);
  }
  ASSERT_EQ(Orlix("mkiso -q -o " + Path("out.iso") + " " + Path("src")).status, 0);
  struct stat st {};
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
  }
  EXPECT_TRUE(HoldsImage(ReadAll(out)));
}

TEST_F(Outputs, ExtractWritesOverRegularFilesOnly) {
  Write("src/a.txt", "from the disc");
  ASSERT_EQ(Orlix("mkiso -q -o " + Path("disc.iso") + " " + Path("src")).status, 0);
  const std::string disc = (dir / "disc").string(), image = (dir / "disc.iso").string();
  // A pressed disc holding the image; made by the tool where it must be.
  Shell(Quote(ORLIX_BIN_DIR "/orlix") + " vdisc create " + Quote(disc) + " --profile dvd-rom --image " +
        Quote(image));
  const std::string drive = Quote("virtual:" + disc + ",profile=dvd-rom,image=" + image);
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
  Outcome r = Orlix("extract -q -d " + drive + " /a.txt " + Path("pipe"));
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(Has(r.err, "pipe: a FIFO; only a regular file is written over"));
  EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
  Write("old.txt", "old");
  r = Orlix("extract -q -d " + drive + " /a.txt " + Path("old.txt"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadAll(dir / "old.txt"), "from the disc");
}

TEST_F(Outputs, StoppedWritesLeaveNoTemporaryFile) {
  const std::string ignored = Shell("sed -n 's/^SigIgn:\\s*//p' /proc/$$/status").out;
  if (ignored.empty() || (std::stoull(ignored, nullptr, 16) & 0x4003))  // HUP, INT, TERM
    GTEST_SKIP() << "SIGHUP, SIGINT or SIGTERM is ignored here";
  // Enough data that the write is still going when the signal comes (a
  // sparse file costs no disk until the image is written).
  for (int i = 0; i < 200; ++i) Write("src/f" + std::to_string(i) + ".bin", Pattern(20000, i));
  fs::resize_file(Write("src/big.bin"), int64_t{128} << 20);
  const std::string mkiso = Quote(ORLIX_BIN_DIR "/orlix") + " mkiso -q ";
  struct Case {
    const char* signal;
    const char* way;
    int status;
  };
  for (const Case& c :
       {Case{"INT", "", 130}, {"TERM", "--threaded ", 143}, {"HUP", "", 129}, {"INT", "--threaded ", 130}}) {
    const std::string out = Path("out") + "/x.iso";
    fs::create_directories(dir / "out");
    // Signalled as soon as the temporary file appears; the watcher ends with the tool.
    const Outcome o = Shell(
        "(while kill -0 $$ 2>/dev/null; do for f in " + Path("out") + "/*.tmp; do [ -e \"$f\" ] && kill -" +
        c.signal + " $$ && exit; done; done) & exec " + mkiso + c.way + "-o " + out + " " + Path("src"));
    if (o.status == 0 && fs::exists(dir / "out" / "x.iso"))
      GTEST_SKIP() << "the image was written before the signal came";
    EXPECT_EQ(o.status, c.status) << c.signal << " " << c.way << o.err;
    EXPECT_TRUE(Has(o.err, "stopped; no image written")) << c.signal << " " << c.way;
    EXPECT_TRUE(fs::is_empty(dir / "out")) << c.signal << " " << c.way;
  }
}

}  // namespace
}  // namespace orlix::test
