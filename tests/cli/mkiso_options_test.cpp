// orlix mkiso: --dest grafting, identification texts, listing, refusals, failures.
#include <chrono>
#include <thread>

#include "tests/cli/cli_support.h"

namespace orlix::test {
namespace {

using MkisoCli = CliTest;

TEST_F(MkisoCli, DestGraftsTheFollowingPathsAndTextsReachTheDescriptors) {
  for (const char* f : {"a/one.txt", "b/two.txt", "three.txt"}) Write(f);
  const Outcome r = Orlix("mkiso --list -o " + Path("g.iso") +
                          " --publisher 'Some Publisher' --preparer prep --system sys " +
                          "--volset vs --date '2001-02-03 04:05:06' " + Path("a") + " --dest /docs/sub " +
                          Path("b") + " " + Path("three.txt"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.err, " MB/s"));  // the summary
  EXPECT_TRUE(Has(r.out, " First File Location                  :00000150"));
  EXPECT_TRUE(Has(r.out, "( 1) \\"));
  const Outcome l = Shell("isoinfo -J -l -i " + Path("g.iso"));
  const size_t sub = l.out.find("Directory listing of /docs/sub/");
  ASSERT_NE(sub, std::string::npos) << l.out;
  EXPECT_NE(l.out.find("two.txt", sub), std::string::npos);
  EXPECT_NE(l.out.find("three.txt", sub), std::string::npos);
  EXPECT_LT(l.out.find("one.txt"), l.out.find("Directory listing of /docs/"));
  const Outcome d = Shell("isoinfo -d -i " + Path("g.iso"));
  for (const char* line :
       {"Publisher id: SOME PUBLISHER", "Data preparer id: PREP", "System id: SYS", "Volume set id: VS"})
    EXPECT_TRUE(Has(d.out, line));
  EXPECT_TRUE(
      Has(Shell("xorriso -indev " + Path("g.iso") + " -pvd_info").out, "Creation Time: 2001020304050600"));
}

TEST_F(MkisoCli, TheSameTreeAndDateGiveTheSameImage) {
  Write("src/a/one.txt");
  const std::string args = "mkiso -q --date '2001-02-03 04:05:06' " + Path("src") + " -o ";
  ASSERT_EQ(Orlix(args + Path("first.iso")).status, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // the folders' own records carry a time
  ASSERT_EQ(Orlix(args + Path("second.iso")).status, 0);
  EXPECT_TRUE(ReadAll(dir / "first.iso") == ReadAll(dir / "second.iso"));
}

TEST_F(MkisoCli, RefusedFilesStopTheImageUnlessSkipped) {
  Write("a/same.txt");
  Write("b/SAME.TXT");
  const std::string args = "mkiso -q -o " + Path("r.iso") + " " + Path("a") + " " + Path("b");
  const Outcome refused = Orlix(args);
  EXPECT_EQ(refused.status, 2);
  EXPECT_TRUE(Has(refused.err, "left out " + (dir / "b" / "SAME.TXT").string()));
  EXPECT_FALSE(fs::exists(dir / "r.iso"));
  const Outcome skipped = Orlix(args + " --skip-refused");
  EXPECT_EQ(skipped.status, 0) << skipped.err;
  EXPECT_TRUE(Has(skipped.err, "left out"));
  EXPECT_TRUE(fs::exists(dir / "r.iso"));
}

TEST_F(MkisoCli, FailuresLeaveNoImageBehind) {
  Write("src/f.txt");
  const std::string src = " " + Path("src");
  for (auto [args, named] : {std::pair{"-o " + Path("m.iso") + " " + Path("nope"), std::string("nope")},
                             {"-o " + Path("no/x.iso") + src, (dir / "no").string()},
                             {"--date 2001-13-40 -o " + Path("d.iso") + src, ""},
                             {"--boot /no/such.img -o " + Path("b.iso") + src, ""}}) {
    const Outcome o = Orlix("mkiso -q " + args);
    EXPECT_EQ(o.status, 1) << args;
    EXPECT_TRUE(Has(o.err, named));
  }
  // An existing image is not replaced by a failed run, and no temporary file
  // stays behind.
  Write("keep.iso", "old");
  fs::permissions(dir / "src" / "f.txt", fs::perms::none);
  const bool enforced = !std::ifstream(dir / "src" / "f.txt").is_open();  // root reads it anyway
  const Outcome o = Orlix("mkiso -q -o " + Path("keep.iso") + src);
  if (enforced) {
    EXPECT_EQ(o.status, 2);
    EXPECT_TRUE(Has(o.err, "f.txt"));
    EXPECT_EQ(ReadAll(dir / "keep.iso"), "old");
  }
  size_t files = 0;
  for (auto& p : fs::directory_iterator(dir)) files += p.is_regular_file();
  EXPECT_EQ(files, 3u);  // keep.iso and the captured output
}

}  // namespace
}  // namespace orlix::test
