#include "platform/file_search.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "scratch.h"

namespace orlix {
namespace {

using orlix::testing::ScratchDir;
namespace fs = std::filesystem;

std::map<std::string, TSearchRec> Search(const std::string& pattern, int32_t attr) {
  std::map<std::string, TSearchRec> found;
  TSearchRec rec;
  for (int r = FindFirst(pattern, attr, rec); r == 0; r = FindNext(rec)) found[rec.Name] = rec;
  FindClose(rec);
  return found;
}

std::vector<std::string> Names(const std::string& pattern, int32_t attr) {
  std::vector<std::string> names;
  TSearchRec rec;
  for (int r = FindFirst(pattern, attr, rec); r == 0; r = FindNext(rec)) names.push_back(rec.Name);
  FindClose(rec);
  return names;
}

TEST(FileSearch, AttributeFilterAndDotEntries) {
  ScratchDir dir;
  for (const char* name : {"b.txt", "A.TXT", "README", ".hidden"}) dir.Write(name);
  fs::create_directory(dir / "sub");
  const std::string all = dir / "*.*";
  EXPECT_EQ(Names(all, 0), (std::vector<std::string>{"A.TXT", "b.txt", "README"}));
  EXPECT_EQ(Names(all, faHidden), (std::vector<std::string>{".hidden", "A.TXT", "b.txt", "README"}));
  EXPECT_EQ(Names(all, faDirectory),
            (std::vector<std::string>{".", "..", "A.TXT", "b.txt", "README", "sub"}));
  auto found = Search(all, faAnyFile);
  EXPECT_EQ(found["sub"].Attr & faDirectory, faDirectory);
  EXPECT_EQ(found[".hidden"].Attr & faHidden, faHidden);
}

TEST(FileSearch, NothingFoundAndPlainNames) {
  ScratchDir dir;
  TSearchRec rec;
  for (const char* pattern : {"*.none", "missing/*.*", ""})
    EXPECT_NE(FindFirst(dir / pattern, faAnyFile, rec), 0) << pattern;
  EXPECT_NE(FindNext(rec), 0);  // no search open
  dir.Write("only.txt");
  fs::create_directory(dir / "folder");
  EXPECT_EQ(Names(dir / "ONLY.TXT", faAnyFile), std::vector<std::string>{"only.txt"});
  EXPECT_EQ(Search(dir / "folder", faDirectory)["folder"].Attr & faDirectory, faDirectory);
}

TEST(FileSearch, SizesTimesAndShortNames) {
#ifdef _WIN32
  GTEST_SKIP() << "the system makes the short names on Windows (tests/windows checks them)";
#endif
  ScratchDir dir;
  dir.Write("short.txt", "12345");
  dir.Write("A long name.text");
  dir.Write("a long name 2.text");
  dir.Write("ALONGN~1.TEX");  // must not be given to another file
  // Five GiB and a bit, without writing them: the file is sparse.
  fs::resize_file(dir.Write("big.iso", ""), (5ull << 30) + 7);
  fs::last_write_time(dir / "short.txt", fs::file_time_type::clock::now());
  auto found = Search(dir / "*.*", faAnyFile);
  EXPECT_EQ(found["short.txt"].Size, 5);
  EXPECT_EQ(found["big.iso"].SizeHigh, 1u);
  EXPECT_EQ(found["big.iso"].Size64(), static_cast<int64_t>((5ull << 30) + 7));
  EXPECT_EQ(found["short.txt"].AlternateName, "");
  // Numbered in the listing's order: "A LONG NAME 2" sorts before "A LONG NAME.".
  EXPECT_EQ(found["a long name 2.text"].AlternateName, "ALONGN~2.TEX");
  EXPECT_EQ(found["A long name.text"].AlternateName, "ALONGN~3.TEX");
  EXPECT_NE(found["short.txt"].Time, 0);
  // Any mask gives a file the same short name as "*.*" does.
  auto narrow = Search(dir / "A long name.*", faAnyFile);
  ASSERT_EQ(narrow.size(), 1u);
  EXPECT_EQ(narrow.begin()->second.AlternateName, "ALONGN~3.TEX");
  // Modification times outside the packed range give an invalid packed date.
  fs::last_write_time(dir / "short.txt",
                      fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 60));
  EXPECT_EQ(Search(dir / "short.txt", faAnyFile)["short.txt"].Time, 0);
}

TEST(FileSearch, ManyFilesInOneFolderGetDistinctShortNames) {
  ScratchDir dir;
  for (int i = 0; i < 1200; ++i) dir.Write("recording session " + std::to_string(i) + ".wave", "");
  std::set<std::string> shorts;
  auto found = Search(dir / "*.wave", 0);
  ASSERT_EQ(found.size(), 1200u);  // past 999: four-digit numbers too
  for (auto& [name, rec] : found) EXPECT_TRUE(shorts.insert(rec.AlternateName).second) << rec.AlternateName;
}

TEST(FileAttributes, ReadOnlyFollowsPermissionsTheRestIsKept) {
#ifdef _WIN32
  GTEST_SKIP() << "permission bits and extended attributes are Linux's; Windows keeps attributes itself";
#endif
  ScratchDir dir;
  std::string file = dir.Write("f.dat");
  ASSERT_TRUE(FileSetAttr(file, faReadOnly | faArchive));
  EXPECT_EQ(FileGetAttr(file) & faReadOnly, faReadOnly);
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::owner_write, fs::perms::none);
  ASSERT_TRUE(FileSetAttr(file, faArchive));
  EXPECT_EQ(FileGetAttr(file) & faReadOnly, 0);
  EXPECT_EQ(FileGetAttr(dir / "missing"), -1);
  EXPECT_FALSE(FileSetAttr(dir / "missing", 0));
  EXPECT_EQ(FileGetAttr(dir.str()) & (faDirectory | faArchive), faDirectory);

  std::string fresh = dir.Write("backup.dat");
  EXPECT_EQ(FileGetAttr(fresh), faArchive);  // nothing recorded yet
  if (!FileSetAttr(fresh, 0)) GTEST_SKIP() << "no extended attributes on this file system";
  EXPECT_EQ(FileGetAttr(file), faArchive);
  EXPECT_EQ(Search(dir / "backup.dat", 0)["backup.dat"].Attr, 0);  // archive bit cleared
  ASSERT_TRUE(FileSetAttr(fresh, faSysFile | faArchive));
  EXPECT_EQ(FileGetAttr(fresh), faSysFile | faArchive);
  EXPECT_EQ(Search(dir / "*.*", 0).size(), 1u);  // system files only when asked for
  EXPECT_EQ(Search(dir / "*.*", faSysFile).size(), 2u);
  ASSERT_TRUE(FileSetAttr(fresh, faHidden));
  EXPECT_EQ(FileGetAttr(fresh), faHidden);
  // Setting the directory bit on a folder changes nothing else.
  fs::create_directory(dir / "d");
  ASSERT_TRUE(FileSetAttr(dir / "d", faDirectory | faArchive));
  EXPECT_EQ(FileGetAttr(dir / "d"), faDirectory | faArchive);
}

}  // namespace
}  // namespace orlix
