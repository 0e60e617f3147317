// Adding host folders: recursion, masks, the folder event, refusals, kept paths.
#include "messages/messages.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using InsertDirTest = BurnerTest;

TEST_F(InsertDirTest, RecursionSkipsEmptyFoldersAndMergesFoldersEqualIgnoringCase) {
  MakeFile("src/a.txt", 3);
  MakeFile("src/Sub/b.txt", 4);
  for (const char* f : {"src/sub/c.txt", "src/sub/B.TXT"}) MakeFile(f);
  fs::create_directories(temp / "src" / "only_empty" / "inner");
  ASSERT_EQ(burner->InsertDir("\\", Src(), "*.*", faAnyFile, true, false, false), 1);
  EXPECT_EQ(Names(burner->Root()), (Strings{"Sub", "a.txt"}));
  EXPECT_EQ(burner->FindDir("\\only_empty"), nullptr);
  PDEntry sub = burner->FindDir("\\SUB");
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(Names(sub), (Strings{"b.txt", "c.txt"}));
  EXPECT_EQ(sub->FirstFile->SourcePath + std::to_string(sub->FirstFile->Size), Src("src/Sub/b.txt") + "4");
  EXPECT_TRUE(TreeIsConsistent(*burner));
  EXPECT_EQ(burner->InsertDir("\\missing", Src(), "", faAnyFile, true, false, false), 0);
  EXPECT_EQ(lines.back().text, "INVALID DESTINATION PATH");
  // The folder event may rename or skip.
  ASSERT_TRUE(burner->ClearAll(100, 100));
  burner->OnAddDir = [](TComponent*, std::string& long_name, std::string& short_name, bool& skip) {
    skip = long_name != "Sub";
    long_name = "Kept Folder", short_name = "KEPT";
  };
  ASSERT_EQ(burner->InsertDir("\\", Src(), "", faAnyFile, true, false, false), 1);
  EXPECT_EQ(Names(burner->Root()), (Strings{"Kept Folder", "a.txt"}));
  EXPECT_EQ(Names(burner->FindDir("\\kept folder")), Strings{"b.txt"});
  EXPECT_EQ(burner->FindDir("\\kept folder")->Name, "KEPT");
}

TEST_F(InsertDirTest, MaskAndAttributesFilterEveryFolder) {
  for (const char* f : {"src/a.txt", "src/.hidden.txt", "src/b.dat", "src/sub/c.TXT", "src/sub/.d.txt"})
    MakeFile(f);
  ASSERT_EQ(burner->InsertDir("\\", Src(), "*.TXT", faAnyFile, false, false, false), 1);
  EXPECT_EQ(Names(burner->Root()), (Strings{".hidden.txt", "a.txt"}));
  ASSERT_TRUE(burner->ClearAll(100, 100));
  // Without the directory attribute "." and ".." do not match: the result is
  // that of the last file.
  ASSERT_EQ(burner->InsertDir("\\", Src(), "*.txt", 0, true, false, false), 1);
  EXPECT_EQ(Names(burner->Root()), (Strings{"sub", "a.txt"}));
  EXPECT_EQ(Names(burner->FindDir("\\sub")), Strings{"c.TXT"});
}

TEST_F(InsertDirTest, RefusalsDoNotEndTheWalk) {
  // "b" lists after "a": its only file is refused, the walk goes on to "c".
  for (const std::string& f : {std::string("src/a/dup.txt"), "src/b/" + std::string(130, 'n') + ".txt",
                               std::string("src/c/later.txt")})
    MakeFile(f);
  MakeFile("src/b_locked/y.txt");
  fs::permissions(temp / "src" / "b_locked", fs::perms::none);
  std::error_code ec;  // root reads it anyway
  const bool locked = !fs::exists(temp / "src" / "b_locked" / "y.txt", ec);
  burner->InsertDir("\\", Src(), "", faAnyFile, true, false, false);
  EXPECT_NE(burner->FindDir("\\a"), nullptr);
  EXPECT_EQ(burner->FindDir("\\b"), nullptr);  // emptied, so removed
  EXPECT_EQ(Names(burner->FindDir("\\c")), Strings{"later.txt"});
  if (locked) {
    EXPECT_EQ(burner->FindDir("\\b_locked"), nullptr);
    EXPECT_EQ(lines.back().text, ">>> " + Format(ERR_FILEINUSE, Src("src/b_locked").c_str()));
  }
}

TEST_F(InsertDirTest, FullTablesEndTheWalk) {
  for (const char* f : {"src/a/x.txt", "src/b/y.txt", "src/top.txt"}) MakeFile(f);
  ASSERT_TRUE(burner->ClearAll(100, 2));
  EXPECT_EQ(burner->InsertDir("\\", Src(), "", faAnyFile, true, false, false), 0);
  EXPECT_NE(burner->FindDir("\\a"), nullptr);
  EXPECT_EQ(burner->FindDir("\\b"), nullptr);
  EXPECT_EQ(burner->FindFile(burner->Root(), "top.txt"), nullptr);
  EXPECT_EQ(lines.back().text, ">>> MAXIMUM DIRECTORIES CAN BE 2");
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

// Host paths are covered by the insertions below; these are the prefixes
// that must not become folders.
TEST(KeptFolderPath, NetworkAndDrivePrefixes) {
  const std::pair<const char*, const char*> cases[] = {{"\\\\server\\share\\dir\\sub\\", "\\dir\\sub\\"},
                                                       {"\\\\server\\share\\", "\\"},
                                                       {"\\\\server\\share", ""},
                                                       {"C:\\data\\x\\", "\\data\\x\\"},
                                                       {"C:data", "\\data"},
                                                       {"", ""}};
  for (auto [given, kept] : cases) EXPECT_EQ(KeptFolderPath(given), kept) << given;
}

TEST_F(InsertDirTest, KeepPathKeepsTheSourceFoldersOrOnlyTheLast) {
  const std::string f = MakeFile("src/deep/file.txt");
  const std::string kept = UpperCaseAscii(KeptFolderPath(Src("src/deep")));
  ASSERT_EQ(burner->InsertFile("\\ignored", f, true), 1);
  EXPECT_EQ(Names(burner->FindDir(kept)), Strings{"file.txt"});
  EXPECT_EQ(burner->FindDir("\\ignored"), nullptr);
  ASSERT_NE(burner->MakeDir("\\backup"), nullptr);
  ASSERT_EQ(burner->InsertDir("\\backup", Src("src/deep"), "", faAnyFile, true, true, false), 1);
  EXPECT_EQ(Names(burner->FindDir("\\BACKUP" + kept)), Strings{"file.txt"});

  // Only the source is cut to its last folder: the target stays.
  burner->SetLastDirOnly(true);
  ASSERT_EQ(burner->InsertFile("\\", MakeFile("src/deep/other.txt"), true), 1);
  EXPECT_EQ(Names(burner->FindDir("\\DEEP")), Strings{"other.txt"});
  ASSERT_EQ(burner->InsertDir("\\backup", Src("src/deep") + PathDelim, "", faAnyFile, true, true, false), 1);
  EXPECT_EQ(Names(burner->FindDir("\\backup\\deep")), (Strings{"file.txt", "other.txt"}));
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

}  // namespace
}  // namespace orlix::test
