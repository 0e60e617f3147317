// `orlix tree` end to end: the listing, and every refusal named with its
// reason and reflected in the exit status.
#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

using TreeCli = CliTest;

TEST_F(TreeCli, ListsEveryDirectoryAndEntry) {
  const std::string a = Write("src/a.txt", "abc"),
                    b = Write("src/sub/Long Name.text", std::string(2048, 'x'));
  Write("src/sub/deeper/c", "");
  Outcome r = Orlix("tree " + Path("src"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(Has(r.out, "\\\n  sub\tSUB\t<DIR>\t\n  a.txt\tA.TXT\t3\t" + a + "\n"));
  EXPECT_TRUE(Has(r.out, "\\sub\\deeper\n  c.\tC.\t0\t"));
  EXPECT_TRUE(Has(r.out, "  Long Name.text\tLONGNA~1.TEX\t2048\t" + b + "\n"));
  EXPECT_TRUE(Has(r.out, "directories: 2  entries: 5\n"));

  Write("docs/a.txt");
  Write("docs/b.dat");
  r = Orlix("tree --dest '\\backup' --mask '*.txt' " + Path("docs"));
  EXPECT_TRUE(Has(r.out, "\\backup\n  a.txt\t"));
  EXPECT_FALSE(Has(r.out, "b.dat"));
  r = Orlix("tree --keep-path --last-dir-only " + Path("docs"));
  EXPECT_TRUE(Has(r.out, "\\docs\n  a.txt\t"));
}

TEST_F(TreeCli, RefusedEntriesAreNamedWithTheirReasons) {
  // Names equal ignoring case list upper case first: the lower-case one is
  // the one refused.
  Write("src/SAME.TXT");
  const std::string twin = Write("src/same.txt"), long_name = Write("src/" + std::string(130, 'n') + ".txt"),
                    big = Write("src/big.iso"), locked = Write("src/locked.txt");
  Write("src/locked_dir/inside.txt");
  fs::resize_file(big, int64_t{4} << 30);
  const bool enforced = PermissionsAreEnforced();
  fs::permissions(locked, fs::perms::none);
  fs::permissions(dir / "src" / "locked_dir", fs::perms::none);
  Outcome r = Orlix("tree --test-files " + Path("src"));
  EXPECT_EQ(r.status, 2);
  for (const std::string& refusal :
       {twin + ": the folder already holds", long_name + ": name longer than 127 characters",
        big + ": 4 GiB or larger"})
    EXPECT_TRUE(Has(r.err, "left out " + refusal));
  EXPECT_FALSE(Has(r.out, twin));
  if (enforced) {
    EXPECT_TRUE(Has(r.err, "left out " + locked + ": the file cannot be opened"));
    EXPECT_TRUE(
        Has(r.err, "left out " + (dir / "src" / "locked_dir").string() + ": the folder cannot be read"));
    EXPECT_FALSE(Has(r.out, locked));
  }
}

TEST_F(TreeCli, FullTablesAreReported) {
  Write("src/a.txt");
  Write("src/b.txt");
  const std::string c = Write("src/c.txt");
  Outcome r = Orlix("tree --max-files 2 " + Path("src"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "left out " + c + ": the tree is full (MAXIMUM FILES CAN BE 2)"));
  Write("src/d1/x.txt");
  Write("src/d2/y.txt");
  r = Orlix("tree --max-dirs 2 " + Path("src"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, ">>> MAXIMUM DIRECTORIES CAN BE 2"));
  EXPECT_TRUE(Has(r.err, "the rest of this folder was not added"));
}

TEST_F(TreeCli, BadArgumentsFailPlainly) {
  Outcome r = Orlix("tree " + Path("absent") + " " + Quote(Write("here.txt")));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, (dir / "absent").string() + ": no such file or folder"));
  EXPECT_TRUE(Has(r.out, "here.txt"));
  for (const char* args : {"tree --no-such-option x", "tree"}) EXPECT_NE(Orlix(args).status, 0) << args;
  r = Orlix("tree --help");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(Has(r.out, "Exit status"));
}

}  // namespace
}  // namespace orlix::test
