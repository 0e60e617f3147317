// What the tool does with names and folders the image cannot take as they
// are: empty host folders, names a folder already holds, names too long,
// and the names the library writes differently, each told on stderr and
// ending in exit status 2.
#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

using NamesCli = CliTest;

// `count` times the Cyrillic letter Zhe (two bytes in UTF-8).
std::string Cyrillic(size_t count) {
  std::string s;
  for (size_t i = 0; i < count; ++i) s += "\xD0\x96";
  return s;
}

TEST_F(NamesCli, EmptyHostFoldersAreKeptUnlessAsked) {
  fs::create_directories(dir / "src" / "e1" / "e2" / "e3");
  fs::create_directories(dir / "src" / "An empty folder with a long name");
  fs::create_directories(dir / "src" / "masked" / "inner");
  Write("src/full/a.txt");
  Write("src/masked/b.doc");
  Write("src/docs only/c.doc");

  Outcome r = Orlix("tree " + Path("src"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(Has(r.out, "\n\\e1\\e2\\e3\n"));
  EXPECT_TRUE(Has(r.out, "\n\\masked\\inner\n"));
  // The host's 8.3 name, as the insertion gives its folders.
  EXPECT_TRUE(Has(r.out, "  An empty folder with a long name\tANEMPT~1\t<DIR>\t\n"));

  r = Orlix("tree --no-empty-dirs " + Path("src"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(Has(r.out, "e1"));
  EXPECT_FALSE(Has(r.out, "inner"));
  EXPECT_FALSE(Has(r.out, "An empty folder"));

  // A folder whose files the mask left out is not empty on the host: it
  // goes with its files, unless an empty folder inside needs it.
  r = Orlix("tree --mask '*.txt' " + Path("src"));
  EXPECT_FALSE(Has(r.out, "docs only"));
  EXPECT_TRUE(Has(r.out, "\n\\masked\\inner\n"));
  EXPECT_FALSE(Has(r.out, "b.doc"));

  r = Orlix("tree --dest '\\backup' " + Path("src"));
  EXPECT_TRUE(Has(r.out, "\n\\backup\\e1\\e2\\e3\n"));
  r = Orlix("tree --keep-path " + Path("src"));
  EXPECT_TRUE(Has(r.out, "\\src\\e1\\e2\\e3\n"));
  r = Orlix("tree --keep-path --last-dir-only " + Path("src"));
  EXPECT_TRUE(Has(r.out, "\n\\src\\e1\\e2\\e3\n"));
  // A source that is itself empty is kept where --dest puts it.
  r = Orlix("tree --dest '\\d' " + Path("src/e1"));
  EXPECT_TRUE(Has(r.out, "\n\\d\\e2\\e3\n"));
}

TEST_F(NamesCli, EmptyFoldersReachTheImageAndAFullTableIsTold) {
  fs::create_directories(dir / "src" / "e1" / "e2");
  fs::create_directories(dir / "src" / "alone");
  Write("src/a.txt");
  const Outcome made = Orlix("mkiso -q -o " + Path("e.iso") + " " + Path("src"));
  ASSERT_EQ(made.status, 0) << made.err;
  const std::string listing = Shell("isoinfo -J -l -i " + Path("e.iso")).out;
  EXPECT_TRUE(Has(listing, "Directory listing of /e1/e2/"));
  EXPECT_TRUE(Has(listing, "Directory listing of /alone/"));
  EXPECT_TRUE(Has(Shell("isoinfo -l -i " + Path("e.iso")).out, "Directory listing of /E1/E2/"));

  const Outcome bare = Orlix("mkiso -q --no-empty-dirs -o " + Path("bare.iso") + " " + Path("src"));
  ASSERT_EQ(bare.status, 0) << bare.err;
  EXPECT_FALSE(Has(Shell("isoinfo -J -l -i " + Path("bare.iso")).out, "alone"));

  // Room for the root and the folder with a file: none for the empty ones.
  fs::create_directories(dir / "few" / "alone");
  Write("few/sub/b.txt");
  const Outcome full = Orlix("tree --max-dirs 2 " + Path("few"));
  EXPECT_EQ(full.status, 2);
  EXPECT_TRUE(Has(full.err, "left out " + (dir / "few" / "alone").string() +
                                ": an empty folder; the tree is full (>>> MAXIMUM DIRECTORIES CAN BE 2)\n"));
  EXPECT_TRUE(Has(full.out, "\n\\sub\n  b.txt"));
}

TEST_F(NamesCli, ARefusedDuplicateNamesTheEntryTheFolderHolds) {
  // Upper case lists first: the lower-case twin is the one refused.
  Write("src/Index.html", "upper");
  const std::string twin = Write("src/index.html", "lower");
  Outcome r = Orlix("tree " + Path("src"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "left out " + twin + ": the folder already holds \"Index.html\""));
  // Across sources grafted into one folder, too.
  Write("a/Notes.TXT");
  const std::string second = Write("b/notes.txt");
  r = Orlix("mkiso -q -o " + Path("d.iso") + " " + Path("a") + " " + Path("b"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "left out " + second + ": the folder already holds \"Notes.TXT\""));
  EXPECT_FALSE(fs::exists(dir / "d.iso"));
}

TEST_F(NamesCli, RenameDuplicatesKeepsEveryFileUnderAFreeName) {
  Write("a/same.txt", "first");
  Write("b/SAME.TXT", "second");
  Write("c/Same.Txt", "third");
  const std::string sources = " " + Path("a") + " " + Path("b") + " " + Path("c");
  const Outcome t = Orlix("tree --rename-duplicates" + sources);
  EXPECT_EQ(t.status, 2);
  EXPECT_TRUE(Has(t.err, "renamed: \\SAME.TXT -> SAME~1.TXT (the folder already holds same.txt)\n"));
  EXPECT_TRUE(Has(t.err, "renamed: \\Same.Txt -> Same~2.Txt (the folder already holds same.txt)\n"));
  EXPECT_FALSE(Has(t.err, "left out"));
  EXPECT_TRUE(Has(t.out, "directories: 0  entries: 3  renamed: 2\n"));

  const Outcome m = Orlix("mkiso --rename-duplicates -o " + Path("r.iso") + sources);
  EXPECT_EQ(m.status, 2);
  EXPECT_TRUE(Has(m.err, ", 2 renamed (named above)\n"));
  ASSERT_TRUE(fs::exists(dir / "r.iso")) << m.err;
  const fs::path out = dir / "out";
  Shell("osirrox -indev " + Path("r.iso") + " -extract / " + Quote(out.string()));
  EXPECT_EQ(ReadAll(out / "same.txt"), "first");
  EXPECT_EQ(ReadAll(out / "SAME~1.TXT"), "second");
  EXPECT_EQ(ReadAll(out / "Same~2.Txt"), "third");
  // Each has an ISO 9660 name of its own.
  const std::string iso = Shell("isoinfo -l -i " + Path("r.iso")).out;
  EXPECT_TRUE(Has(iso, " SAME.TXT;1"));
  EXPECT_TRUE(Has(iso, " SAME~1.TXT;1"));
  EXPECT_TRUE(Has(iso, " SAME~2.TXT;1"));
}

TEST_F(NamesCli, ARenamedDuplicateStaysWithinTheNameLimit) {
  const std::string name = std::string(123, 'n') + ".txt";  // 127 characters
  Write("a/" + name);
  Write("b/" + name);
  const Outcome r = Orlix("tree --rename-duplicates " + Path("a") + " " + Path("b"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.out, "  " + std::string(121, 'n') + "~1.txt\t"));
  EXPECT_FALSE(Has(r.err, "left out"));
}

TEST_F(NamesCli, ANameTooLongTellsItsLengthInCharacters) {
  const std::string latin = Write("src/" + std::string(130, 'x') + ".txt");   // 134 characters
  const std::string cyrillic = Write("src/" + Cyrillic(125) + ".txt");        // 129, in 254 bytes
  const std::string bare = Write("src/" + std::string(127, 'y'));             // 128 with its dot
  const std::string fits = Write("src/" + Cyrillic(70) + ".txt");             // 74, in 144 bytes
  const Outcome r = Orlix("tree " + Path("src"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "left out " + latin + ": name has 134 characters (at most 127)\n"));
  EXPECT_TRUE(Has(r.err, "left out " + cyrillic + ": name has 129 characters (at most 127)\n"));
  EXPECT_TRUE(
      Has(r.err, "left out " + bare + ": name has 128 characters with the dot the image adds (at most 127)\n"));
  EXPECT_FALSE(Has(r.err, fits));
  EXPECT_TRUE(Has(r.out, "  " + Cyrillic(70) + ".txt\t"));
}

TEST_F(NamesCli, ARecordingWithRenamedEntriesIsDoneAndExitsTwo) {
  Write("a/same.txt", "first");
  Write("b/SAME.TXT", "second");
  fs::create_directories(dir / "a" / "empty");
  const std::string disc = (dir / "disc.img").string();
  const Outcome r = Orlix("burn --json --rename-duplicates -d " + VirtualDrive(disc, "dvd+r") +
                          " " + Path("a") + " " + Path("b"));
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_TRUE(Has(r.out, "\"result\": \"ok\""));
  EXPECT_TRUE(Has(r.out, "\"renamed_entries\": 1}"));
  EXPECT_TRUE(Has(r.err, "renamed: \\SAME.TXT -> SAME~1.TXT (the folder already holds same.txt)\n"));
  EXPECT_TRUE(Has(r.err, "1 entry renamed on the disc (named above)\n"));
  const fs::path out = dir / "out";
  Shell("osirrox -indev " + Quote(disc) + " -extract / " + Quote(out.string()));
  EXPECT_EQ(ReadAll(out / "same.txt"), "first");
  EXPECT_EQ(ReadAll(out / "SAME~1.TXT"), "second");
  EXPECT_TRUE(fs::is_directory(out / "empty"));
}

}  // namespace
}  // namespace orlix::test
