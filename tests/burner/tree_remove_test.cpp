// Removal keeps the chains, the tables and the look-ups in step.
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using RemoveTest = BurnerTest;

TEST_F(RemoveTest, RootUnknownPathsAndForeignEntriesStay) {
  PDEntry root = burner->Root();
  EXPECT_FALSE(burner->RemoveDir(root));
  EXPECT_EQ(root, burner->Root());
  for (const char* path : {"\\", "", "\\no\\such"}) EXPECT_FALSE(burner->RemoveDir(path)) << path;
  EXPECT_FALSE(burner->RemoveFile("\\", "nothing.txt") || burner->RemoveFile("\\none", "nothing.txt"));
  ASSERT_EQ(Mem("\\", "a.txt"), 1);
  PDEntry sub = burner->MakeDir("\\sub");
  PFEntry a = burner->FindFile(root, "a.txt");
  EXPECT_FALSE(burner->RemoveFile(sub, a));
  EXPECT_EQ(FileCounter, 2);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(RemoveTest, DirectoriesGoWithTheirContents) {
  ASSERT_NE(burner->MakeDir("\\mid\\deep"), nullptr);
  ASSERT_NE(burner->MakeDir("\\keep\\empty"), nullptr);
  ASSERT_NE(burner->MakeDir("\\a\\b\\c"), nullptr);
  for (const char* dir : {"\\", "\\mid", "\\mid\\deep", "\\keep"}) ASSERT_EQ(Mem(dir, "f.txt"), 1);
  EXPECT_TRUE(burner->RemoveDir("\\MID"));
  EXPECT_EQ(Names(burner->Root()), (Strings{"keep", "a", "f.txt"}));
  EXPECT_EQ(burner->FindDir("\\mid\\deep"), nullptr);
  EXPECT_EQ(std::pair(DirCounter, FileCounter), std::pair(6, 7));
  EXPECT_TRUE(TreeIsConsistent(*burner));
  EXPECT_TRUE(burner->RemoveEmptyDirs());  // and what becomes empty on the way
  EXPECT_EQ(DirCounter, 2);
  EXPECT_EQ(Names(burner->Root()), (Strings{"keep", "f.txt"}));
  EXPECT_EQ(Names(burner->FindDir("\\keep")), Strings{"f.txt"});
  ASSERT_EQ(Mem("\\", "new.txt"), 1);  // still appended at the end
  EXPECT_EQ(Names(burner->Root()).back(), "new.txt");
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

}  // namespace
}  // namespace orlix::test
