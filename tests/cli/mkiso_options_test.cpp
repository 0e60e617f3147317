// The command itself: grafting with --dest, identification texts, listing,
// refused files, and failures that leave no image behind.
#include <string>

#include "tests/cli/mkiso_support.h"

namespace orlix::test {
namespace {

using MkisoCommand = MkisoTest;

size_t FilesIn(const fs::path& folder) {
  size_t n = 0;
  for (auto& p : fs::directory_iterator(folder)) n += p.is_regular_file();
  return n;
}

TEST_F(MkisoCommand, DestGraftsTheFollowingPathsAndTextsReachTheDescriptors) {
  WriteFile(dir / "a" / "one.txt", "1");
  WriteFile(dir / "b" / "two.txt", "2");
  WriteFile(dir / "three.txt", "3");
  const std::string iso = (dir / "g.iso").string();
  const Outcome r =
      Mkiso("-o " + Quote(iso) + " --publisher 'Some Publisher' --preparer prep --system sys " +
            "--application app --volset vs --date '2001-02-03 04:05:06' " + Quote((dir / "a").string()) +
            " --dest /docs/sub " + Quote((dir / "b").string()) + " " + Quote((dir / "three.txt").string()));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find(" files, "), std::string::npos) << r.err;  // the summary
  EXPECT_NE(r.err.find(" MB/s"), std::string::npos) << r.err;
  const Outcome l = Shell("isoinfo -J -l -i " + Quote(iso));
  EXPECT_NE(l.out.find("Directory listing of /docs/sub/"), std::string::npos) << l.out;
  const size_t sub = l.out.find("Directory listing of /docs/sub/");
  EXPECT_NE(l.out.find("two.txt", sub), std::string::npos);
  EXPECT_NE(l.out.find("three.txt", sub), std::string::npos);
  EXPECT_LT(l.out.find("one.txt"), l.out.find("Directory listing of /docs/"));
  const Outcome d = Shell("isoinfo -d -i " + Quote(iso));
  EXPECT_NE(d.out.find("Publisher id: SOME PUBLISHER"), std::string::npos) << d.out;
  EXPECT_NE(d.out.find("Data preparer id: PREP"), std::string::npos);
  EXPECT_NE(d.out.find("System id: SYS"), std::string::npos);
  EXPECT_NE(d.out.find("Volume set id: VS"), std::string::npos);
  const Outcome pvd = Shell("xorriso -indev " + Quote(iso) + " -pvd_info");
  EXPECT_NE(pvd.out.find("Creation Time: 2001020304050600"), std::string::npos) << pvd.out;
}

TEST_F(MkisoCommand, ListPrintsTheLayoutAndTheTreeQuietPrintsNothing) {
  WriteFile(dir / "src" / "f.txt", "x");
  const Outcome r =
      Mkiso("--list -q -o " + Quote((dir / "l.iso").string()) + " " + Quote((dir / "src").string()));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(" First File Location                  :00000150"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("( 1) \\"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("f.txt"), std::string::npos);
  EXPECT_EQ(r.err, "");
}

TEST_F(MkisoCommand, RefusedFilesStopTheImageUnlessSkipped) {
  WriteFile(dir / "a" / "same.txt", "first");
  WriteFile(dir / "b" / "SAME.TXT", "second");
  const std::string iso = (dir / "r.iso").string();
  const std::string args =
      "-q -o " + Quote(iso) + " " + Quote((dir / "a").string()) + " " + Quote((dir / "b").string());
  const Outcome refused = Mkiso(args);
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("left out"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("SAME.TXT"), std::string::npos);
  EXPECT_FALSE(fs::exists(iso));
  const Outcome skipped = Mkiso("--skip-refused " + args);
  EXPECT_EQ(skipped.status, 0) << skipped.err;
  EXPECT_NE(skipped.err.find("left out"), std::string::npos);
  EXPECT_TRUE(fs::exists(iso));
}

TEST_F(MkisoCommand, FailuresLeaveNoImageBehind) {
  WriteFile(dir / "src" / "f.txt", "x");
  const std::string src = Quote((dir / "src").string());
  const Outcome missing =
      Mkiso("-q -o " + Quote((dir / "m.iso").string()) + " " + Quote((dir / "nope").string()));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nope"), std::string::npos);
  const Outcome no_folder = Mkiso("-q -o " + Quote((dir / "no" / "x.iso").string()) + " " + src);
  EXPECT_EQ(no_folder.status, 1);
  EXPECT_NE(no_folder.err.find((dir / "no").string()), std::string::npos) << no_folder.err;
  const Outcome bad_date = Mkiso("-q --date 2001-13-40 -o " + Quote((dir / "d.iso").string()) + " " + src);
  EXPECT_EQ(bad_date.status, 1);
  const Outcome no_boot = Mkiso("-q --boot /no/such.img -o " + Quote((dir / "b.iso").string()) + " " + src);
  EXPECT_EQ(no_boot.status, 1);
  // An existing image is not replaced by a failed run, and no temporary
  // file stays behind.
  WriteFile(dir / "keep.iso", "old");
  fs::permissions(dir / "src" / "f.txt", fs::perms::none);
  const bool enforced = ReadAll(dir / "src" / "f.txt").empty();  // root reads anyway
  const Outcome unreadable = Mkiso("-q -o " + Quote((dir / "keep.iso").string()) + " " + src);
  if (enforced) {
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_NE(unreadable.err.find("f.txt"), std::string::npos);
    EXPECT_EQ(ReadAll(dir / "keep.iso"), "old");
  }
  EXPECT_EQ(FilesIn(dir), 3u);  // keep.iso and the captured output
}

}  // namespace
}  // namespace orlix::test
