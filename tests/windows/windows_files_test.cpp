// Host files as Windows shows them: short names the system made, names
// outside the ANSI code page, and the sharing CreateFile enforces.
#include <fstream>
#include <set>

#include "platform/file_io.h"
#include "platform/file_search.h"
#include "tests/windows/windows_support.h"

namespace orlix::windows_test {

std::string ScratchFolder::MakeFile(const std::string& name, size_t bytes) const {
  const std::filesystem::path file = path_ / FromUtf8(name);
  std::ofstream out(file, std::ios::binary);
  out << std::string(bytes, 'x');
  return Utf8(file);
}

namespace {

struct Found {
  std::string name, alternate;
  int64_t size = 0;
};

std::vector<Found> List(const std::string& pattern, int32_t attr = faAnyFile) {
  std::vector<Found> found;
  TSearchRec rec;
  for (int r = FindFirst(pattern, attr, rec); r == 0; r = FindNext(rec))
    found.push_back({rec.Name, rec.AlternateName, rec.Size64()});
  FindClose(rec);
  return found;
}

const Found* Named(const std::vector<Found>& list, const std::string& name) {
  for (const Found& f : list)
    if (f.name == name) return &f;
  return nullptr;
}

TEST(WindowsFileSearch, SystemShortNamesStandForTheLongOnes) {
  ScratchFolder folder;
  folder.MakeFile("README.TXT");
  folder.MakeFile("A long file name.text", 5);
  folder.MakeFile("A long file name.texture", 7);
  const std::string base = Utf8(folder.path()) + "\\";
  const std::vector<Found> all = List(base + "*.*");

  const Found* plain = Named(all, "README.TXT");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->alternate, "") << "an 8.3 name needs no alternate";

  const Found* first = Named(all, "A long file name.text");
  const Found* second = Named(all, "A long file name.texture");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->size, 5);
  ASSERT_FALSE(first->alternate.empty());
  ASSERT_FALSE(second->alternate.empty());
  EXPECT_LE(first->alternate.size(), 12u);
  EXPECT_NE(first->alternate, second->alternate);
  // The system resolves its short name to the same file.
  const std::vector<Found> by_short = List(base + first->alternate);
  ASSERT_EQ(by_short.size(), 1u);
  EXPECT_EQ(by_short[0].name, "A long file name.text");
}

TEST(WindowsFileSearch, NamesOutsideTheCodePageComeBackWhole) {
  ScratchFolder folder;
  const std::string greek = "\xCE\xB1\xCE\xB2\xCE\xB3.txt";                  // αβγ.txt
  const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.iso";  // 日本語.iso
  const std::string greek_path = folder.MakeFile(greek, 3);
  folder.MakeFile(japanese, 4);
  const std::vector<Found> all = List(Utf8(folder.path()) + "\\*.*");
  const Found* g = Named(all, greek);
  const Found* j = Named(all, japanese);
  ASSERT_NE(g, nullptr);
  ASSERT_NE(j, nullptr);
  EXPECT_EQ(g->size, 3);
  EXPECT_EQ(j->size, 4);
  // Found names open again, and the file functions take them too.
  EXPECT_TRUE(FileExists(greek_path));
  EXPECT_NE(FileGetAttr(greek_path), -1);
  const THandle h = FileOpen(greek_path, fmOpenRead | fmShareDenyNone);
  ASSERT_NE(h, kInvalidHandle);
  char buffer[8];
  EXPECT_EQ(FileRead(h, buffer, sizeof buffer), 3);
  FileClose(h);
  const std::string renamed = Utf8(folder.path()) + "\\\xC3\xA9t\xC3\xA9.txt";  // été.txt
  EXPECT_TRUE(FileRename(greek_path, renamed));
  EXPECT_TRUE(FileExists(renamed));
  EXPECT_TRUE(FileDelete(renamed));
  EXPECT_FALSE(FileExists(renamed));
}

TEST(WindowsFileSearch, AttributesFilterHiddenFilesAndFolders) {
  ScratchFolder folder;
  const std::string hidden = folder.MakeFile("secret.dat");
  folder.MakeFile("open.dat");
  std::filesystem::create_directory(folder.path() / "sub");
  ASSERT_TRUE(FileSetAttr(hidden, faHidden));
  EXPECT_EQ(FileGetAttr(hidden) & faHidden, faHidden);
  const std::string pattern = Utf8(folder.path()) + "\\*.*";
  const std::vector<Found> plain = List(pattern, 0);
  EXPECT_EQ(Named(plain, "secret.dat"), nullptr);
  EXPECT_EQ(Named(plain, "sub"), nullptr);
  EXPECT_NE(Named(plain, "open.dat"), nullptr);
  const std::vector<Found> all = List(pattern, faAnyFile);
  EXPECT_NE(Named(all, "secret.dat"), nullptr);
  EXPECT_NE(Named(all, "sub"), nullptr);
}

TEST(WindowsFileSharing, OpenModesAreEnforcedByTheSystem) {
  ScratchFolder folder;
  const std::string path = folder.MakeFile("shared.bin", 16);

  const THandle deny_write = FileOpen(path, fmOpenRead | fmShareDenyWrite);
  ASSERT_NE(deny_write, kInvalidHandle);
  EXPECT_EQ(FileOpen(path, fmOpenWrite | fmShareDenyNone), kInvalidHandle);
  const THandle reader = FileOpen(path, fmOpenRead | fmShareDenyNone);
  EXPECT_NE(reader, kInvalidHandle) << "reading stays allowed";
  FileClose(reader);
  FileClose(deny_write);

  const THandle exclusive = FileOpen(path, fmOpenReadWrite | fmShareExclusive);
  ASSERT_NE(exclusive, kInvalidHandle);
  EXPECT_EQ(FileOpen(path, fmOpenRead | fmShareDenyNone), kInvalidHandle);
  // A refused create must not empty the file the other handle holds.
  EXPECT_EQ(FileCreate(path), kInvalidHandle);
  EXPECT_EQ(FileSeek(exclusive, 0, 2), 16);
  FileClose(exclusive);

  const THandle open_to_all = FileOpen(path, fmOpenReadWrite | fmShareDenyNone);
  ASSERT_NE(open_to_all, kInvalidHandle);
  const THandle writer = FileOpen(path, fmOpenWrite | fmShareDenyNone);
  EXPECT_NE(writer, kInvalidHandle);
  FileClose(writer);
  FileClose(open_to_all);
}

TEST(WindowsFileIo, SizesPastFourGigabytesAndErrorTexts) {
  ScratchFolder folder;
  const std::string path = folder.MakeFile("big.bin");
  const THandle h = FileOpen(path, fmOpenReadWrite | fmShareExclusive);
  ASSERT_NE(h, kInvalidHandle);
  const int64_t past = (int64_t{1} << 32) + 4096;
  EXPECT_EQ(FileSeek(h, past, 0), past);
  ASSERT_TRUE(FileSetEnd(h));
  EXPECT_EQ(FileSeek(h, 0, 2), past);
  EXPECT_EQ(FileWrite(h, "tail", 4), 4);
  FileClose(h);
  const std::vector<Found> found = List(path);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].size, past + 4);

  EXPECT_EQ(FileOpen(Utf8(folder.path()) + "\\missing.bin", fmOpenRead), kInvalidHandle);
  EXPECT_EQ(LastOsError(), 2) << "ERROR_FILE_NOT_FOUND";
  EXPECT_FALSE(OsErrorMessage(LastOsError()).empty());
}

}  // namespace
}  // namespace orlix::windows_test
