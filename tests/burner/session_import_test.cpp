// Session import and extraction on the virtual recorder: sessions our own
// writer recorded, carried forward and read back, and pressed discs built
// byte by byte to be damaged in the ways a disc from elsewhere can be.
#include <chrono>
#include <cstring>
#include <filesystem>

#include "device/session_place.h"
#include "framework/bytes.h"
#include "iso/fields.h"
#include "messages/messages.h"
#include "tests/burner/recording_support.h"

namespace orlix::test {
namespace {

namespace fs = std::filesystem;

// Bytes that differ from file to file and within a file.
Bytes Pattern(size_t size, unsigned seed) {
  Bytes data(size);
  uint32_t x = seed * 2654435761u + 1;
  for (uint8_t& b : data) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24);
  return data;
}

// A Joliet identifier: ASCII text as UCS-2 big-endian.
std::string J(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += std::string{'\0', c};
  return out;
}

// A pressed disc built sector by sector: descriptors from sector 16, folders
// and data where a test puts them.
class DiscImage {
 public:
  explicit DiscImage(uint32_t sectors) : bytes_(size_t{sectors} * 2048, 0) {}
  uint8_t* Sector(uint32_t lba) { return &bytes_[size_t{lba} * 2048]; }
  // Type 1 primary, 2 supplementary (Joliet unless `joliet` is false), 255 terminator.
  void Descriptor(uint32_t lba, uint8_t type, uint32_t root = 0, uint32_t root_length = 2048,
                  bool joliet = true) {
    uint8_t* d = Sector(lba);
    d[0] = type;
    std::memcpy(d + 1, "CD001", 5);
    d[6] = 1;
    if (type == 255) return;
    PutBoth32(d + 80, static_cast<uint32_t>(bytes_.size() / 2048));
    if (type == 2 && joliet) d[88] = 0x25, d[89] = 0x2F, d[90] = 0x45;
    d[156] = 34;
    PutBoth32(d + 158, root);
    PutBoth32(d + 166, root_length);
    d[181] = 2;
    d[188] = 1;
  }
  // The usual three: primary at 16 with its root at `iso_root`, Joliet at 17
  // (none when `joliet_root` is 0), terminator after them.
  void Volume(uint32_t iso_root, uint32_t joliet_root = 0) {
    Descriptor(16, 1, iso_root);
    if (joliet_root) Descriptor(17, 2, joliet_root);
    Descriptor(joliet_root ? 18 : 17, 255);
  }
  // Writes a record at byte `at` of sector `lba`; returns the byte after it.
  // `system_use` bytes of 'S' follow the identifier and its padding.
  size_t Record(uint32_t lba, size_t at, const std::string& id, uint32_t extent, uint32_t length,
                uint8_t flags = 0, size_t system_use = 0, const uint8_t date[6] = kDate) {
    const size_t n = id.size(), r = 33 + n + (n % 2 == 0 ? 1 : 0) + system_use;
    uint8_t* p = Sector(lba) + at;
    p[0] = static_cast<uint8_t>(r);
    PutBoth32(p + 2, extent);
    PutBoth32(p + 10, length);
    std::memcpy(p + 18, date, 6);
    p[25] = flags;
    PutBoth16(p + 28, 1);
    p[32] = static_cast<uint8_t>(n);
    std::memcpy(p + 33, id.data(), n);
    std::memset(p + r - system_use, 'S', system_use);
    return at + r;
  }
  // "." and ".." of a folder; returns the byte after them.
  size_t Folder(uint32_t lba, uint32_t parent) {
    Record(lba, 0, std::string(1, '\0'), lba, 2048, 2);
    return Record(lba, 34, std::string(1, '\1'), parent, 2048, 2);
  }
  void Fill(uint32_t lba, const Bytes& data) { std::memcpy(Sector(lba), data.data(), data.size()); }
  void Save(const std::string& path) const {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes_.data()),
                                                static_cast<std::streamsize>(bytes_.size()));
  }

  static constexpr uint8_t kDate[6] = {120, 5, 6, 7, 8, 9};  // 2020-05-06 07:08:09

 private:
  Bytes bytes_;
};

class SessionImport : public RecordingTest {
 protected:
  // Loads `image` as a pressed DVD.
  void Press(const DiscImage& image) {
    const std::string path = (temp / "pressed.iso").string();
    image.Save(path);
    Load("dvd-rom", "image=" + path);
  }
  // The entry at an image path such as "\sub\deep.txt"; nil when missing.
  PFEntry Entry(const std::string& path) {
    const size_t cut = path.rfind('\\');
    PDEntry dir = burner->FindDir(path.substr(0, cut));
    return dir ? burner->FindFile(dir, path.substr(cut + 1)) : nullptr;
  }
  // Extracts an entry into the scratch folder; its bytes, or "failed".
  Bytes Extracted(PFEntry entry) {
    const std::string out = (temp / "out.bin").string();
    if (!burner->ExtractFile(entry, out)) return Bytes{'f', 'a', 'i', 'l', 'e', 'd'};
    return ReadFileBytes(out);
  }
  std::string Problems() {
    std::string all;
    for (const std::string& p : burner->ImportProblems()) all += p + "\n";
    return all;
  }
  // Adds a file of `data` under the tree's `dest`; its host path.
  std::string AddFile(const std::string& dest, const std::string& name, const Bytes& data) {
    const std::string path = MakeFile("src/" + name, 0);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    EXPECT_EQ(burner->InsertFile(burner->MakeDir(dest) ? dest : "\\", path, false), 1) << name;
    return path;
  }
};

::testing::AssertionResult Has(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

TEST_F(SessionImport, ARecordedSessionComesBackWithItsAddressesDatesAndBytes) {
  const std::map<std::string, Bytes> files = {{"\\empty.bin", {}},
                                              {"\\one sector.bin", Pattern(2048, 1)},
                                              {"\\A name longer than an ISO name.text", Pattern(100000, 2)},
                                              {"\\sub\\deeper\\leaf.dat", Pattern(63488 * 2, 3)}};
  for (const char* profile : {"dvd+r", "cd-r", "dvd+rw"}) {
    SCOPED_TRACE(profile);
    burner->Initialize();
    Load(profile);
    std::map<std::string, int64_t> dates;
    for (const auto& [path, data] : files) {
      const size_t cut = path.rfind('\\');
      AddFile(path.substr(0, cut).empty() ? "\\" : path.substr(0, cut), path.substr(cut + 1), data);
      dates[path] = DateTimeToUnix(burner->LastInserted()->DateTime);
    }
    ASSERT_EQ(Burn(), "");
    burner->Initialize();
    ASSERT_TRUE(burner->ImportSession(-1, nullptr));
    EXPECT_EQ(Problems(), "");
    EXPECT_TRUE(TreeIsConsistent(*burner));
    for (const auto& [path, data] : files) {
      SCOPED_TRACE(path);
      PFEntry e = Entry(path);
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->Size, static_cast<int64_t>(data.size()));
      EXPECT_EQ(e->SourcePath, "");
      EXPECT_EQ(DateTimeToUnix(e->DateTime), dates[path]);
      if (!data.empty()) {
        EXPECT_TRUE(e->Imported);
        EXPECT_EQ(DiscBytes(e->Address, static_cast<int64_t>(data.size())), data);
      }
      EXPECT_EQ(Extracted(e), data);
      EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(
                    fs::last_write_time(temp / "out.bin") -
                    std::chrono::file_clock::from_sys(std::chrono::sys_seconds{std::chrono::seconds{dates[path]}}))
                    .count(),
                0);
    }
  }
}

TEST_F(SessionImport, TheSessionNumberChoosesTheSession) {
  Load("dvd+r");
  for (int s = 1; s <= 3; ++s) {
    burner->Initialize();
    ASSERT_EQ(Mem("\\", "s" + std::to_string(s) + ".txt"), 1);
    ASSERT_EQ(Burn(), "");
  }
  ASSERT_EQ(burner->SessionsOnDisc(), 3);
  const std::pair<int, const char*> choices[] = {{-1, "s3.txt"}, {127, "s3.txt"}, {5, "s3.txt"}, {3, "s3.txt"},
                                                 {2, "s2.txt"},  {1, "s1.txt"},   {-2, "s2.txt"}, {-3, "s1.txt"}};
  for (const auto& [number, name] : choices) {
    SCOPED_TRACE(number);
    burner->Initialize();
    EXPECT_TRUE(burner->ImportSession(static_cast<int8_t>(number), nullptr));
    EXPECT_EQ(Names(burner->Root()), Strings{name});
  }
  burner->Initialize();
  EXPECT_FALSE(burner->ImportSession(0, nullptr));
  EXPECT_EQ(Problems(), "");
  // Counting back past the first session imports nothing, and says so.
  EXPECT_FALSE(burner->ImportSession(-4, nullptr));
  EXPECT_EQ(Problems(), Format(ERR_IMPORTNUMBER, -4, 3) + "\n");
  EXPECT_EQ(FileCounter, 0);
}

// Read-only drives know neither READ TRACK INFORMATION nor, the older ones,
// READ DISC INFORMATION: their table of contents must place every session
// where a recorder's track information does.
TEST_F(SessionImport, ADriveWithoutTrackInformationFindsTheSessionsInItsTableOfContents) {
  for (const char* profile : {"cd-r", "dvd+r"}) {
    SCOPED_TRACE(profile);
    Load(profile);
    for (int s = 1; s <= 3; ++s) {
      burner->Initialize();
      ASSERT_EQ(Mem("\\", "s" + std::to_string(s) + ".txt"), 1);
      ASSERT_EQ(Burn(), "");
    }
    SessionPlace told[4];
    for (int s = 1; s <= 3; ++s) ASSERT_TRUE(FindSessionPlace(*burner, s, told[s])) << s;

    for (const char* refused : {"fail:52:5/20/00", "fail:52:5/20/00;fail:51:5/20/00"}) {
      SCOPED_TRACE(refused);
      Faults(refused);
      EXPECT_EQ(burner->SessionsOnDisc(), 3);
      for (int s = 1; s <= 3; ++s) {
        SCOPED_TRACE(s);
        SessionPlace place;
        ASSERT_TRUE(FindSessionPlace(*burner, s, place));
        EXPECT_EQ(place.start, told[s].start);
        EXPECT_GT(place.sectors, 0u);
        burner->Initialize();
        EXPECT_TRUE(burner->ImportSession(static_cast<int8_t>(s), nullptr));
        EXPECT_EQ(Names(burner->Root()), Strings{"s" + std::to_string(s) + ".txt"});
      }
      SessionPlace none;
      EXPECT_FALSE(FindSessionPlace(*burner, 4, none));
    }
    Faults("");
  }
}

TEST_F(SessionImport, PrepareCDCarriesTheSessionForwardAndNewFilesReplaceOldOnes) {
  for (const char* profile : {"dvd+r", "dvd+rw"}) {
    SCOPED_TRACE(profile);
    burner->Initialize();
    Load(profile);
    AddFile("\\docs", "kept.txt", Pattern(5000, 1));
    AddFile("\\docs", "replaced.txt", Pattern(7000, 2));
    ASSERT_EQ(Burn(), "");
    // Session 2: one file more, carried with the first session's files.
    burner->Initialize();
    AddFile("\\docs", "added.txt", Pattern(3000, 3));
    burner->SetSessionToImport(0xFFFF);
    ASSERT_EQ(Burn(), "");
    // Session 3: replaced.txt given again, with other bytes.
    burner->Initialize();
    AddFile("\\docs", "replaced.txt", Pattern(9000, 4));
    ASSERT_EQ(Burn(), "");
    burner->SetSessionToImport(0);

    burner->Initialize();
    ASSERT_TRUE(burner->ImportSession(-1, nullptr));
    EXPECT_EQ(Problems(), "");
    EXPECT_EQ(Extracted(Entry("\\docs\\kept.txt")), Pattern(5000, 1));
    EXPECT_EQ(Extracted(Entry("\\docs\\added.txt")), Pattern(3000, 3));
    EXPECT_EQ(Extracted(Entry("\\docs\\replaced.txt")), Pattern(9000, 4));
    // The first session still holds the old bytes where sessions exist.
    burner->Initialize();
    ASSERT_TRUE(burner->ImportSession(1, nullptr));
    const Bytes first = std::string(profile) == "dvd+r" ? Pattern(7000, 2) : Pattern(9000, 4);
    EXPECT_EQ(Extracted(Entry("\\docs\\replaced.txt")), first);
    fs::remove_all(Src());
  }
}

TEST_F(SessionImport, AnIsoOnlySessionWithXaEntriesIsReadByItsRecords) {
  Load("cd-r");
  burner->SetJolietFileSystem(false);
  ELen = 14;
  AddFile("\\dir", "a.txt", Pattern(3000, 1));
  AddFile("\\", "b.bin", Pattern(10, 2));
  const std::string result = Burn();
  ELen = 0;
  ASSERT_EQ(result, "");
  burner->Initialize();
  ASSERT_TRUE(burner->ImportSession(-1, nullptr));
  EXPECT_EQ(Problems(), "");
  EXPECT_EQ(Extracted(Entry("\\DIR\\A.TXT")), Pattern(3000, 1));
  EXPECT_EQ(Extracted(Entry("\\B.BIN")), Pattern(10, 2));
  EXPECT_EQ(FileCounter, 3);
}

TEST_F(SessionImport, RecordsAreReadWithinTheirSectorAndTheirOwnLength) {
  DiscImage disc(64);
  disc.Descriptor(16, 1, 20, 4096);
  disc.Descriptor(17, 255);
  size_t at = disc.Folder(20, 20);
  Strings want = {"A.TXT", "B.TXT", "C.TXT"};
  // System use of a kind the reader does not know, as other tools write.
  at = disc.Record(20, at, "A.TXT;1", 40, 100, 0, 30);
  at = disc.Record(20, at, "B.TXT;1", 41, 200);
  // An identifier that claims more bytes than its record has.
  const size_t bad = at;
  at = disc.Record(20, at, "X.TXT;1", 42, 10);
  disc.Sector(20)[bad + 32] = 60;
  at = disc.Record(20, at, "C.TXT;1", 43, 300);
  // Records of 222 bytes up to the sector's end, then one that runs past it.
  for (int i = 0; at + 222 <= 2020; ++i) {
    at = disc.Record(20, at, "F" + std::to_string(i) + ".TXT;1", 47, 1, 0, 222 - 42);
    want.push_back("F" + std::to_string(i) + ".TXT");
  }
  const size_t past = at;
  disc.Record(20, at, "Y.TXT;1", 44, 10, 0, 2048 - at + 10 - 40);
  // The second sector: a record too short to be one ends it.
  const size_t shorter = disc.Record(21, 0, "D.TXT;1", 45, 400);
  want.push_back("D.TXT");
  disc.Sector(21)[shorter] = 12;
  disc.Record(21, shorter + 12, "E.TXT;1", 46, 10);
  Press(disc);

  ASSERT_TRUE(burner->ImportSession(-1, nullptr));
  EXPECT_EQ(Names(burner->Root()), want);
  EXPECT_EQ(Entry("\\A.TXT")->Address, 40u);
  EXPECT_EQ(Entry("\\A.TXT")->Size, 100);
  EXPECT_EQ(Entry("\\C.TXT")->Address, 43u);
  const std::string problems = Problems();
  EXPECT_TRUE(Has(problems, Format(ERR_IMPORTRECORD, static_cast<int>(bad), "20", "\\",
                                   "identifier past the record")));
  EXPECT_TRUE(Has(problems, Format(ERR_IMPORTRECORD, static_cast<int>(past), "20", "\\", "past the sector")));
  EXPECT_TRUE(
      Has(problems, Format(ERR_IMPORTRECORD, static_cast<int>(shorter), "21", "\\", "shorter than a record")));
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(SessionImport, FoldersThatPointBackOrLieTooDeepAreNotFollowed) {
  DiscImage disc(200);
  disc.Volume(20);
  size_t at = disc.Folder(20, 20);
  at = disc.Record(20, at, "A.TXT;1", 100, 5);
  at = disc.Record(20, at, "SUB", 21, 2048, 2);
  disc.Record(20, at, "CHAIN", 30, 2048, 2);
  at = disc.Folder(21, 20);
  at = disc.Record(21, at, "B.TXT;1", 101, 5);
  at = disc.Record(21, at, "ROOT", 20, 2048, 2);
  disc.Record(21, at, "SELF", 21, 2048, 2);
  // 150 folders, each inside the one before.
  for (uint32_t i = 0; i < 150; ++i) disc.Record(30 + i, disc.Folder(30 + i, 29 + i), "N", 31 + i, 2048, 2);
  Press(disc);

  ASSERT_TRUE(burner->ImportSession(-1, nullptr));
  EXPECT_NE(Entry("\\A.TXT"), nullptr);
  EXPECT_NE(Entry("\\SUB\\B.TXT"), nullptr);
  EXPECT_EQ(Names(burner->FindDir("\\SUB")), Strings{"B.TXT"});
  const std::string problems = Problems();
  EXPECT_TRUE(Has(problems, Format(ERR_IMPORTLOOP, "\\SUB\\ROOT")));
  EXPECT_TRUE(Has(problems, Format(ERR_IMPORTLOOP, "\\SUB\\SELF")));
  // The chain stops at the tree's depth; the levels above stay.
  int depth = 0;
  for (PDEntry d = burner->FindDir("\\CHAIN"); d && d->FirstFile; d = d->FirstFile->Dir) ++depth;
  EXPECT_EQ(depth, 126);
  EXPECT_TRUE(Has(problems, "LEVELS DEEP"));
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(SessionImport, ExtentsOutsideTheDiscAreReportedAndNeverRead) {
  DiscImage disc(40);
  disc.Volume(20);
  size_t at = disc.Folder(20, 20);
  at = disc.Record(20, at, "FAR.BIN;1", 39, 4096);
  at = disc.Record(20, at, "FARDIR", 5000, 2048, 2);
  at = disc.Record(20, at, "HUGE", 30, 0xFFFFF800u, 2);
  at = disc.Record(20, at, "ZERO.BIN;1", 0, 10);
  at = disc.Record(20, at, "EMPTY.BIN;1", 0, 0);
  disc.Record(20, at, "OK.BIN;1", 30, 100);
  Press(disc);

  ASSERT_TRUE(burner->ImportSession(-1, nullptr));
  EXPECT_EQ(Names(burner->Root()), (Strings{"EMPTY.BIN", "OK.BIN"}));
  const std::string problems = Problems();
  EXPECT_TRUE(Has(problems, Format(ERR_IMPORTPASTEND, "\\FAR.BIN", "39", "40", "40")));
  EXPECT_TRUE(Has(problems, Format(ERR_IMPORTPASTEND, "\\FARDIR", "5000", "5000", "40")));
  EXPECT_TRUE(Has(problems, "\\HUGE LIES PAST THE END"));
  EXPECT_TRUE(Has(problems, "file data at sector 0"));
  // Nothing was asked of the drive there: no read failed.
  EXPECT_EQ(problems.find("CAN'T READ"), std::string::npos) << problems;

  // A root outside the disc: nothing to import.
  DiscImage far(40);
  far.Volume(7000);
  Press(far);
  burner->Initialize();
  EXPECT_FALSE(burner->ImportSession(-1, nullptr));
  EXPECT_TRUE(Has(Problems(), Format(ERR_IMPORTPASTEND, "\\", "7000", "7000", "40")));
}

TEST_F(SessionImport, TheDescriptorsChooseTheTree) {
  // An enhanced descriptor (type 2 without Joliet's escape) holds 8-bit
  // names: the primary's tree is read instead.
  DiscImage disc(64);
  disc.Descriptor(16, 1, 20);
  disc.Descriptor(17, 2, 21, 2048, false);
  disc.Descriptor(18, 255);
  disc.Record(20, disc.Folder(20, 20), "ISO.TXT;1", 40, 5);
  disc.Record(21, disc.Folder(21, 21), "enhanced name.txt", 40, 5);
  Press(disc);
  ASSERT_TRUE(burner->ImportSession(-1, nullptr));
  EXPECT_EQ(Names(burner->Root()), Strings{"ISO.TXT"});

  // No descriptor before the terminator.
  DiscImage none(64);
  none.Descriptor(16, 255);
  none.Descriptor(17, 1, 20);
  Press(none);
  burner->Initialize();
  EXPECT_FALSE(burner->ImportSession(-1, nullptr));
  EXPECT_EQ(Problems(), Format(ERR_ISOIMAGENOTFOUND, 1) + "\n");
}

TEST_F(SessionImport, JolietNamesAreTakenWithoutTheirVersionAndUnholdableOnesAreLeftOut) {
  DiscImage disc(64);
  disc.Volume(20, 21);
  disc.Record(20, disc.Folder(20, 20), "ISO.TXT;1", 40, 5);
  size_t at = disc.Folder(21, 21);
  at = disc.Record(21, at, J("report.doc;1"), 40, 5);
  at = disc.Record(21, at, J("a;1"), 41, 5);
  // U+1F600 as a surrogate pair, "é" as one unit.
  at = disc.Record(21, at, std::string("\xD8\x3D\xDE\x00\x00\xE9", 6) + J(".txt"), 42, 5);
  at = disc.Record(21, at, J(".."), 43, 5);
  at = disc.Record(21, at, J("back\\slash"), 44, 5);
  at = disc.Record(21, at, J("REPORT.DOC;1"), 45, 5);
  at = disc.Record(21, at, J(std::string(108, 'n')), 46, 5);
  Press(disc);

  ASSERT_TRUE(burner->ImportSession(-1, nullptr));
  EXPECT_EQ(Names(burner->Root()), (Strings{"report.doc", "a.", "\xF0\x9F\x98\x80\xC3\xA9.txt"}));
  EXPECT_EQ(Entry("\\report.doc")->Name, "REPORT.DOC");
  const std::string problems = Problems();
  EXPECT_TRUE(Has(problems, Format(ERR_IMPORTNAME, "\\..")));
  EXPECT_TRUE(Has(problems, Format(ERR_IMPORTNAME, "\\back\\slash")));
  EXPECT_TRUE(Has(problems, Format(ERR_IMPORTCASE, "\\REPORT.DOC")));
  EXPECT_TRUE(Has(problems, Text(ERR_INVALIDFILENAME) + "\n\r" + std::string(108, 'n')));
}

TEST_F(SessionImport, RecordDatesKeepTheirSecondsAndImpossibleOnesAreDecided) {
  DiscImage disc(64);
  disc.Volume(20);
  const uint8_t odd[6] = {99, 12, 31, 23, 59, 59}, month0[6] = {99, 0, 1, 10, 30, 0},
                hour25[6] = {99, 2, 3, 25, 0, 0}, old[6] = {75, 6, 7, 8, 9, 11};
  size_t at = disc.Folder(20, 20);
  at = disc.Record(20, at, "ODD.TXT;1", 40, 5, 0, 0, odd);
  at = disc.Record(20, at, "MONTH0.TXT;1", 40, 5, 0, 0, month0);
  at = disc.Record(20, at, "HOUR25.TXT;1", 40, 5, 0, 0, hour25);
  at = disc.Record(20, at, "OLD.TXT;1", 40, 5, 0, 0, old);
  disc.Record(20, at, "DIR", 21, 2048, 2, 0, odd);
  disc.Folder(21, 20);
  Press(disc);

  ASSERT_TRUE(burner->ImportSession(-1, nullptr));
  EXPECT_EQ(Entry("\\ODD.TXT")->DateTime, EncodeDateTime(1999, 12, 31, 23, 59, 59));
  EXPECT_EQ(Entry("\\DIR")->DateTime, EncodeDateTime(1999, 12, 31, 23, 59, 59));
  EXPECT_EQ(Entry("\\MONTH0.TXT")->DateTime, EncodeTime(10, 30, 0, 0));
  EXPECT_EQ(Entry("\\HOUR25.TXT")->DateTime, EncodeDate(1999, 2, 3));
  EXPECT_EQ(Entry("\\OLD.TXT")->DateTime, EncodeDateTime(1975, 6, 7, 8, 9, 11));
  EXPECT_EQ(Problems(), "");
}

TEST_F(SessionImport, FilesInSeveralExtentsAreLeftOutWhole) {
  DiscImage disc(64);
  disc.Volume(20);
  size_t at = disc.Folder(20, 20);
  at = disc.Record(20, at, "BIG.BIN;1", 40, 2048, 0x80);
  at = disc.Record(20, at, "BIG.BIN;1", 41, 2048, 0x80);
  at = disc.Record(20, at, "BIG.BIN;1", 42, 100);
  disc.Record(20, at, "SMALL.BIN;1", 43, 100);
  Press(disc);
  ASSERT_TRUE(burner->ImportSession(-1, nullptr));
  EXPECT_EQ(Names(burner->Root()), Strings{"SMALL.BIN"});
  EXPECT_EQ(Problems(), Format(ERR_IMPORTEXTENTS, "\\BIG.BIN") + "\n");
}

TEST_F(SessionImport, ExtractionCopiesWholeChunksAndStopsAtTheFirstFailedRead) {
  DiscImage disc(200);
  disc.Volume(20);
  const Bytes chunked = Pattern(100000, 7), exact = Pattern(63488 * 2, 8);
  disc.Fill(40, chunked);
  disc.Fill(100, exact);
  size_t at = disc.Folder(20, 20);
  at = disc.Record(20, at, "CHUNKED.BIN;1", 40, 100000);
  at = disc.Record(20, at, "EXACT.BIN;1", 100, 63488 * 2);
  disc.Record(20, at, "EMPTY.BIN;1", 0, 0);
  Press(disc);
  ASSERT_TRUE(burner->ImportSession(-1, nullptr));
  EXPECT_EQ(Extracted(Entry("\\CHUNKED.BIN")), chunked);
  EXPECT_EQ(Extracted(Entry("\\EXACT.BIN")), exact);
  EXPECT_EQ(Extracted(Entry("\\EMPTY.BIN")), Bytes{});

  // A sector of the second chunk cannot be read: no partial file, false.
  Faults("medium:75");
  const std::string out = (temp / "failed.bin").string();
  EXPECT_FALSE(burner->ExtractFile(Entry("\\CHUNKED.BIN"), out));
  EXPECT_FALSE(fs::exists(out));
  ASSERT_FALSE(Lines(4).empty());
  EXPECT_TRUE(Has(Lines(4).back(), "CAN'T READ SECTOR 71 OF FILE CHUNKED.BIN"));
  Faults("");

  // A destination that cannot be made is named.
  const std::string nowhere = (temp / "no such folder" / "x.bin").string();
  EXPECT_FALSE(burner->ExtractFile(Entry("\\CHUNKED.BIN"), nowhere));
  EXPECT_EQ(Lines(4).back(), ">>> " + Format(ERR_CREATEFILE, nowhere));

  // An entry whose data is not on the disc yet is not read.
  ASSERT_EQ(Mem("\\", "memory.bin"), 1);
  EXPECT_FALSE(burner->ExtractFile(Entry("\\memory.bin"), out));
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(Lines(4).back(), ">>> " + Format(ERR_EXTRACTNOTONDISC, "memory.bin"));
}

}  // namespace
}  // namespace orlix::test
