// Removal keeps the chains, the tables and the look-ups in step.
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

class RemoveTest : public BurnerTest {
 protected:
  void Add(const std::string& dir, const std::string& name) {
    ASSERT_EQ(burner->InsertMemoryFile(dir, name, "", 0, data_, 1), 1) << dir << " " << name;
  }
  char data_[1] = {0};
};

TEST_F(RemoveTest, RootAndUnknownPathsAreNotRemoved) {
  PDEntry root = burner->Root();
  EXPECT_FALSE(burner->RemoveDir(root));
  EXPECT_EQ(root, burner->Root());
  EXPECT_FALSE(burner->RemoveDir("\\"));
  EXPECT_FALSE(burner->RemoveDir(""));
  EXPECT_FALSE(burner->RemoveDir("\\no\\such"));
  EXPECT_FALSE(burner->RemoveFile("\\", "nothing.txt"));
  EXPECT_FALSE(burner->RemoveFile("\\none", "nothing.txt"));
  EXPECT_EQ(DirCounter, 1);
}

TEST_F(RemoveTest, NonEmptyDirectoryInTheMiddleGoesWithItsContents) {
  Add("\\", "first.txt");
  ASSERT_NE(burner->MakeDir("\\mid\\deep"), nullptr);
  Add("\\mid", "a.txt");
  Add("\\mid\\deep", "b.txt");
  Add("\\", "last.txt");
  ASSERT_NE(burner->MakeDir("\\other"), nullptr);
  Add("\\other", "c.txt");

  EXPECT_TRUE(burner->RemoveDir("\\MID"));
  EXPECT_EQ(Names(burner->Root()), (std::vector<std::string>{"first.txt", "last.txt", "other"}));
  EXPECT_EQ(burner->FindDir("\\mid"), nullptr);
  EXPECT_EQ(burner->FindDir("\\mid\\deep"), nullptr);
  EXPECT_EQ(DirCounter, 2);
  EXPECT_EQ(FileCounter, 4);
  EXPECT_EQ(Dirs[1], burner->FindDir("\\other"));
  EXPECT_TRUE(TreeIsConsistent(*burner));

  // Appending after the removal still goes to the end of each chain.
  Add("\\", "new.txt");
  EXPECT_EQ(Names(burner->Root()).back(), "new.txt");
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(RemoveTest, EntryOutsideTheGivenDirectoryIsLeftAlone) {
  Add("\\", "a.txt");
  PDEntry sub = burner->MakeDir("\\sub");
  Add("\\sub", "b.txt");
  PFEntry a = burner->FindFile(burner->Root(), "a.txt");
  EXPECT_FALSE(burner->RemoveFile(sub, a));
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(FileCounter, 3);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(RemoveTest, RemoveEmptyDirsRemovesWhatBecomesEmpty) {
  ASSERT_NE(burner->MakeDir("\\a\\b\\c"), nullptr);
  ASSERT_NE(burner->MakeDir("\\keep\\empty"), nullptr);
  Add("\\keep", "k.txt");
  ASSERT_NE(burner->MakeDir("\\z"), nullptr);
  EXPECT_TRUE(burner->RemoveEmptyDirs());
  for (int32_t i = 1; i < DirCounter; ++i) EXPECT_NE(Dirs[i]->FirstFile, nullptr) << Dirs[i]->Path;
  EXPECT_EQ(DirCounter, 2);
  EXPECT_NE(burner->FindDir("\\keep"), nullptr);
  EXPECT_EQ(Names(burner->Root()), std::vector<std::string>{"keep"});
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(RemoveTest, RenamedDirectoryEntryStillTakesItsDirectoryAlong) {
  PDEntry d = burner->MakeDir("\\old");
  Add("\\old", "x.txt");
  Add("\\", "old2.txt");
  PFEntry e = burner->FindFile(burner->Root(), "old");
  ASSERT_TRUE(burner->RenameFile(e, "new", ""));
  EXPECT_EQ(d->Path, "\\NEW");
  EXPECT_TRUE(burner->RemoveDir(d));
  EXPECT_EQ(d, nullptr);
  EXPECT_EQ(Names(burner->Root()), std::vector<std::string>{"old2.txt"});
  EXPECT_EQ(DirCounter, 1);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(RemoveTest, DuplicateNamesRemoveTheEntryGiven) {
  Add("\\", "same.txt");
  Add("\\", "other.txt");
  PFEntry other = burner->FindFile(burner->Root(), "other.txt");
  ASSERT_TRUE(burner->RenameFile(other, "SAME.TXT", ""));  // renaming does not check
  PDEntry root = burner->Root();
  PFEntry second = other;
  ASSERT_TRUE(burner->RemoveFile(root, second));
  EXPECT_EQ(Names(root), std::vector<std::string>{"same.txt"});
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

}  // namespace
}  // namespace orlix::test
