// Adding host folders: recursion, empty folders, masks, archive-only, the
// folder event, and what a refusal does to the rest of the walk.
#include "messages/messages.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using InsertDirTest = BurnerTest;

TEST_F(InsertDirTest, RecursiveInsertSkipsEmptyFolders) {
  MakeFile("src/a.txt", 3);
  MakeFile("src/sub/b.txt", 4);
  MakeFolder("src/empty");
  MakeFolder("src/only_empty/inner");
  ASSERT_EQ(burner->InsertDir("\\", (Temp() / "src").string(), "*.*", faAnyFile, true, false, false), 1);
  EXPECT_EQ(Names(burner->Root()), (std::vector<std::string>{"sub", "a.txt"}));
  EXPECT_EQ(burner->FindDir("\\empty"), nullptr);
  EXPECT_EQ(burner->FindDir("\\only_empty"), nullptr);
  PDEntry sub = burner->FindDir("\\SUB");
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->FirstFile->SourcePath, (Temp() / "src" / "sub" / "b.txt").string());
  EXPECT_EQ(sub->FirstFile->Size, 4);
  EXPECT_EQ(DirCounter, 2);
  EXPECT_EQ(FileCounter, 3);
  EXPECT_TRUE(TreeIsConsistent(*burner));

  EXPECT_EQ(burner->InsertDir("\\missing", (Temp() / "src").string(), "", faAnyFile, true, false, false), 0);
  EXPECT_EQ(lines.back().text, "INVALID DESTINATION PATH");
}

TEST_F(InsertDirTest, MaskAndNonRecursive) {
  MakeFile("src/a.txt");
  MakeFile("src/b.dat");
  MakeFile("src/sub/c.txt");
  ASSERT_EQ(burner->InsertDir("\\", (Temp() / "src").string(), "*.TXT", faAnyFile, false, false, false), 1);
  EXPECT_EQ(Names(burner->Root()), std::vector<std::string>{"a.txt"});
}

TEST_F(InsertDirTest, MaskAndAttributesFilterEveryFolder) {
  MakeFile("src/a.txt");
  MakeFile("src/.hidden.txt");
  MakeFile("src/b.dat");
  MakeFile("src/sub/c.TXT");
  MakeFile("src/sub/.d.txt");
  const std::string src = (Temp() / "src").string();
  // Without the directory attribute "." and ".." do not match: the result is
  // that of the last file.
  ASSERT_EQ(burner->InsertDir("\\", src, "*.txt", 0, true, false, false), 1);
  EXPECT_EQ(Names(burner->Root()), (std::vector<std::string>{"sub", "a.txt"}));
  EXPECT_EQ(Names(burner->FindDir("\\sub")), std::vector<std::string>{"c.TXT"});

  ASSERT_TRUE(burner->ClearAll(100, 100));
  ASSERT_EQ(burner->InsertDir("\\", src, "*.txt", faHidden, true, false, false), 1);
  EXPECT_EQ(Names(burner->Root()), (std::vector<std::string>{"sub", ".hidden.txt", "a.txt"}));
  EXPECT_EQ(Names(burner->FindDir("\\sub")), (std::vector<std::string>{".d.txt", "c.TXT"}));
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(InsertDirTest, FolderEventMayRenameOrSkip) {
  MakeFile("src/keep/a.txt");
  MakeFile("src/skip/b.txt");
  burner->OnAddDir = [](TComponent*, std::string& long_name, std::string& short_name, bool& skip) {
    if (long_name == "skip") skip = true;
    long_name = "Kept Folder";
    short_name = "KEPT";
  };
  ASSERT_EQ(burner->InsertDir("\\", (Temp() / "src").string(), "", faAnyFile, true, false, false), 1);
  EXPECT_EQ(Names(burner->Root()), std::vector<std::string>{"Kept Folder"});
  PDEntry d = burner->FindDir("\\kept folder");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Name, "KEPT");
  EXPECT_EQ(Names(d), std::vector<std::string>{"a.txt"});
}

TEST_F(InsertDirTest, RefusedLastFileDoesNotEndTheWalk) {
  // "b" lists after "a": its only file is refused, the walk goes on to "c".
  MakeFile("src/a/dup.txt");
  MakeFile("src/b/" + std::string(130, 'n') + ".txt");
  MakeFile("src/c/later.txt");
  burner->InsertDir("\\", (Temp() / "src").string(), "", faAnyFile, true, false, false);
  EXPECT_NE(burner->FindDir("\\a"), nullptr);
  EXPECT_EQ(burner->FindDir("\\b"), nullptr);  // emptied, so removed
  ASSERT_NE(burner->FindDir("\\c"), nullptr);
  EXPECT_EQ(Names(burner->FindDir("\\c")), std::vector<std::string>{"later.txt"});
}

TEST_F(InsertDirTest, UnreadableFolderDoesNotEndTheWalk) {
  MakeFile("src/a/x.txt");
  std::string locked = MakeFolder("src/b_locked");
  MakeFile("src/b_locked/y.txt");
  MakeFile("src/c/z.txt");
  if (!PermissionsAreEnforced(Temp())) GTEST_SKIP() << "permissions are not enforced for this user";
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  burner->InsertDir("\\", (Temp() / "src").string(), "", faAnyFile, true, false, false);
  std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
  EXPECT_NE(burner->FindDir("\\a"), nullptr);
  EXPECT_EQ(burner->FindDir("\\b_locked"), nullptr);
  EXPECT_NE(burner->FindDir("\\c"), nullptr);
  ASSERT_EQ(CountLines(4), 1);
  EXPECT_EQ(lines.back().text, ">>> " + Format(ERR_FILEINUSE, locked.c_str()));
}

TEST_F(InsertDirTest, FullTablesEndTheWalk) {
  ASSERT_TRUE(burner->ClearAll(100, 2));
  MakeFile("src/a/x.txt");
  MakeFile("src/b/y.txt");
  MakeFile("src/top.txt");
  EXPECT_EQ(burner->InsertDir("\\", (Temp() / "src").string(), "", faAnyFile, true, false, false), 0);
  EXPECT_NE(burner->FindDir("\\a"), nullptr);
  EXPECT_EQ(burner->FindDir("\\b"), nullptr);
  EXPECT_EQ(burner->FindFile(burner->Root(), "top.txt"), nullptr);
  EXPECT_EQ(lines.back().text, ">>> MAXIMUM DIRECTORIES CAN BE 2");

  ASSERT_TRUE(burner->ClearAll(3, 100));
  MakeFile("src/a/x2.txt");
  EXPECT_EQ(burner->InsertDir("\\", (Temp() / "src").string(), "", faAnyFile, true, false, false), 0);
  EXPECT_EQ(FileCounter, 3);
  EXPECT_EQ(lines.back().text, "MAXIMUM FILES CAN BE 3");
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(InsertDirTest, FoldersEqualIgnoringCaseMerge) {
  MakeFile("src/Docs/a.txt");
  MakeFile("src/docs/b.txt");
  MakeFile("src/docs/A.TXT");
  burner->InsertDir("\\", (Temp() / "src").string(), "", faAnyFile, true, false, false);
  PDEntry docs = burner->FindDir("\\DOCS");
  ASSERT_NE(docs, nullptr);
  EXPECT_EQ(DirCounter, 2);
  EXPECT_EQ(Names(docs), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

}  // namespace
}  // namespace orlix::test
