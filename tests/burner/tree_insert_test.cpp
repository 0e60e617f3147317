// Adding files: name rules, replacing, refusals and their results.
#include "messages/messages.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

using InsertTest = BurnerTest;

TEST_F(InsertTest, FileWithoutDotGetsOneAndIsReplacedOnlyWhenAsked) {
  std::string readme = MakeFile("src/README", 10);
  ASSERT_EQ(burner->InsertFile("\\", readme, false), 1);
  PFEntry e = burner->FindFile(burner->Root(), "README.");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->LongName, "README.");
  EXPECT_EQ(e->Name, "README.");
  EXPECT_EQ(e->Size, 10);
  EXPECT_EQ(e->SizeJ, 10);
  EXPECT_EQ(e->SourcePath, readme);
  EXPECT_FALSE(e->Imported);
  EXPECT_EQ(burner->LastInserted(), e);

  burner->SetPrepared(true);
  EXPECT_EQ(burner->InsertFile("\\", readme, false), 0);  // refused, and said so
  EXPECT_TRUE(burner->Prepared());
  MakeFile("src/README", 20);
  burner->SetReplaceFile(true);
  EXPECT_EQ(burner->InsertFile("\\", readme, false), 1);
  EXPECT_EQ(burner->FindFile(burner->Root(), "readme."), e);  // the same entry, updated
  EXPECT_EQ(e->Size, 20);
  EXPECT_EQ(burner->GetFilesCount(), 1);
  EXPECT_FALSE(burner->Prepared());
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(InsertTest, MissingSourceAndDestination) {
  EXPECT_EQ(burner->InsertFile("\\", (Temp() / "absent.txt").string(), false), -1);
  std::string f = MakeFile("a.txt");
  EXPECT_EQ(burner->InsertFile("\\nowhere", f, false), 0);
  EXPECT_EQ(lines.back().text, "INVALID DESTINATION PATH");
  EXPECT_EQ(lines.back().type, 4);
  EXPECT_EQ(burner->InsertFileWithName("\\", f, "", ""), 0);
  EXPECT_EQ(burner->InsertFileWithName("\\", (Temp() / "absent").string(), "", "x.txt"), -1);
  // A folder is not a file: its entry would have no directory behind it.
  EXPECT_EQ(burner->InsertFile("\\", MakeFolder("folder"), false), 0);
  EXPECT_EQ(FileCounter, 0);
}

TEST_F(InsertTest, LongNamesOverTheLimitNeedTheHandler) {
  const std::string n127(123, 'a'), n128(124, 'b');
  std::string ok = MakeFile(n127 + ".txt"), too_long = MakeFile(n128 + ".txt");
  EXPECT_EQ(burner->InsertFile("\\", ok, false), 1);
  EXPECT_EQ(burner->InsertFile("\\", too_long, false), 0);
  EXPECT_EQ(FileCounter, 1);

  std::vector<bool> skips;
  burner->OnAddFile = [&](TComponent*, const std::string&, std::string&, std::string& short_name, TDateTime&,
                          int32_t, int64_t, bool& skip) {
    skips.push_back(skip);
    short_name = "LONG.TXT";
    skip = false;
  };
  EXPECT_EQ(burner->InsertFile("\\", too_long, false), 1);
  EXPECT_EQ(skips, std::vector<bool>{true});
  EXPECT_EQ(burner->LastInserted()->LongName.size(), 128u);
  EXPECT_EQ(burner->LastInserted()->Name, "LONG.TXT");
}

TEST_F(InsertTest, HandlerSeesEverythingAndMayRenameOrSkip) {
  std::string f = MakeFile("data.bin", 5);
  std::string seen_path;
  int64_t seen_size = -1;
  burner->OnAddFile = [&](TComponent* sender, const std::string& path, std::string& long_name,
                          std::string& short_name, TDateTime& date, int32_t, int64_t size, bool& skip) {
    EXPECT_EQ(sender, burner.get());
    seen_path = path;
    seen_size = size;
    long_name = "renamed.bin";
    short_name = "renamed.bin";
    date = 38054.5;
  };
  ASSERT_EQ(burner->InsertFile("\\", f, false), 1);
  EXPECT_EQ(seen_path, f);
  EXPECT_EQ(seen_size, 5);
  PFEntry e = burner->FindFile(burner->Root(), "RENAMED.BIN");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Name, "RENAMED.BIN");
  EXPECT_EQ(e->DateTime, 38054.5);

  // Renaming onto a name the folder holds is refused like any duplicate.
  std::string g = MakeFile("other.bin", 7);
  EXPECT_EQ(burner->InsertFile("\\", g, false), 0);
  EXPECT_EQ(e->Size, 5);

  burner->OnAddFile = [](TComponent*, const std::string&, std::string&, std::string&, TDateTime&, int32_t,
                         int64_t, bool& skip) { skip = true; };
  EXPECT_EQ(burner->InsertFile("\\", MakeFile("skipped.bin"), false), 0);
  burner->OnAddFile = [](TComponent*, const std::string&, std::string& long_name, std::string&, TDateTime&,
                         int32_t, int64_t, bool&) { long_name.clear(); };
  EXPECT_EQ(burner->InsertFile("\\", MakeFile("nameless.bin"), false), 0);
  EXPECT_EQ(FileCounter, 1);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(InsertTest, ChosenNamesAndMemoryFiles) {
  std::string f = MakeFile("x.dat", 3);
  ASSERT_EQ(burner->InsertFileWithName("\\", f, "", "Chosen Name.dat"), 1);
  EXPECT_EQ(burner->LastInserted()->Name, "CHOSEN NAME.D");  // cut to 13
  EXPECT_EQ(burner->InsertFileWithName("\\", f, "s", "chosen name.DAT"), 0);
  ASSERT_EQ(burner->InsertFileWithName("\\", f, "short.dat", "Another.dat"), 1);
  EXPECT_EQ(burner->LastInserted()->Name, "SHORT.DAT");
  EXPECT_EQ(burner->LastInserted()->SourcePath, f);

  static char block[] = "memory bytes";
  ASSERT_EQ(burner->InsertMemoryFile("\\", "mem.txt", "", 0x21, block, 12), 1);
  PFEntry m = burner->LastInserted();
  EXPECT_EQ(m->Data, block);
  EXPECT_EQ(m->Size, 12);
  EXPECT_EQ(m->Attr, 0x21);
  EXPECT_TRUE(m->SourcePath.empty());
  EXPECT_EQ(burner->InsertMemoryFile("\\", "MEM.TXT", "", 0, block, 1), 0);
  EXPECT_EQ(burner->InsertMemoryFile("\\none", "a.txt", "", 0, block, 1), 0);
  EXPECT_EQ(burner->InsertMemoryFile("\\", "", "", 0, block, 1), 0);
  EXPECT_EQ(lines.back().text, "INVALID DESTINATION PATH");

  // A host file that replaces a memory file no longer points at the block.
  burner->SetReplaceFile(true);
  ASSERT_EQ(burner->InsertFileWithName("\\", f, "", "mem.txt"), 1);
  EXPECT_EQ(burner->LastInserted(), m);
  EXPECT_EQ(m->Data, nullptr);
  EXPECT_EQ(m->SourcePath, f);
}

TEST_F(InsertTest, ImportedEntriesKeepTheirDiscAddress) {
  TSearchRec rec;
  rec.Name = "old.txt";
  rec.SizeLow = 100;
  rec.Time = DateTimeToFileDate(EncodeDateTime(2004, 3, 8, 12, 51, 24));
  ASSERT_EQ(burner->InsertFile(burner->Root(), rec, "", 1234, false), 1);
  PFEntry e = burner->LastInserted();
  EXPECT_TRUE(e->Imported);
  EXPECT_EQ(e->Address, 1234u);
  EXPECT_EQ(e->AddressJ, 1234u);
  EXPECT_EQ(e->Name, "OLD.TXT");
  EXPECT_DOUBLE_EQ(e->DateTime, EncodeDateTime(2004, 3, 8, 12, 51, 24));

  rec.Name = "bad date.txt";
  rec.Time = -1;  // not a packed date: the entry gets the current time
  SetNowOverride(true, EncodeDateTime(2010, 1, 2, 3, 4, 5));
  ASSERT_EQ(burner->InsertFile(burner->Root(), rec, "", 0, false), 1);
  SetNowOverride(false);
  EXPECT_DOUBLE_EQ(burner->LastInserted()->DateTime, EncodeDateTime(2010, 1, 2, 3, 4, 5));
  EXPECT_FALSE(burner->LastInserted()->Imported);
}

TEST_F(InsertTest, FilesOfFourGibibytesAreRefused) {
  auto big = Temp() / "big.iso";
  std::ofstream(big).close();
  std::filesystem::resize_file(big, int64_t{1} << 32);  // sparse: no disc space used
  EXPECT_EQ(burner->InsertFile("\\", big.string(), false), 0);
  EXPECT_EQ(FileCounter, 0);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().text, ">>> " + Text(ERR_NOTSUPPORTED) + " " + big.string());
  EXPECT_EQ(lines.back().type, 4);
  EXPECT_EQ(burner->InsertFileWithName("\\", big.string(), "", "big.iso"), 0);

  std::filesystem::resize_file(big, (int64_t{1} << 32) - 1);  // the largest size a record holds
  EXPECT_EQ(burner->InsertFile("\\", big.string(), false), 1);
  EXPECT_EQ(burner->LastInserted()->Size, (int64_t{1} << 32) - 1);
}

TEST_F(InsertTest, ReplaceFileNeverPutsAFileInPlaceOfAFolder) {
  ASSERT_NE(burner->MakeDir("\\docs.d"), nullptr);
  burner->SetReplaceFile(true);
  std::string f = MakeFile("docs.d");
  EXPECT_EQ(burner->InsertFile("\\", f, false), 0);
  PFEntry e = burner->FindFile(burner->Root(), "docs.d");
  ASSERT_NE(e, nullptr);
  EXPECT_NE(e->Dir, nullptr);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

}  // namespace
}  // namespace orlix::test
