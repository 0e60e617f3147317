// Capacities of the tables and the messages of full tables.
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using TablesTest = BurnerTest;

TEST_F(TablesTest, FullTablesAreReportedAndYieldNil) {
  ASSERT_TRUE(burner->ClearAll(10, 3));
  PDEntry d = nullptr;
  burner->New_D(d);
  ASSERT_NE(d, nullptr);
  burner->New_D(d);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(lines.empty());
  burner->New_D(d);
  EXPECT_EQ(d, nullptr);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, ">>> MAXIMUM DIRECTORIES CAN BE 3");
  EXPECT_EQ(lines[0].type, 3);

  PFEntry f = nullptr;
  for (int i = 0; i < 10; ++i) {
    burner->New_F(f);
    ASSERT_NE(f, nullptr);
  }
  burner->New_F(f);
  EXPECT_EQ(f, nullptr);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].text, "MAXIMUM FILES CAN BE 10");
  EXPECT_EQ(lines[1].type, 3);
  EXPECT_EQ(FileCounter, 10);
  EXPECT_EQ(DirCounter, 3);
}

TEST_F(TablesTest, ClearAllStartsOverWithOnlyTheRoot) {
  char data[1] = {0};
  ASSERT_NE(burner->MakeDir("\\a\\b"), nullptr);
  ASSERT_EQ(burner->InsertMemoryFile("\\a", "f.txt", "", 0, data, 1), 1);
  burner->HeaderStream()->Write("abc", 3);
  ASSERT_TRUE(burner->ClearAll(20, 5));
  ASSERT_TRUE(burner->ClearAll(20, 5));
  EXPECT_EQ(DirCounter, 1);
  EXPECT_EQ(FileCounter, 0);
  EXPECT_EQ(Dirs.size(), 5u);
  EXPECT_EQ(PathTable.size(), 5u);
  EXPECT_EQ(Files.size(), 20u);
  EXPECT_EQ(burner->HeaderStream()->Size(), 0);
  EXPECT_EQ(burner->LastInserted(), nullptr);
  // The indexes start over too: old paths and names are gone.
  EXPECT_EQ(burner->FindDir("\\a"), nullptr);
  EXPECT_EQ(burner->FindFile(burner->Root(), "a"), nullptr);
  EXPECT_NE(burner->MakeDir("\\a\\b"), nullptr);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(TablesTest, CapacityWithoutRoomForTheRootIsRaisedToIt) {
  ASSERT_TRUE(burner->ClearAll(-1, 0));
  ASSERT_NE(burner->Root(), nullptr);
  EXPECT_EQ(MaxDirs, 1);
  EXPECT_EQ(MaxFiles, 0);
  EXPECT_EQ(burner->FindDir("\\"), burner->Root());
  EXPECT_EQ(burner->MakeDir("\\x"), nullptr);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(TablesTest, DirectoryIsNotMadeWhenItsEntryFindsNoRoom) {
  ASSERT_TRUE(burner->ClearAll(1, 10));
  ASSERT_NE(burner->CreateDir(burner->Root(), "one", 0x10), nullptr);
  EXPECT_EQ(burner->CreateDir(burner->Root(), "two", 0x10), nullptr);
  EXPECT_EQ(DirCounter, 2);
  EXPECT_EQ(FileCounter, 1);
  EXPECT_EQ(lines.back().text, "MAXIMUM FILES CAN BE 1");
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(TablesTest, ExportedCapacityBeyondTheTablesIsNotTrusted) {
  ASSERT_TRUE(burner->ClearAll(2, 2));
  MaxDirs = 100;  // an application writing the exported value directly
  MaxFiles = 100;
  PDEntry d = nullptr;
  burner->New_D(d);
  burner->New_D(d);
  EXPECT_EQ(d, nullptr);
  PFEntry f = nullptr;
  burner->New_F(f);
  burner->New_F(f);
  burner->New_F(f);
  EXPECT_EQ(f, nullptr);
  EXPECT_EQ(FileCounter, 2);
}

}  // namespace
}  // namespace orlix::test
