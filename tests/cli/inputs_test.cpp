// What `orlix tree` and `orlix mkiso` take from the host: regular files and
// folders only, links that lead somewhere, one reading of --dest, and boot
// images a BIOS can start.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

using Inputs = CliTest;

// Binds a Unix socket at `path` (relative to the working folder, as
// sun_path is short).
bool MakeSocket(const fs::path& folder, const char* name) {
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  if (sock < 0) return false;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, name);
  const fs::path before = fs::current_path();
  fs::current_path(folder);
  const bool bound = bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  fs::current_path(before);
  close(sock);
  return bound;
}

TEST_F(Inputs, SpecialFilesAreLeftOutAndNamedWithTheirKind) {
  Write("src/a.txt", "abc");
  ASSERT_EQ(mkfifo((dir / "src" / "pipe").c_str(), 0600), 0);
  ASSERT_TRUE(MakeSocket(dir / "src", "sock"));
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(mknod((dir / "src" / "null").c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
  }
  const std::string src = (dir / "src").string() + "/";
  for (const std::string& verb : {std::string("tree "), "mkiso -q -o " + Path("x.iso") + " "}) {
    Outcome r = Orlix(verb + Path("src"));
    EXPECT_EQ(r.status, 2) << verb;
    EXPECT_TRUE(Has(r.err, "left out " + src + "pipe: a FIFO, not a regular file")) << verb;
    EXPECT_TRUE(Has(r.err, "left out " + src + "sock: a socket, not a regular file")) << verb;
    if (root) {
      EXPECT_TRUE(Has(r.err, "left out " + src + "null: a character device, not a regular file")) << verb;
    }
    EXPECT_FALSE(Has(r.out, "pipe")) << verb;
  }
  EXPECT_FALSE(fs::exists(dir / "x.iso"));
  // Named on the command line, they are refused the same way.
  EXPECT_EQ(Orlix("tree " + Path("src/pipe")).status, 2);
  const Outcome r = Orlix("mkiso -q --skip-refused -o " + Path("x.iso") + " " + Path("src"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "x.iso"));
}

TEST_F(Inputs, KernelFilesOfNoKnownSizeAreLeftOut) {
  if (!fs::exists("/proc/self/status")) GTEST_SKIP() << "no /proc here";
  // Only listed, never read: 0 bytes there would become an empty file.
  const Outcome r = Orlix("tree /proc/self/status");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "left out /proc/self/status: a file the kernel makes as it is read"));
}

TEST_F(Inputs, BrokenLinkIsNamedAndExitsTwoInEveryVerb) {
  Write("src/a.txt");
  fs::create_symlink(dir / "gone.txt", dir / "src" / "dangling.txt");
  const std::string told =
      "left out " + (dir / "src" / "dangling.txt").string() + ": a symbolic link whose target is missing";
  for (const std::string& verb :
       {std::string("tree "), std::string("tree --test-files "), "mkiso -q -o " + Path("x.iso") + " "}) {
    const Outcome r = Orlix(verb + Path("src"));
    EXPECT_EQ(r.status, 2) << verb;
    EXPECT_TRUE(Has(r.err, told)) << verb;
  }
}

TEST_F(Inputs, DestIsReadOneWayByEveryVerb) {
  Write("src/a.txt");
  // Either separator, nested folders, in both verbs.
  for (const char* dest : {"/DOCS/sub", "\\DOCS\\sub", "DOCS/sub/", "/DOCS\\sub"}) {
    Outcome r = Orlix("tree --dest " + Quote(dest) + " " + Path("src"));
    EXPECT_EQ(r.status, 0) << dest << r.err;
    EXPECT_TRUE(Has(r.out, "\\DOCS\n  sub\tSUB\t<DIR>")) << dest;
    EXPECT_TRUE(Has(r.out, "\\DOCS\\sub\n  a.txt\t")) << dest;
    r = Orlix("mkiso -q --list --dest " + Quote(dest) + " -o " + Path("x.iso") + " " + Path("src"));
    EXPECT_EQ(r.status, 0) << dest << r.err;
    EXPECT_TRUE(Has(r.out, "DOCS\\SUB")) << dest << r.out;
  }
  for (const char* dest : {"\\..\\x", "/a/./b", "a//b", "", "//", "a/b//"}) {
    for (const std::string& verb : {std::string("tree "), "mkiso -q -o " + Path("x.iso") + " "}) {
      const Outcome r = Orlix(verb + "--dest " + Quote(dest) + " " + Path("src"));
      EXPECT_EQ(r.status, 64) << verb << dest;
      EXPECT_TRUE(Has(r.err, "invalid --dest")) << verb << dest;
    }
  }
}

// An MBR: the signature and one partition entry per type given.
std::string HardDiskImage(size_t size, std::initializer_list<uint8_t> types) {
  std::string image(size, '\0');
  int i = 0;
  for (uint8_t type : types) image[446 + 16 * i++ + 4] = static_cast<char>(type);
  image[510] = '\x55';
  image[511] = '\xAA';
  return image;
}

// The boot catalog's media type byte of the image `iso`.
int MediaType(const std::string& iso) {
  if (iso.size() < 17 * 2048 + 75) return -1;
  const auto* p = reinterpret_cast<const uint8_t*>(iso.data());
  const size_t catalog =
      (p[17 * 2048 + 71] | p[17 * 2048 + 72] << 8 | p[17 * 2048 + 73] << 16) * size_t{2048};
  return catalog + 34 <= iso.size() ? p[catalog + 33] : -1;
}

TEST_F(Inputs, BootImagesAreDiskettesOrHardDisksWithOnePartition) {
  Write("src/a.txt");
  struct Case {
    const char* name;
    std::string data;
    int status;
    int media;  // 2: 1.44 MB diskette, 4: hard disk
  };
  const Case cases[] = {
      {"tiny.img", "abc", 1, -1},
      {"diskette.img", std::string(1474560, 'd'), 0, 2},
      // Rounded to sectors this would look like a diskette; it is a hard disk.
      {"almost.img", HardDiskImage(1474559, {0x0C}), 0, 4},
      {"short.img", std::string(1474559, 'd'), 1, -1},
      {"disk.img", HardDiskImage(65536, {0x83}), 0, 4},
      {"two.img", HardDiskImage(65536, {0x83, 0x0C}), 1, -1},
      {"none.img", HardDiskImage(65536, {}), 1, -1},
  };
  for (const Case& c : cases) {
    fs::remove(dir / "x.iso");
    const Outcome r =
        Orlix("mkiso -q --boot " + Quote(Write(c.name, c.data)) + " -o " + Path("x.iso") + " " + Path("src"));
    EXPECT_EQ(r.status, c.status) << c.name << r.err;
    if (c.status == 0) {
      EXPECT_EQ(MediaType(ReadAll(dir / "x.iso")), c.media) << c.name;
    } else {
      EXPECT_TRUE(Has(r.err, "1,228,800, 1,474,560 or 2,949,120 bytes")) << c.name;
      EXPECT_FALSE(fs::exists(dir / "x.iso")) << c.name;
    }
  }
}

}  // namespace
}  // namespace orlix::test
