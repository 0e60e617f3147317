// The look-up indexes give the answers of a plain walk after any mix of
// edits, also when other code re-links chains.
#include <random>

#include "iso/ordering.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

class IndexTest : public BurnerTest {
 protected:
  PDEntry RandomDir() { return Dirs[Pick(DirCounter)]; }
  PFEntry RandomEntry(PDEntry dir) {
    int n = 0;
    for (PFEntry e = dir->FirstFile; e; e = e->Next) ++n;
    if (n == 0) return nullptr;
    PFEntry e = dir->FirstFile;
    for (int k = Pick(n); k > 0; --k) e = e->Next;
    return e;
  }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  std::string Name() {
    static const char* names[] = {"a.txt", "A.TXT", "b.txt", "c", "Docs", "docs", "e.dat", "f.dat"};
    return names[Pick(8)];
  }

  std::mt19937 rng_{20040308};
  char data_[1] = {0};
};

TEST_F(IndexTest, RandomEditsAgreeWithAWalk) {
  ASSERT_TRUE(burner->ClearAll(400, 60));
  for (int step = 0; step < 3000; ++step) {
    PDEntry dir = RandomDir();
    const int op = Pick(10);
    if (op <= 2) {
      burner->InsertMemoryFile(dir == burner->Root() ? "\\" : dir->Path, Name(), "", 0, data_, 1);
    } else if (op == 3) {
      burner->CreateDir(dir, Name(), 0x10);
    } else if (op == 4) {
      if (PFEntry e = RandomEntry(dir)) burner->RemoveFile(dir, e);
    } else if (op == 5) {
      if (dir != burner->Root() && Pick(4) == 0) burner->RemoveDir(dir);
    } else if (op == 6) {
      if (PFEntry e = RandomEntry(dir)) burner->MoveFile(RandomDir(), dir, e);
    } else if (op == 7) {
      if (PFEntry e = RandomEntry(dir)) burner->RenameFile(e, Name(), "");
    } else if (op == 8) {
      SortFiles(dir->FirstFile, Pick(2) == 0);
    } else {
      // Re-linked by hand without telling the tree: reversed.
      PFEntry rev = nullptr;
      for (PFEntry e = dir->FirstFile; e;) {
        PFEntry next = e->Next;
        e->Next = rev;
        rev = e;
        e = next;
      }
      dir->FirstFile = rev;
      if (Pick(2) == 0) ChainChanged(dir);
      // Edited at once, before any look-up has seen the new order.
      if (Pick(2) == 0) {
        burner->InsertMemoryFile(dir == burner->Root() ? "\\" : dir->Path, Name(), "", 0, data_, 1);
      } else if (PFEntry e = RandomEntry(dir)) {
        burner->RemoveFile(dir, e);
      }
    }
    ASSERT_TRUE(TreeIsConsistent(*burner)) << "after step " << step << ", operation " << op;
  }
}

TEST_F(IndexTest, LinkingRecordsByHandIsSeenAfterChainChanged) {
  PDEntry dir = burner->MakeDir("\\d");
  ASSERT_EQ(burner->InsertMemoryFile("\\d", "one.txt", "", 0, data_, 1), 1);
  PFEntry one = burner->LastInserted();
  // As an importer that builds its own records would.
  PFEntry two = nullptr;
  burner->New_F(two);
  two->LongName = "two.txt";
  two->Name = "TWO.TXT";
  two->Next = one;
  dir->FirstFile = two;
  ChainChanged(dir);
  EXPECT_EQ(burner->FindFile(dir, "one.txt"), one);
  EXPECT_EQ(PrevFile, two);
  EXPECT_EQ(burner->FindFile(dir, "TWO.txt"), two);
  // Appended by hand at the end, without a word: still found.
  PFEntry three = nullptr;
  burner->New_F(three);
  three->LongName = "three.txt";
  one->Next = three;
  EXPECT_EQ(burner->FindFile(dir, "three.txt"), three);
  EXPECT_EQ(PrevFile, one);
  ASSERT_EQ(burner->InsertMemoryFile("\\d", "four.txt", "", 0, data_, 1), 1);
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"two.txt", "one.txt", "three.txt", "four.txt"}));
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(IndexTest, LargeFolderAppendsInOrder) {
  const int n = 20000;
  std::vector<std::string> expected;
  for (int i = 0; i < n; ++i) {
    expected.push_back("file" + std::to_string(i) + ".dat");
    ASSERT_EQ(burner->InsertMemoryFile("\\", expected.back(), "", 0, data_, 1), 1);
  }
  EXPECT_EQ(Names(burner->Root()), expected);
  EXPECT_EQ(burner->FindFile(burner->Root(), "FILE19999.DAT"), Files[n - 1]);
  EXPECT_EQ(PrevFile, Files[n - 2]);
  EXPECT_EQ(burner->InsertMemoryFile("\\", "File7.dat", "", 0, data_, 1), 0);
}

}  // namespace
}  // namespace orlix::test
