// Names every reader accepts: short names unique where folders meet, long
// names limited by characters, each name written differently reported, and
// the images read back by outside readers under the names expected.
#include <sys/wait.h>

#include <cstdio>
#include <iterator>

#include "iso/bytes.h"
#include "messages/messages.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

struct Change {
  std::string path, given, written;
  TNameChange why;
};

class NameRules : public BurnerTest {
 protected:
  void SetUp() override {
    BurnerTest::SetUp();
    burner->OnNameChanged = [this](TComponent*, const std::string& path, const std::string& given,
                                   const std::string& written, TNameChange why) {
      changes.push_back({path, given, written, why});
    };
  }
  std::vector<Change> ChangesOf(TNameChange why) const {
    std::vector<Change> out;
    for (const Change& c : changes)
      if (c.why == why) out.push_back(c);
    return out;
  }
  bool HasLine(const std::string& text, uint8_t type) const {
    for (const Line& l : lines)
      if (l.text == text && l.type == type) return true;
    return false;
  }
  std::string NameOf(const std::string& dir, const std::string& long_name) {
    PFEntry e = burner->FindFile(burner->FindDir(dir), long_name);
    return e ? e->Name : "(missing)";
  }
  // The ISO identifiers of a prepared directory's records after "." and "..".
  std::vector<std::string> IsoIdentifiers(PDEntry dir) {
    std::vector<std::string> ids;
    const TMemoryStream& h = *burner->HeaderStream();
    const int64_t start = (int64_t{burner->DirArea()} + dir->Address) * 2048;
    for (int64_t at = start; at < start + dir->Size;) {
      const uint8_t* p = h.Memory() + at;
      if (p[0] == 0) {
        at = (at / 2048 + 1) * 2048;
        continue;
      }
      if (p[32] > 1 || p[33] > 1) ids.emplace_back(reinterpret_cast<const char*>(p + 33), p[32]);
      at += p[0];
    }
    return ids;
  }

  std::vector<Change> changes;
};

TEST_F(NameRules, FoldersGraftedIntoOneGetUniqueShortNames) {
  MakeFile("m1/LongFileNameOne.txt");
  MakeFile("m1/LongFolderName/inside.txt");
  MakeFile("m2/LongFileNameTwo.txt");
  MakeFile("m2/LongFolderNameY");  // no extension: a host names it like the folder
  ASSERT_EQ(burner->InsertDir("\\", Src("m1"), "*.*", faAnyFile, true, false, false), 1);
  ASSERT_EQ(burner->InsertDir("\\", Src("m2"), "*.*", faAnyFile, true, false, false), 1);

  EXPECT_EQ(NameOf("\\", "LongFileNameOne.txt"), "LONGFI~1.TXT");
  EXPECT_EQ(NameOf("\\", "LongFileNameTwo.txt"), "LONGFI~2.TXT");
  EXPECT_EQ(NameOf("\\", "LongFolderName"), "LONGFO~1");
  EXPECT_EQ(NameOf("\\", "LongFolderNameY."), "LONGFO~2");
  const std::vector<Change> iso = ChangesOf(TNameChange::ncIsoUnique);
  ASSERT_EQ(iso.size(), 2u);
  EXPECT_EQ(iso[0].path, "\\LongFileNameTwo.txt");
  EXPECT_EQ(iso[0].given, "LONGFI~1.TXT");
  EXPECT_EQ(iso[0].written, "LONGFI~2.TXT");
  EXPECT_EQ(iso[1].path, "\\LongFolderNameY.");
  EXPECT_TRUE(
      HasLine(">>> ISO 9660 NAME OF \"\\LongFileNameTwo.txt\" WRITTEN AS \"LONGFI~2.TXT\" "
              "(\"LONGFI~1.TXT\" IS TAKEN IN ITS FOLDER)",
              4));

  ASSERT_TRUE(burner->PrepareISO());
  const std::vector<std::string> ids = IsoIdentifiers(burner->Root());
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()),
            (std::set<std::string>{"LONGFI~1.TXT;1", "LONGFI~2.TXT;1", "LONGFO~1", "LONGFO~2;1"}));
}

TEST_F(NameRules, GivenNamesStayWhenFreeAndAnEntryNeverCollidesWithItself) {
  ASSERT_EQ(burner->InsertMemoryFile("\\", "first.txt", "MYNAME.TXT", 0x20, nullptr, 0), 1);
  EXPECT_EQ(NameOf("\\", "first.txt"), "MYNAME.TXT");
  ASSERT_EQ(burner->InsertMemoryFile("\\", "second.txt", "myname.txt", 0x20, nullptr, 0), 1);
  EXPECT_EQ(NameOf("\\", "second.txt"), "MYNAME~1.TXT");
  ASSERT_NE(burner->CreateDir("\\", "MyName.txt"), nullptr);  // a folder meets the files' names too
  EXPECT_EQ(NameOf("\\", "MyName.txt"), "MYNAME~2.TXT");
  EXPECT_EQ(burner->FindDir("\\MyName.txt")->Name, "MYNAME~2.TXT");
  burner->SetReplaceFile(true);
  ASSERT_EQ(burner->InsertMemoryFile("\\", "first.txt", "MYNAME.TXT", 0x20, nullptr, 0), 1);
  EXPECT_EQ(NameOf("\\", "first.txt"), "MYNAME.TXT");
  EXPECT_EQ(ChangesOf(TNameChange::ncIsoUnique).size(), 2u);
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(NameRules, MovingOrRenamingOntoATakenShortNameDerivesOne) {
  ASSERT_NE(burner->MakeDir("\\D1\\Sub"), nullptr);
  ASSERT_EQ(burner->InsertMemoryFile("\\D1", "one.txt", "SAME.TXT", 0x20, nullptr, 0), 1);
  ASSERT_EQ(burner->InsertMemoryFile("\\", "two.txt", "SAME.TXT", 0x20, nullptr, 0), 1);
  ASSERT_EQ(burner->InsertMemoryFile("\\", "sub-file", "SUB", 0x20, nullptr, 0), 1);
  ASSERT_TRUE(burner->MoveFile("\\", "\\D1", "one.txt"));
  EXPECT_EQ(NameOf("\\", "one.txt"), "SAME~1.TXT");
  ASSERT_TRUE(burner->MoveFile("\\", "\\D1", "Sub"));
  EXPECT_EQ(NameOf("\\", "Sub"), "SUB~1");
  EXPECT_EQ(burner->FindDir("\\Sub")->Name, "SUB~1");  // the path table's name
  ASSERT_TRUE(burner->RenameFile("\\", "two.txt", "two.txt", "same~1.txt"));
  EXPECT_EQ(NameOf("\\", "two.txt"), "SAME~2.TXT");
  const std::vector<Change> iso = ChangesOf(TNameChange::ncIsoUnique);
  ASSERT_EQ(iso.size(), 3u);
  EXPECT_EQ(iso[0].path, "\\one.txt");
  EXPECT_EQ(iso[2].given, "SAME~1.TXT");
  EXPECT_EQ(iso[2].written, "SAME~2.TXT");
  EXPECT_TRUE(TreeIsConsistent(*burner));
}

TEST_F(NameRules, ManyNamesOfOneStemStayEightThreeAndDistinct) {
  std::set<std::string> names;
  for (int i = 0; i < 1200; ++i) {
    const std::string long_name = "f" + std::to_string(i) + ".txt";
    ASSERT_EQ(burner->InsertMemoryFile("\\", long_name, "ABCDEFGH.TXT", 0x20, nullptr, 0), 1);
    names.insert(NameOf("\\", long_name));
  }
  EXPECT_EQ(names.size(), 1200u);
  EXPECT_EQ(NameOf("\\", "f1.txt"), "ABCDEF~1.TXT");
  EXPECT_EQ(NameOf("\\", "f10.txt"), "ABCDE~10.TXT");
  EXPECT_EQ(NameOf("\\", "f1000.txt"), "ABC~1000.TXT");
}

TEST_F(NameRules, TheLongNameLimitCountsCharacters) {
  const std::string zhe = "\xD0\x96";  // Ж, two bytes
  std::string cyrillic_74;
  for (int i = 0; i < 70; ++i) cyrillic_74 += zhe;
  cyrillic_74 += ".txt";
  MakeFile(cyrillic_74);
  EXPECT_EQ(burner->InsertFile("\\", Src(cyrillic_74), false), 1);
  EXPECT_NE(burner->FindFile(burner->Root(), cyrillic_74), nullptr);
  std::string cyrillic_127, cyrillic_128;
  for (int i = 0; i < 123; ++i) cyrillic_127 += zhe;
  cyrillic_128 = cyrillic_127 + zhe + ".txt";
  cyrillic_127 += ".txt";
  EXPECT_EQ(burner->InsertMemoryFile("\\", cyrillic_127, "", 0x20, nullptr, 0), 1);
  EXPECT_EQ(burner->InsertMemoryFile("\\", cyrillic_128, "", 0x20, nullptr, 0), 0);
  EXPECT_EQ(burner->InsertMemoryFile("\\", std::string(124, 'a') + ".txt", "", 0x20, nullptr, 0), 0);
}

TEST_F(NameRules, PreparationReportsJolietNamesAndVolumeTexts) {
  ASSERT_EQ(burner->InsertMemoryFile("\\", "what?.txt", "WHAT_.TXT", 0x20, nullptr, 0), 1);
  burner->SetIdVolume("my disc");
  ASSERT_TRUE(burner->PrepareISO());
  const std::vector<Change> chars = ChangesOf(TNameChange::ncJolietChars);
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].path, "\\what?.txt");
  EXPECT_EQ(chars[0].given, "what?.txt");
  EXPECT_EQ(chars[0].written, "what_.txt");
  EXPECT_TRUE(HasLine(
      ">>> JOLIET NAME OF \"\\what?.txt\" WRITTEN AS \"what_.txt\" (CHARACTERS JOLIET FORBIDS AS _)", 4));
  const std::vector<Change> texts = ChangesOf(TNameChange::ncVolumeText);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].path, "IdVolume");
  EXPECT_EQ(texts[0].written, "MY_DISC");
  EXPECT_TRUE(HasLine(">>> IdVolume WRITTEN AS \"MY_DISC\" (CUT OR MAPPED TO FIT ITS FIELD)", 4));
}

// --- Outside readers -------------------------------------------------------

struct Outcome {
  int status;
  std::string out;
};

Outcome Shell(const std::string& command) {
  Outcome r{-1, ""};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) r.out.append(buffer, n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Opens an image with pycdlib and counts the files of both trees; any
// complaint (a duplicate name among them) fails it.
const char kPycdlibCount[] = R"(import sys, pycdlib
iso = pycdlib.PyCdlib()
iso.open(sys.argv[1])
for tree in ('iso_path', 'joliet_path'):
    if tree == 'joliet_path' and not iso.has_joliet():
        continue
    print(tree, sum(len(files) for _, _, files in iso.walk(**{tree: '/'})))
iso.close()
)";

class OutsideReaders : public NameRules {
 protected:
  void Add(const std::string& relative, const std::string& content) {
    MakeFile("src/" + relative);
    std::ofstream(temp / "src" / relative, std::ios::binary) << content;
  }
  // Every file below `folder`, by path below it, with its content.
  static std::map<std::string, std::string> Extracted(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
      if (!e.is_regular_file()) continue;
      std::ifstream in(e.path(), std::ios::binary);
      files[fs::relative(e.path(), folder).string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
  }
  void Save(const std::string& image) {
    ASSERT_TRUE(burner->PrepareISO());
    ASSERT_EQ(burner->SaveToISOFile(Src(image), true), 1);
  }
};

TEST_F(OutsideReaders, EveryFileIsFoundUnderItsExpectedName) {
  const bool has_7zz = Shell("7zz i").status == 0;
  const bool has_pycdlib = Shell("/usr/bin/python3 -c 'import pycdlib'").status == 0;
  if (!has_7zz && !has_pycdlib) GTEST_SKIP() << "neither 7zz nor python3-pycdlib is installed";

  const std::string x(115, 'x'), d(115, 'd');
  std::map<std::string, std::string> expected;  // Joliet path -> content
  const auto add = [&](const std::string& host, const std::string& joliet, const std::string& content) {
    Add(host, content);
    expected[joliet] = content;
  };
  add(x + "0.txt", std::string(104, 'x') + ".txt", "zero");
  add(x + "1.txt", std::string(102, 'x') + "~1.txt", "one");
  add(x + "2.txt", std::string(102, 'x') + "~2.txt", "two");
  add(d + "A/in.txt", std::string(110, 'd') + "/in.txt", "in A");
  add(d + "B/in.txt", std::string(108, 'd') + "~1/in.txt", "in B");
  add("a:b.txt", "a_b.txt", "colon");
  add("a?b.txt", "a_b~1.txt", "question");
  add("star*.txt", "star_.txt", "star");
  add("back\\slash.txt", "back_slash.txt", "backslash");
  add("semi;colon.txt", "semi_colon.txt", "semicolon");
  add("ctl\x01.txt", "ctl_.txt", "control");
  MakeFile("m1/LongFileNameOne.txt");
  MakeFile("m2/LongFileNameTwo.txt");
  std::ofstream(temp / "m1/LongFileNameOne.txt") << "first";
  std::ofstream(temp / "m2/LongFileNameTwo.txt") << "second";
  expected["LongFileNameOne.txt"] = "first";
  expected["LongFileNameTwo.txt"] = "second";
  for (const char* source : {"src", "m1", "m2"})
    ASSERT_EQ(burner->InsertDir("\\", Src(source), "*.*", faAnyFile, true, false, false), 1) << source;
  Save("joliet.iso");

  if (has_pycdlib) {
    std::ofstream(temp / "count.py") << kPycdlibCount;
    const Outcome r = Shell("/usr/bin/python3 " + Quote(Src("count.py")) + " " + Quote(Src("joliet.iso")));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("iso_path 13"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("joliet_path 13"), std::string::npos) << r.out;
  }
  if (has_7zz) {
    const Outcome r = Shell("7zz x -y -o" + Quote(Src("by_7z")) + " " + Quote(Src("joliet.iso")));
    ASSERT_EQ(r.status, 0) << r.out;
    const std::map<std::string, std::string> got = Extracted(temp / "by_7z");
    EXPECT_EQ(got.size(), expected.size());
    for (const auto& [path, content] : expected) {
      const auto it = got.find(path);
      ASSERT_NE(it, got.end()) << path << " is missing";
      EXPECT_EQ(it->second, content) << path;
    }

    // Without Joliet the short names alone tell the merged files apart.
    burner->SetJolietFileSystem(false);
    Save("iso_only.iso");
    const Outcome iso = Shell("7zz x -y -o" + Quote(Src("iso_7z")) + " " + Quote(Src("iso_only.iso")));
    ASSERT_EQ(iso.status, 0) << iso.out;
    std::map<std::string, std::string> short_names = Extracted(temp / "iso_7z");
    EXPECT_EQ(short_names.size(), expected.size());
    EXPECT_EQ(short_names["LONGFI~1.TXT"], "first");
    EXPECT_EQ(short_names["LONGFI~2.TXT"], "second");
  }
}

}  // namespace
}  // namespace orlix::test
