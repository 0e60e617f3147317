// Adding files: name rules, replacing, refusals and their results.
#include "iso/fields.h"
#include "messages/messages.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using InsertTest = BurnerTest;

TEST_F(InsertTest, FileWithoutDotGetsOneAndIsReplacedOnlyWhenAsked) {
  const std::string readme = MakeFile("README", 10);
  ASSERT_EQ(burner->InsertFile("\\", readme, false), 1);
  PFEntry e = burner->FindFile(burner->Root(), "README.");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->LongName + e->Name + std::to_string(e->Size + e->SizeJ), "README.README.20");
  EXPECT_EQ(e->SourcePath, readme);
  burner->SetPrepared(true);
  EXPECT_EQ(burner->InsertFile("\\", readme, false), 0);  // refused, and said so
  EXPECT_TRUE(burner->Prepared());
  MakeFile("README", 20);
  burner->SetReplaceFile(true);
  EXPECT_EQ(burner->InsertFile("\\", readme, false), 1);
  EXPECT_EQ(burner->FindFile(burner->Root(), "readme."), e);  // the same entry, updated
  EXPECT_EQ(e->Size + burner->GetFilesCount(), 21);
  EXPECT_FALSE(burner->Prepared());
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(InsertTest, MissingSourceDestinationOrNameAreRefused) {
  const std::string f = MakeFile("a.txt");
  EXPECT_EQ(burner->InsertFile("\\", Src("absent.txt"), false), -1);
  EXPECT_EQ(burner->InsertFileWithName("\\", Src("absent"), "", "x.txt"), -1);
  EXPECT_EQ(burner->InsertFileWithName("\\", f, "", ""), 0);
  // A folder: its entry would have no directory behind it.
  EXPECT_EQ(burner->InsertFile("\\", temp.string(), false), 0);
  EXPECT_EQ(burner->InsertFile("\\nowhere", f, false), 0);
  EXPECT_EQ(lines.back().text + std::to_string(lines.back().type), "INVALID DESTINATION PATH4");
  EXPECT_EQ(FileCounter, 0);
}

TEST_F(InsertTest, TheHandlerMayRenameSkipOrAcceptANameOver127Characters) {
  const std::string too_long = MakeFile(std::string(124, 'b') + ".txt");
  EXPECT_EQ(burner->InsertFile("\\", MakeFile(std::string(123, 'a') + ".txt"), false), 1);
  EXPECT_EQ(burner->InsertFile("\\", too_long, false), 0);
  int64_t seen_size = -1;
  burner->OnAddFile = [&](TComponent*, const std::string& path, std::string& long_name,
                          std::string& short_name, TDateTime& date, int32_t, int64_t size, bool& skip) {
    seen_size = size;
    if (long_name.size() > 127) {
      EXPECT_TRUE(skip);
      short_name = "LONG.TXT", skip = false;
      return;
    }
    long_name = short_name = "renamed.bin";
    date = 38054.5;
    skip = path.find("skipped") != std::string::npos;
    if (path.find("nameless") != std::string::npos) long_name.clear();
  };
  EXPECT_EQ(burner->InsertFile("\\", too_long, false), 1);
  EXPECT_EQ(burner->LastInserted()->Name, "LONG.TXT");
  ASSERT_EQ(burner->InsertFile("\\", MakeFile("data.bin", 5), false), 1);
  EXPECT_EQ(seen_size, 5);
  PFEntry e = burner->FindFile(burner->Root(), "RENAMED.BIN");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Name + std::to_string(e->DateTime), "RENAMED.BIN38054.500000");
  // Renamed onto a name the folder holds: refused like any duplicate.
  EXPECT_EQ(burner->InsertFile("\\", MakeFile("other.bin", 7), false), 0);
  EXPECT_EQ(e->Size, 5);
  for (const char* refused : {"skipped.bin", "nameless.bin"})
    EXPECT_EQ(burner->InsertFile("\\", MakeFile(refused), false), 0) << refused;
  EXPECT_EQ(FileCounter, 3);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(InsertTest, ChosenNamesAndMemoryFiles) {
  const std::string f = MakeFile("x.dat", 3);
  ASSERT_EQ(burner->InsertFileWithName("\\", f, "", "Chosen Name.dat"), 1);
  EXPECT_EQ(burner->LastInserted()->Name, "CHOSEN NAME.D");  // cut to 13
  EXPECT_EQ(burner->InsertFileWithName("\\", f, "s", "chosen name.DAT"), 0);
  ASSERT_EQ(burner->InsertFileWithName("\\", f, "short.dat", "Another.dat"), 1);
  EXPECT_EQ(burner->LastInserted()->Name, "SHORT.DAT");
  static char block[] = "memory bytes";
  ASSERT_EQ(burner->InsertMemoryFile("\\", "mem.txt", "", 0x21, block, 12), 1);
  PFEntry m = burner->LastInserted();
  EXPECT_EQ(std::tuple(m->Data, m->Size, m->Attr), std::tuple(block, 12, 0x21));
  for (auto [dir, name] : {std::pair{"\\", "MEM.TXT"}, {"\\", ""}, {"\\none", "a.txt"}})
    EXPECT_EQ(burner->InsertMemoryFile(dir, name, "", 0, block, 1), 0) << dir << name;
  // A host file that replaces a memory file no longer points at the block.
  burner->SetReplaceFile(true);
  ASSERT_EQ(burner->InsertFileWithName("\\", f, "", "mem.txt"), 1);
  EXPECT_EQ(burner->LastInserted(), m);
  EXPECT_EQ(m->Data, nullptr);
  EXPECT_EQ(m->SourcePath, f);
}

// An imported entry keeps its disc address; a bad date becomes now.
TEST_F(InsertTest, ImportedEntries) {
  const TDateTime then = EncodeDateTime(2004, 3, 8, 12, 51, 24), now = EncodeDateTime(2010, 1, 2, 3, 4, 5);
  SetNowOverride(true, now);
  for (auto [name, time, address, date] :
       {std::tuple{"old.txt", DateTimeToFileDate(then), 1234u, then}, {"bad date.txt", -1, 0u, now}}) {
    TSearchRec rec;
    rec.Name = name, rec.Time = time;
    ASSERT_EQ(burner->InsertFile(burner->Root(), rec, "", address, false), 1);
    EXPECT_EQ(burner->LastInserted()->Address + burner->LastInserted()->AddressJ, 2 * address);
    EXPECT_DOUBLE_EQ(burner->LastInserted()->DateTime, date);
  }
  SetNowOverride(false);
}

TEST_F(InsertTest, FilesOfFourGibibytesAreRefused) {
  const std::string big = MakeFile("big.iso");
  fs::resize_file(big, int64_t{1} << 32);  // sparse: no disc space used
  EXPECT_EQ(burner->InsertFile("\\", big, false), 0);
  EXPECT_EQ(burner->InsertFileWithName("\\", big, "", "big.iso"), 0);
  EXPECT_EQ(FileCounter, 0);
  EXPECT_EQ(lines.back().text, ">>> " + Text(ERR_NOTSUPPORTED) + " " + big);
  fs::resize_file(big, (int64_t{1} << 32) - 1);  // the largest size a record holds
  EXPECT_EQ(burner->InsertFile("\\", big, false), 1);
}

TEST_F(InsertTest, ReplacingKeepsFoldersAndStartsFormTwoSizesAfresh) {
  ASSERT_NE(burner->MakeDir("\\docs.d"), nullptr);
  burner->SetReplaceFile(true);
  EXPECT_EQ(burner->InsertFile("\\", MakeFile("docs.d"), false), 0);
  EXPECT_NE(burner->FindFile(burner->Root(), "docs.d")->Dir, nullptr);
  // 200 form-2 sectors laid out as 409600 bytes; a new source of exactly
  // 409600 bytes needs only 177.
  IsPrev = true;
  ASSERT_EQ(burner->InsertFile("\\", MakeFile("xa.dat", 2324 * 200), false), 1);
  PFEntry xa = burner->LastInserted();
  EXPECT_EQ(Sectors2(xa), 200);
  ASSERT_EQ(burner->InsertFile("\\", MakeFile("xa.dat", 409600), false), 1);
  IsPrev = false;
  EXPECT_EQ(Sectors2(xa), 177);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

}  // namespace
}  // namespace orlix::test
