// Images of one awkward tree, checked by isoinfo, xorriso, 7zz and libcdio.
#include <map>
#include <random>
#include <set>

#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

class MkisoPeers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Each test may run in a process of its own, side by side with the others.
    dir = fs::temp_directory_path() / ("orlix_cli_peers_" + std::to_string(std::random_device{}()));
    fs::remove_all(dir);
    unsigned seed = 1;
    const auto add = [&](const std::string& rel, size_t size) {
      expected[rel] = Pattern(size, seed++);
      fs::create_directories((dir / "src" / rel).parent_path());
      std::ofstream(dir / "src" / rel, std::ios::binary) << expected[rel];
      for (fs::path p = fs::path(rel).parent_path(); !p.empty(); p = p.parent_path())
        folders.insert(p.string());
    };
    for (size_t size : {0, 1, 2047, 2048, 2049, 3000}) add("sizes/s" + std::to_string(size) + ".bin", size);
    add("big/twenty.bin", 20 * 1000 * 1000);
    const std::string names[] = {"d1/d2/d3/d4/d5/d6/d7/d8/deep.txt",
                                 "names/" + std::string(96, 'L') + ".txt",
                                 "names/" + std::string(116, 'M') + ".txt",
                                 "names/Ünïcødé файл 日本.txt",
                                 "Dossier été/note.txt",
                                 "names/README",
                                 "names/archive.tar.gz",
                                 "names/.hidden",
                                 "readonly.txt"};
    for (const std::string& name : names) add(name, 10 + seed);
    fs::permissions(dir / "src" / "readonly.txt", fs::perms::owner_read | fs::perms::group_read);
    fs::create_directories(dir / "src" / "emptydir");
    const std::string orlix = Quote(ORLIX_BIN_DIR "/orlix") + " mkiso -q ";
    made = Shell(orlix + "-V 'Peer Test' -o " + Iso() + " " + Quote((dir / "src").string()), dir);
    plain = Shell(orlix + "--no-joliet --xa -o " + Iso("plain") + " " + Quote((dir / "src").string()), dir);
  }
  static void TearDownTestSuite() { fs::remove_all(dir); }
  void SetUp() override {
    // Written, with the one name too long for a Joliet record cut and told.
    ASSERT_EQ(made.status, 2) << made.err;
    ASSERT_TRUE(Has(made.err, "renamed: \\names\\" + std::string(116, 'M') + ".txt -> " + std::string(104, 'M') +
                                  ".txt (cut to fit Joliet"));
    ASSERT_EQ(plain.status, 0) << plain.err;
  }

  static std::string Iso(const std::string& name = "tree") { return Quote((dir / (name + ".iso")).string()); }
  Outcome Run(const std::string& command) { return Shell(command, dir); }
  // Every expected file is in `out` byte for byte (one without an extension
  // may carry the dot the tree gives it), and every folder.
  void ExpectExtracted(const fs::path& out) {
    for (const std::string& folder : folders) EXPECT_TRUE(fs::is_directory(out / folder)) << folder;
    for (auto& [rel, data] : expected) {
      if (rel.size() > 110) continue;  // its Joliet name is cut; checked on its own
      fs::path p = out / rel;
      if (!fs::exists(p)) p += ".";
      EXPECT_TRUE(ReadAll(p) == data) << rel << " is missing or differs";
    }
  }

  static inline fs::path dir;
  static inline std::map<std::string, std::string> expected;
  static inline std::set<std::string> folders;
  static inline Outcome made, plain;
};

TEST_F(MkisoPeers, Isoinfo) {
  // The primary descriptor holds d-characters only.
  EXPECT_TRUE(Has(Run("isoinfo -d -i " + Iso()).out, "Volume id: PEER_TEST"));
  EXPECT_TRUE(Has(Run("isoinfo -l -i " + Iso()).out, "Directory listing of /D1/D2/D3/D4/D5/D6/D7/D8/"));
  const Outcome o = Run("isoinfo -J -l -i " + Iso());
  EXPECT_TRUE(Has(o.out, "Dossier \xE9t\xE9"));  // printed in Latin-1
  EXPECT_TRUE(Has(o.out, std::string(96, 'L') + ".txt"));
  for (const char* flags : {"-p", "-J -p"})  // the path tables
    EXPECT_TRUE(
        Has(Run("isoinfo " + std::string(flags) + " -i " + Iso()).out, flags[1] == 'p' ? "D8" : "d8"));
  // The image without Joliet, with XA entries in every record.
  EXPECT_TRUE(Has(Run("isoinfo -d -i " + Iso("plain")).out, "NO Joliet present"));
  EXPECT_TRUE(Has(Run("isoinfo -l -i " + Iso("plain")).out, "S3000.BIN;1"));
}

TEST_F(MkisoPeers, Xorriso) {
  Outcome o = Run("osirrox -indev " + Iso() + " -extract / " + Quote((dir / "by_xorriso").string()));
  EXPECT_EQ(o.status, 0) << o.err;
  ExpectExtracted(dir / "by_xorriso");
  // A Joliet name too long for one record is cut, keeping its extension.
  EXPECT_TRUE(ReadAll(dir / "by_xorriso" / "names" / (std::string(104, 'M') + ".txt")) ==
              expected["names/" + std::string(116, 'M') + ".txt"]);
  Run("osirrox -indev " + Iso("plain") + " -extract /SIZES " + Quote((dir / "plain").string()));
  EXPECT_TRUE(ReadAll(dir / "plain" / "s3000.bin") + ReadAll(dir / "plain" / "S3000.BIN") ==
              expected["sizes/s3000.bin"]);
}

TEST_F(MkisoPeers, SevenZip) {
  EXPECT_EQ(Run("7zz x -y -o" + Quote((dir / "by_7z").string()) + " " + Iso()).status, 0);
  ExpectExtracted(dir / "by_7z");
}

TEST_F(MkisoPeers, Libcdio) {
  EXPECT_TRUE(Has(Run("iso-info -i " + Iso() + " -f").out, "/big/twenty.bin"));
  const Outcome o =
      Run("iso-read -i " + Iso() + " -e /sizes/s3000.bin -o " + Quote((dir / "read.bin").string()));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(ReadAll(dir / "read.bin") == expected["sizes/s3000.bin"]);
}

TEST_F(MkisoPeers, BootableImagesCarryACatalogTheToolsReport) {
  std::ofstream(dir / "floppy.img", std::ios::binary) << Pattern(1474560, 9);
  // A hard-disk image must start with a master boot record of one partition.
  std::string small = Pattern(4000, 3);
  for (int i = 0; i < 4; ++i) small[446 + 16 * i + 4] = i == 0 ? '\x83' : '\0';
  small[510] = '\x55';
  small[511] = '\xAA';
  std::ofstream(dir / "small.img", std::ios::binary) << small;
  const std::string mkiso = Quote(ORLIX_BIN_DIR "/orlix") + " mkiso -q -o " + Iso("boot") + " --boot ";
  const std::string src = " " + Quote((dir / "src" / "sizes").string());
  ASSERT_EQ(Run(mkiso + Quote((dir / "floppy.img").string()) + src).status, 0);
  EXPECT_TRUE(Has(Run("isoinfo -d -i " + Iso("boot")).out, "El Torito"));
  EXPECT_TRUE(Has(Run("xorriso -indev " + Iso("boot") + " -report_el_torito plain").out,
                  "El Torito boot img :   1  BIOS  y  fd1.4"));
  EXPECT_TRUE(Has(Run("7zz l " + Iso("boot")).out, "[BOOT]"));
  // A small boot image (hard-disk emulation, one 512-byte sector loaded):
  // the catalog still points at it.
  ASSERT_EQ(Run(mkiso + Quote((dir / "small.img").string()) + src).status, 0);
  Run("7zz x -y -o" + Quote((dir / "boot_out").string()) + " " + Iso("boot"));
  bool found = false;
  for (auto& p : fs::directory_iterator(dir / "boot_out" / "[BOOT]"))
    found |= ReadAll(p.path()) == small.substr(0, 512);
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace orlix::test
