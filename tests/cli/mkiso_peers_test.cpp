// Images from generated trees, checked by independent readers: isoinfo,
// xorriso/osirrox, 7zz and libcdio's iso-info/iso-read.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/cli/mkiso_support.h"

namespace orlix::test {
namespace {

class MkisoPeers : public MkisoTest {
 protected:
  // A tree with the awkward cases; `expected` gets every file by its path
  // relative to the tree, `folders` every folder that holds a file.
  void MakeTree() {
    src = dir / "src";
    unsigned seed = 1;
    const auto add = [&](const std::string& rel, size_t size) {
      const std::string data = Pattern(size, seed++);
      WriteFile(src / rel, data);
      expected[rel] = data;
    };
    for (size_t size : {0, 1, 2047, 2048, 2049, 3000}) add("sizes/s" + std::to_string(size) + ".bin", size);
    add("big/twenty.bin", 20 * 1000 * 1000);
    add("d1/d2/d3/d4/d5/d6/d7/d8/deep.txt", 100);
    add("names/" + std::string(96, 'L') + ".txt", 10);
    add("names/" + std::string(116, 'M') + ".txt", 11);
    add("names/\xC3\x9Cn\xC3\xAF"
        "c\xC3\xB8"
        "d\xC3\xA9 \xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB \xE6\x97\xA5\xE6\x9C\xAC.txt",
        20);
    add("Dossier \xC3\xA9t\xC3\xA9/note.txt", 30);
    add("names/README", 40);
    add("names/Makefile", 41);
    add("names/archive.tar.gz", 42);
    add("names/.hidden", 43);
    add("readonly.txt", 44);
    fs::permissions(src / "readonly.txt", fs::perms::owner_read | fs::perms::group_read);
    fs::create_directories(src / "emptydir");
    for (auto& [rel, data] : expected)
      for (fs::path p = fs::path(rel).parent_path(); !p.empty(); p = p.parent_path())
        folders.insert(p.string());
  }

  // Every expected file is in `out` byte for byte (a file without an
  // extension may carry the dot the tree gives it), and every folder.
  void ExpectExtracted(const fs::path& out, const std::string& tool) {
    for (const std::string& folder : folders)
      EXPECT_TRUE(fs::is_directory(out / folder)) << tool << ": " << folder;
    for (auto& [rel, data] : expected) {
      fs::path p = out / rel;
      if (!fs::exists(p)) p += ".";
      if (rel.size() > 110) continue;  // checked on its own
      ASSERT_TRUE(fs::exists(p)) << tool << ": " << rel;
      EXPECT_TRUE(ReadAll(p) == data) << tool << ": " << rel << " differs";
    }
  }

  fs::path src;
  std::map<std::string, std::string> expected;
  std::set<std::string> folders;
};

TEST_F(MkisoPeers, EveryReaderSeesTheTreeAndEveryFileIsByteIdentical) {
  MakeTree();
  const std::string iso = (dir / "tree.iso").string();
  const Outcome made = Mkiso("-q -V 'Peer Test' -o " + Quote(iso) + " " + Quote(src.string()));
  ASSERT_EQ(made.status, 0) << made.err;

  const Outcome d = Shell("isoinfo -d -i " + Quote(iso));
  EXPECT_NE(d.out.find("Volume id: PEER TEST"), std::string::npos) << d.out;
  EXPECT_NE(d.out.find("Joliet"), std::string::npos) << d.out;
  const Outcome l = Shell("isoinfo -l -i " + Quote(iso));
  EXPECT_EQ(l.status, 0) << l.err;
  EXPECT_NE(l.out.find("Directory listing of /D1/D2/D3/D4/D5/D6/D7/D8/"), std::string::npos) << l.out;
  const Outcome jl = Shell("isoinfo -J -l -i " + Quote(iso));
  EXPECT_EQ(jl.status, 0) << jl.err;
  EXPECT_NE(jl.out.find("Dossier \xE9t\xE9"), std::string::npos);  // printed in Latin-1
  EXPECT_NE(jl.out.find(std::string(96, 'L') + ".txt"), std::string::npos);
  for (const char* flags : {"-p", "-J -p"}) {
    const Outcome p = Shell("isoinfo " + std::string(flags) + " -i " + Quote(iso));
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_NE(p.out.find(flags[1] == 'p' ? "D8" : "d8"), std::string::npos) << p.out;
  }

  const Outcome lsdl = Shell("xorriso -indev " + Quote(iso) + " -find / -exec lsdl");
  EXPECT_EQ(lsdl.status, 0) << lsdl.err;
  EXPECT_NE(lsdl.out.find("twenty.bin"), std::string::npos) << lsdl.out;
  const fs::path by_xorriso = dir / "xorriso";
  const Outcome x = Shell("osirrox -indev " + Quote(iso) + " -extract / " + Quote(by_xorriso.string()));
  EXPECT_EQ(x.status, 0) << x.err;
  ExpectExtracted(by_xorriso, "osirrox");

  const fs::path by_7z = dir / "7z";
  const Outcome z = Shell("7zz x -y -o" + Quote(by_7z.string()) + " " + Quote(iso));
  EXPECT_EQ(z.status, 0) << z.out << z.err;
  ExpectExtracted(by_7z, "7zz");

  // A Joliet name too long for one record is cut, keeping its extension.
  const std::string cut = std::string(104, 'M') + ".txt";
  EXPECT_TRUE(ReadAll(by_xorriso / "names" / cut) == expected["names/" + std::string(116, 'M') + ".txt"]);

  const Outcome info = Shell("iso-info -i " + Quote(iso) + " -f");
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("/big/twenty.bin"), std::string::npos) << info.out;
  const fs::path read_out = dir / "read.bin";
  const Outcome r =
      Shell("iso-read -i " + Quote(iso) + " -e /sizes/s3000.bin -o " + Quote(read_out.string()));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(ReadAll(read_out) == expected["sizes/s3000.bin"]);
}

TEST_F(MkisoPeers, TheIsoTreeAloneIsReadableWithXaEntries) {
  MakeTree();
  const std::string iso = (dir / "plain.iso").string();
  ASSERT_EQ(Mkiso("-q --no-joliet --xa -o " + Quote(iso) + " " + Quote(src.string())).status, 0);
  const Outcome d = Shell("isoinfo -d -i " + Quote(iso));
  EXPECT_NE(d.out.find("NO Joliet present"), std::string::npos) << d.out;
  const Outcome l = Shell("isoinfo -l -i " + Quote(iso));
  EXPECT_EQ(l.status, 0);
  EXPECT_NE(l.out.find("S3000.BIN;1"), std::string::npos) << l.out;
  const fs::path out = dir / "x";
  EXPECT_EQ(Shell("osirrox -indev " + Quote(iso) + " -extract /SIZES " + Quote(out.string())).status, 0);
  EXPECT_TRUE(ReadAll(out / "s3000.bin") == expected["sizes/s3000.bin"] ||
              ReadAll(out / "S3000.BIN") == expected["sizes/s3000.bin"]);
}

TEST_F(MkisoPeers, BootableImagesCarryACatalogTheToolsReport) {
  const fs::path boot = dir / "floppy.img";
  WriteFile(boot, Pattern(1474560, 9));
  WriteFile(dir / "src" / "a.txt", "hello");
  const std::string iso = (dir / "boot.iso").string();
  ASSERT_EQ(
      Mkiso("-q --boot " + Quote(boot.string()) + " -o " + Quote(iso) + " " + Quote((dir / "src").string()))
          .status,
      0);
  const Outcome d = Shell("isoinfo -d -i " + Quote(iso));
  EXPECT_NE(d.out.find("El Torito"), std::string::npos) << d.out;
  const Outcome x = Shell("xorriso -indev " + Quote(iso) + " -report_el_torito plain");
  EXPECT_NE(x.out.find("El Torito boot img :   1  BIOS  y  fd1.4"), std::string::npos) << x.out << x.err;
  const Outcome z = Shell("7zz l " + Quote(iso));
  EXPECT_NE(z.out.find("[BOOT]"), std::string::npos) << z.out;
  // A small boot image (hard-disk emulation, one 512-byte sector loaded):
  // the catalog still points at it.
  const fs::path small = dir / "small.img";
  WriteFile(small, Pattern(4000, 3));
  ASSERT_EQ(
      Mkiso("-q --boot " + Quote(small.string()) + " -o " + Quote(iso) + " " + Quote((dir / "src").string()))
          .status,
      0);
  const fs::path out = dir / "boot_out";
  Shell("7zz x -y -o" + Quote(out.string()) + " " + Quote(iso));
  bool found = false;
  for (auto& p : fs::directory_iterator(out / "[BOOT]"))
    found |= ReadAll(p.path()) == Pattern(4000, 3).substr(0, 512);
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace orlix::test
