// Folder sizes, the check of the sources, the archive attribute.
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using SourcesTest = BurnerTest;

TEST_F(SourcesTest, GetDirSizeSumsFilesBelowAFolderOrAPattern) {
  MakeFile("d/a.txt", 100);
  MakeFile("d/b.dat", 20);
  MakeFile("d/sub/c.txt", 3);
  MakeFile("d/sub/deeper/e.txt", 4);
  MakeFolder("d/empty");
  const std::string d = (Temp() / "d").string();
  EXPECT_EQ(burner->GetDirSize(d + PathDelim), 127);
  EXPECT_EQ(burner->GetDirSize(d + PathDelim + "*.txt"), 100);
  EXPECT_EQ(burner->GetDirSize(d + PathDelim + "sub"), 7);  // a folder named by the pattern counts whole
  EXPECT_EQ(burner->GetDirSize(d + PathDelim + "missing" + PathDelim), 0);

  auto big = Temp() / "d" / "sparse.bin";
  std::ofstream(big).close();
  std::filesystem::resize_file(big, int64_t{5} << 30);
  EXPECT_EQ(burner->GetDirSize(d + PathDelim), 127 + (int64_t{5} << 30));
}

TEST_F(SourcesTest, TestFilesReportsWhatCannotBeOpened) {
  std::string good = MakeFile("good.txt"), gone = MakeFile("gone.txt"), also_gone = MakeFile("also.txt");
  ASSERT_EQ(burner->InsertFile("\\", good, false), 1);
  ASSERT_EQ(burner->InsertFile("\\", gone, false), 1);
  ASSERT_EQ(burner->InsertFile("\\", also_gone, false), 1);
  ASSERT_NE(burner->MakeDir("\\folder"), nullptr);  // directory entries are not tested
  EXPECT_TRUE(burner->TestFiles());

  std::filesystem::remove(gone);
  std::filesystem::remove(also_gone);
  std::vector<std::string> failed;
  bool keep_going = false;
  burner->OnFileTestFailed = [&](TComponent* sender, const std::string& path, bool& stop) {
    EXPECT_EQ(sender, burner.get());
    EXPECT_TRUE(stop);
    failed.push_back(path);
    stop = !keep_going;
  };
  EXPECT_FALSE(burner->TestFiles());
  EXPECT_EQ(failed, std::vector<std::string>{gone});  // stopped at the first
  failed.clear();
  keep_going = true;
  EXPECT_FALSE(burner->TestFiles());
  EXPECT_EQ(failed, (std::vector<std::string>{gone, also_gone}));

  // A memory file has no source to open.
  ASSERT_TRUE(burner->ClearAll(10, 10));
  char data[1] = {0};
  ASSERT_EQ(burner->InsertMemoryFile("\\", "m.txt", "", 0, data, 1), 1);
  failed.clear();
  EXPECT_FALSE(burner->TestFiles());
  EXPECT_EQ(failed, std::vector<std::string>{""});
}

TEST_F(SourcesTest, ArchiveOnlyAddsMarkedFilesAndResetClearsThem) {
  std::string marked = MakeFile("src/marked.txt"), saved = MakeFile("src/saved.txt");
  MakeFile("src/sub/marked2.txt");
  if (!FileSetAttr(saved, 0) || (FileGetAttr(saved) & faArchive)) {
    GTEST_SKIP() << "this file system cannot keep the archive attribute";
  }
  ASSERT_EQ(burner->InsertDir("\\", (Temp() / "src").string(), "", faAnyFile, true, false, true), 1);
  EXPECT_EQ(Names(burner->Root()), (std::vector<std::string>{"sub", "marked.txt"}));
  EXPECT_TRUE(burner->FindFile(burner->Root(), "marked.txt")->ArchiveSelected);
  // One more file added without archive selection keeps its bit.
  std::string other = MakeFile("other.txt");
  ASSERT_EQ(burner->InsertFile("\\", other, false), 1);
  EXPECT_FALSE(burner->LastInserted()->ArchiveSelected);

  EXPECT_TRUE(burner->ResetFilesArchiveBit());
  EXPECT_EQ(FileGetAttr(marked) & faArchive, 0);
  EXPECT_EQ(FileGetAttr((Temp() / "src" / "sub" / "marked2.txt").string()) & faArchive, 0);
  EXPECT_NE(FileGetAttr(other) & faArchive, 0);
  EXPECT_TRUE(burner->ResetAllFilesArchiveBit());
  EXPECT_EQ(FileGetAttr(other) & faArchive, 0);
}

using MoveRenameTest = BurnerTest;

TEST_F(MoveRenameTest, MoveFileAppendsToTheDestination) {
  char data[1] = {0};
  PDEntry a = burner->MakeDir("\\a"), b = burner->MakeDir("\\b");
  for (const char* n : {"1.txt", "2.txt", "3.txt"})
    ASSERT_EQ(burner->InsertMemoryFile("\\a", n, "", 0, data, 1), 1);
  ASSERT_EQ(burner->InsertMemoryFile("\\b", "x.txt", "", 0, data, 1), 1);
  EXPECT_TRUE(burner->MoveFile("\\b", "\\a", "2.TXT"));
  EXPECT_EQ(Names(a), (std::vector<std::string>{"1.txt", "3.txt"}));
  EXPECT_EQ(Names(b), (std::vector<std::string>{"x.txt", "2.txt"}));
  EXPECT_TRUE(burner->MoveFile(a, a, burner->FindFile(a, "1.txt")));  // to the end of its own chain
  EXPECT_EQ(Names(a), (std::vector<std::string>{"3.txt", "1.txt"}));
  EXPECT_FALSE(burner->MoveFile(b, a, burner->FindFile(b, "x.txt")));  // not in the source
  EXPECT_FALSE(burner->MoveFile("\\b", "\\a", "none.txt"));
  EXPECT_FALSE(burner->MoveFile("\\none", "\\a", "3.txt"));
  EXPECT_EQ(Names(a), (std::vector<std::string>{"3.txt", "1.txt"}));
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(MoveRenameTest, MovedDirectoryTakesItsPathsAlong) {
  char data[1] = {0};
  PDEntry inner = burner->MakeDir("\\a\\inner\\deep");
  ASSERT_EQ(burner->InsertMemoryFile("\\a\\inner\\deep", "f.txt", "", 0, data, 1), 1);
  PDEntry b = burner->MakeDir("\\b");
  ASSERT_TRUE(burner->MoveFile("\\b", "\\a", "inner"));
  EXPECT_EQ(burner->FindDir("\\a\\inner"), nullptr);
  EXPECT_EQ(burner->FindDir("\\b\\inner\\deep"), inner);
  EXPECT_EQ(inner->Level, 4);
  EXPECT_EQ(inner->Parent->Parent, b);
  // Not into itself, and not onto a path already taken.
  EXPECT_FALSE(burner->MoveFile("\\b\\inner\\deep", "\\b", "inner"));
  ASSERT_NE(burner->MakeDir("\\a\\inner"), nullptr);
  EXPECT_FALSE(burner->MoveFile("\\a", "\\b", "inner"));
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(MoveRenameTest, RenameFileRules) {
  char data[1] = {0};
  ASSERT_EQ(burner->InsertMemoryFile("\\", "old.txt", "", 0, data, 1), 1);
  PFEntry e = burner->LastInserted();
  EXPECT_TRUE(burner->RenameFile("\\", "OLD.TXT", "new name.txt", ""));
  EXPECT_EQ(e->LongName, "new name.txt");
  EXPECT_EQ(e->Name, "NEW NAME.TXT");
  EXPECT_EQ(burner->FindFile(burner->Root(), "old.txt"), nullptr);
  EXPECT_EQ(burner->FindFile(burner->Root(), "NEW NAME.TXT"), e);
  EXPECT_FALSE(burner->RenameFile(e, "third.txt", "FOURTEEN.CHARS"));
  EXPECT_EQ(e->LongName, "third.txt");  // the long name stays changed
  EXPECT_EQ(e->Name, "NEW NAME.TXT");
  EXPECT_FALSE(burner->RenameFile("\\", "absent", "x", ""));
  EXPECT_FALSE(burner->RenameFile("\\none", "third.txt", "x", ""));

  PDEntry d = burner->MakeDir("\\dir\\child");
  ASSERT_TRUE(burner->RenameFile("\\", "dir", "Renamed", "REN"));
  EXPECT_EQ(burner->FindDir("\\renamed\\child"), d);
  EXPECT_EQ(d->Parent->LongName, "Renamed");
  EXPECT_EQ(d->Parent->Name, "REN");
  ASSERT_NE(burner->MakeDir("\\other"), nullptr);
  EXPECT_FALSE(burner->RenameFile("\\", "other", "RENAMED", ""));  // two folders of one path
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

}  // namespace
}  // namespace orlix::test
