// Folder sizes, source checks, the archive attribute, moving and renaming.
#include "platform/file_search.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using SourcesTest = BurnerTest;

TEST_F(SourcesTest, GetDirSizeSumsFilesBelowAFolderOrAPattern) {
  for (auto [name, size] :
       {std::pair{"a.txt", 100}, {"b.dat", 20}, {"sub/c.txt", 3}, {"sub/deeper/e.txt", 4}})
    MakeFile("d/" + std::string(name), size);
  const std::string d = Src("d") + PathDelim;
  EXPECT_EQ(burner->GetDirSize(d), 127);
  EXPECT_EQ(burner->GetDirSize(d + "*.txt"), 100);
  EXPECT_EQ(burner->GetDirSize(d + "sub"), 7);  // a folder named by the pattern counts whole
  EXPECT_EQ(burner->GetDirSize(d + "missing" + PathDelim), 0);
  fs::resize_file(MakeFile("d/sparse.bin"), int64_t{5} << 30);
  EXPECT_EQ(burner->GetDirSize(d), 127 + (int64_t{5} << 30));
}

TEST_F(SourcesTest, TestFilesReportsWhatCannotBeOpened) {
  const std::string gone = MakeFile("gone.txt"), also = MakeFile("also.txt");
  for (const std::string& f : {MakeFile("good.txt"), gone, also})
    ASSERT_EQ(burner->InsertFile("\\", f, false), 1);
  ASSERT_NE(burner->MakeDir("\\folder"), nullptr);  // directory entries are not tested
  EXPECT_TRUE(burner->TestFiles());
  fs::remove(gone), fs::remove(also);
  ASSERT_EQ(Mem("\\folder", "m.txt"), 1);  // no source to open: reported with an empty path
  Strings failed;
  bool keep_going = false;
  burner->OnFileTestFailed = [&](TComponent*, const std::string& path, bool& stop) {
    EXPECT_TRUE(stop);
    failed.push_back(path);
    stop = !keep_going;
  };
  EXPECT_FALSE(burner->TestFiles());
  EXPECT_EQ(failed, Strings{gone});  // stopped at the first
  keep_going = true;
  EXPECT_FALSE(burner->TestFiles());
  EXPECT_EQ(failed, (Strings{gone, gone, also, ""}));
}

TEST_F(SourcesTest, ArchiveOnlyAddsMarkedFilesAndResetClearsThem) {
  const std::string marked = MakeFile("src/marked.txt"), saved = MakeFile("src/saved.txt"),
                    nested = MakeFile("src/sub/marked2.txt");
  if (!FileSetAttr(saved, 0) || (FileGetAttr(saved) & faArchive))
    GTEST_SKIP() << "this file system cannot keep the archive attribute";
  ASSERT_EQ(burner->InsertDir("\\", Src(), "", faAnyFile, true, false, true), 1);
  EXPECT_EQ(Names(burner->Root()), (Strings{"sub", "marked.txt"}));
  const std::string other = MakeFile("other.txt");
  ASSERT_EQ(burner->InsertFile("\\", other, false), 1);  // not selected by its archive bit
  EXPECT_TRUE(burner->ResetFilesArchiveBit());
  EXPECT_EQ((FileGetAttr(marked) | FileGetAttr(nested)) & faArchive, 0);
  EXPECT_NE(FileGetAttr(other) & faArchive, 0);
  EXPECT_TRUE(burner->ResetAllFilesArchiveBit());
  EXPECT_EQ(FileGetAttr(other) & faArchive, 0);
}

TEST_F(SourcesTest, MoveFileAppendsToTheDestinationAndTakesPathsAlong) {
  PDEntry a = burner->MakeDir("\\a"), b = burner->MakeDir("\\b");
  for (const char* n : {"1.txt", "2.txt", "3.txt"}) ASSERT_EQ(Mem("\\a", n), 1);
  ASSERT_EQ(Mem("\\b", "x.txt"), 1);
  EXPECT_TRUE(burner->MoveFile("\\b", "\\a", "2.TXT"));
  EXPECT_EQ(Names(a), (Strings{"1.txt", "3.txt"}));
  EXPECT_EQ(Names(b), (Strings{"x.txt", "2.txt"}));
  EXPECT_TRUE(burner->MoveFile(a, a, burner->FindFile(a, "1.txt")));  // to the end of its own chain
  EXPECT_EQ(Names(a), (Strings{"3.txt", "1.txt"}));
  EXPECT_FALSE(burner->MoveFile(b, a, burner->FindFile(b, "x.txt")));  // not in the source
  EXPECT_FALSE(burner->MoveFile("\\b", "\\a", "none.txt") || burner->MoveFile("\\none", "\\a", "3.txt"));

  PDEntry deep = burner->MakeDir("\\a\\inner\\deep");
  ASSERT_TRUE(burner->MoveFile("\\b", "\\a", "inner"));
  EXPECT_EQ(burner->FindDir("\\a\\inner"), nullptr);
  EXPECT_EQ(burner->FindDir("\\b\\inner\\deep"), deep);
  EXPECT_FALSE(burner->MoveFile("\\b\\inner\\deep", "\\b", "inner"));  // not into itself
  ASSERT_NE(burner->MakeDir("\\a\\inner"), nullptr);
  EXPECT_FALSE(burner->MoveFile("\\a", "\\b", "inner"));  // not onto a path already taken
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(SourcesTest, RenameFileRules) {
  ASSERT_EQ(Mem("\\", "old.txt"), 1);
  PFEntry e = burner->LastInserted();
  EXPECT_TRUE(burner->RenameFile("\\", "OLD.TXT", "new name.txt", ""));
  EXPECT_EQ(burner->FindFile(burner->Root(), "old.txt"), nullptr);
  EXPECT_EQ(burner->FindFile(burner->Root(), "NEW NAME.TXT"), e);
  EXPECT_FALSE(burner->RenameFile(e, "third.txt", "FOURTEEN.CHARS"));
  EXPECT_EQ(e->LongName + "|" + e->Name, "third.txt|NEW NAME.TXT");  // the long name stays changed
  EXPECT_FALSE(burner->RenameFile("\\", "absent", "x", "") ||
               burner->RenameFile("\\none", "third.txt", "x", ""));
  PDEntry d = burner->MakeDir("\\dir\\child");
  ASSERT_TRUE(burner->RenameFile("\\", "dir", "Renamed", "REN"));
  EXPECT_EQ(burner->FindDir("\\renamed\\child"), d);
  EXPECT_EQ(d->Parent->Name, "REN");
  ASSERT_NE(burner->MakeDir("\\other"), nullptr);
  EXPECT_FALSE(burner->RenameFile("\\", "other", "RENAMED", ""));  // two folders of one path
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

}  // namespace
}  // namespace orlix::test
