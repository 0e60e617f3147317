// Look-ups, directory making, short names, and the capacities of the tables.
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using LookupTest = BurnerTest;

TEST_F(LookupTest, FindDirAndMakeDir) {
  EXPECT_TRUE(burner->FindDir("") == burner->Root() && burner->FindDir("\\") == burner->Root());
  PDEntry c = burner->MakeDir("\\a\\b\\c");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(std::tuple(DirCounter, FileCounter, c->Level, c->Path), std::tuple(4, 3, 4, "\\A\\B\\C"));
  EXPECT_EQ(c->Parent, burner->FindDir("\\a\\B\\"));
  EXPECT_EQ(burner->MakeDir("\\a\\b\\c"), c);
  EXPECT_EQ(burner->CreateDir("\\A\\B\\C"), c);
  for (const char* bad : {"a", "\\a\\\\", "\\\\"}) EXPECT_EQ(burner->FindDir(bad), nullptr) << bad;
  // A trailing backslash makes the folders above and answers nil.
  EXPECT_EQ(burner->MakeDir("\\x\\y\\"), nullptr);
  EXPECT_NE(burner->FindDir("\\x\\y"), nullptr);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(LookupTest, CreateDirNamesAndItsEntry) {
  PDEntry d = burner->CreateDir(burner->Root(), "my dir!", 0x10);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Name, "MY_DIR!");
  EXPECT_EQ(burner->Root()->FirstFile->Dir, d);
  EXPECT_GT(burner->Root()->FirstFile->DateTime, 0);
  // Backslashes around a name are dropped; the entry always carries the
  // directory bit.
  PDEntry s = burner->CreateDir(burner->Root(), "\\sub\\", 0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Path, "\\SUB");
  EXPECT_EQ(burner->FindFile(burner->Root(), "sub")->Attr, 0x10);
  EXPECT_EQ(burner->CreateDir("\\nowhere", "x"), nullptr);
  PDEntry inner = burner->CreateDir("\\SUB", "inner");
  EXPECT_EQ(burner->FindDir("\\sub\\inner"), inner);
  for (auto [name, short_name] : {std::pair{"a very long folder name", "A_VERY_LONG_F"},
                                  {"{x}~\x7f", "_X___"},
                                  {"caf\xc3\xa9", "CAF__"},
                                  {"", ""}})
    EXPECT_EQ(MakeShortName(name), short_name);
}

TEST_F(LookupTest, FullTablesAreReportedAndYieldNil) {
  for (bool exported_raised : {false, true}) {
    ASSERT_TRUE(burner->ClearAll(10, 3));
    if (exported_raised) MaxDirs = MaxFiles = 100;  // beyond the tables: not trusted
    PDEntry d = nullptr;
    PFEntry f = nullptr;
    int dirs = 0, files = 0;
    for (int i = 0; i < 11; ++i) {
      burner->New_F(f);
      files += f != nullptr;
      if (i < 3) burner->New_D(d), dirs += d != nullptr;
    }
    EXPECT_EQ(std::pair(dirs, files), std::pair(2, 10));
  }
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0].text + "|" + lines[1].text, ">>> MAXIMUM DIRECTORIES CAN BE 3|MAXIMUM FILES CAN BE 10");
  EXPECT_EQ(lines[0].type + lines[1].type, 6);
  // A directory whose entry finds no room is not made.
  ASSERT_TRUE(burner->ClearAll(1, 10));
  ASSERT_NE(burner->CreateDir(burner->Root(), "one", 0x10), nullptr);
  EXPECT_EQ(burner->CreateDir(burner->Root(), "two", 0x10), nullptr);
  EXPECT_EQ(DirCounter, 2);
  // A capacity without room for the root is raised to it.
  ASSERT_TRUE(burner->ClearAll(-1, 0));
  EXPECT_EQ(std::pair(MaxDirs, MaxFiles), std::pair(1, 0));
  EXPECT_EQ(burner->MakeDir("\\x"), nullptr);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(LookupTest, ClearAllStartsOverWithOnlyTheRoot) {
  ASSERT_NE(burner->MakeDir("\\a\\b"), nullptr);
  ASSERT_EQ(Mem("\\a", "f.txt"), 1);
  burner->HeaderStream()->Write("abc", 3);
  ASSERT_TRUE(burner->ClearAll(20, 5) && burner->ClearAll(20, 5));
  EXPECT_EQ(DirCounter + FileCounter + Dirs.size() + PathTable.size() + Files.size(), 31u);
  EXPECT_EQ(burner->HeaderStream()->Size(), 0);
  EXPECT_TRUE(!burner->LastInserted() && !burner->FindDir("\\a"));  // the indexes start over too
  EXPECT_NE(burner->MakeDir("\\a\\b"), nullptr);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

}  // namespace
}  // namespace orlix::test
