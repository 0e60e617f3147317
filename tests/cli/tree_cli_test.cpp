// `orlix tree` end to end: the listing, refusals with their exit status, bad arguments.
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
  r = Orlix("tree --dest '\\backup' --mask '*.txt' " + Path("src"));
  EXPECT_TRUE(Has(r.out, "\\backup\n  a.txt\t"));
  EXPECT_FALSE(Has(r.out, "Long Name"));
  EXPECT_TRUE(Has(Orlix("tree --keep-path --last-dir-only " + Path("src/sub")).out, "\\sub\n"));
}

TEST_F(TreeCli, RefusalsAndFullTablesExitWithTwo) {
  Write("src/SAME.TXT");  // upper case lists first: the lower-case twin is refused
  const std::string twin = Write("src/same.txt"), big = Write("src/big.iso");
  fs::resize_file(big, int64_t{4} << 30);
  Outcome r = Orlix("tree --test-files " + Path("src"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "left out " + twin + ": the folder already holds"));
  EXPECT_TRUE(Has(r.err, "left out " + big + ": 4 GiB or larger"));
  EXPECT_FALSE(Has(r.out, twin));
  Write("src/c.txt");
  r = Orlix("tree --max-files 1 " + Path("src"));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, ".txt: the tree is full (MAXIMUM FILES CAN BE 1)"));
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
  EXPECT_TRUE(Has(Orlix("tree --help").out, "Exit status"));
}

}  // namespace
}  // namespace orlix::test
