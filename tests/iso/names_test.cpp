// Names as the image holds them: Joliet names mapped, cut and unique in
// their folders, and volume texts reduced to what their fields may hold.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "iso/bytes.h"
#include "iso/joliet_names.h"
#include "iso/volume_descriptors.h"
#include "tests/iso/image_tree.h"

namespace orlix {
namespace {

using test::ImageTree;

struct Report {
  std::string path, given, written;
  TWrittenName why;
};

// The tree's preparation, with every name report kept.
struct NamedTree : ImageTree {
  NamedTree() {
    options.NameChanged = [this](const std::string& path, const std::string& given,
                                 const std::string& written, TWrittenName why) {
      reports.push_back({path, given, written, why});
    };
  }
  // Reports of one kind, by image path.
  std::map<std::string, std::vector<std::string>> Of(TWrittenName why) const {
    std::map<std::string, std::vector<std::string>> out;
    for (const Report& r : reports)
      if (r.why == why) out[r.path].push_back(r.written);
    return out;
  }
  std::vector<Report> reports;
};

std::string Utf8(const uint8_t* p, size_t bytes) {
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes; i += 2) units.push_back(static_cast<char16_t>(GetBE16(p + i)));
  return Ucs2ToUtf8(units);
}

// The Joliet identifiers of one directory's records after "." and "..", as
// UTF-8 without ";1"; every record checked to fit its 255 bytes.
std::vector<std::string> JolietNames(const ImageTree& t, PDEntry dir) {
  std::vector<std::string> names;
  const int64_t start = (int64_t{t.layout.DirAreaJ} + dir->AddressJ) * 2048;
  int skip = 2;
  for (int64_t at = start; at < start + dir->SizeJ;) {
    const uint8_t* p = t.header.Memory() + at;
    if (p[0] == 0) {
      at = (at / 2048 + 1) * 2048;
      continue;
    }
    EXPECT_LE(p[0], 255);
    if (skip > 0) {
      --skip;
    } else {
      std::string name = Utf8(p + 33, p[32]);
      if (name.size() > 2 && name.compare(name.size() - 2, 2, ";1") == 0) name.resize(name.size() - 2);
      names.push_back(name);
    }
    at += p[0];
  }
  return names;
}

// The Joliet path table (L copy): identifiers after the root's, in order.
std::vector<std::string> JolietPathTable(const ImageTree& t) {
  std::vector<std::string> names;
  const uint8_t* p = t.Sector(t.layout.PathTableLJ);
  int32_t at = 10;
  while (at < t.layout.PathTableSizeJ) {
    names.push_back(Utf8(p + at + 8, p[at]));
    at += 8 + p[at] + p[at] % 2;
  }
  return names;
}

std::u16string FoldedUnits(const std::string& utf8) {
  std::u16string units = Utf8ToUcs2(utf8);
  for (char16_t& u : units) u = FoldCase(u);
  return units;
}

TEST(JolietNames, NamesCutAlikeGetCountersAndTheRecordsAgreeWithThePathTable) {
  NamedTree t;
  const std::string stem(115, 'x');
  for (const char* end : {"0.txt", "1.txt", "2.txt"}) t.File(t.root, "F", 10, stem + end);
  PDEntry a = t.Dir(t.root, "DA", std::string(115, 'd') + "A");
  PDEntry b = t.Dir(t.root, "DB", std::string(115, 'd') + "B");
  t.File(a, "IN.TXT", 1, "in.txt");
  t.File(b, "IN.TXT", 1, "in.txt");
  t.Prepare();

  // Files: 110 units with ";1" leave 108 for the name, ".txt" kept.
  const std::vector<std::string> root = JolietNames(t, t.root);
  ASSERT_EQ(root.size(), 5u);
  EXPECT_EQ(root[0], std::string(104, 'x') + ".txt");
  EXPECT_EQ(root[1], std::string(102, 'x') + "~1.txt");
  EXPECT_EQ(root[2], std::string(102, 'x') + "~2.txt");
  // Folders: 110 units, no extension to keep.
  EXPECT_EQ(root[3], std::string(110, 'd'));
  EXPECT_EQ(root[4], std::string(108, 'd') + "~1");
  // The path table carries each folder's name as its record does.
  const std::vector<std::string> table = JolietPathTable(t);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0], root[3]);
  EXPECT_EQ(table[1], root[4]);
  EXPECT_EQ(JolietNames(t, b), std::vector<std::string>{"in.txt"});
  // Sizes and bytes agree: the header ends where the layout said.
  EXPECT_EQ(t.header.Size(), int64_t{t.layout.FirstFileSector} * 2048);

  // Every entry whose name was cut is reported, with the name written.
  const auto cut = t.Of(TWrittenName::JolietCut);
  EXPECT_EQ(cut.size(), 5u);
  EXPECT_EQ(cut.at("\\" + stem + "2.txt"), std::vector<std::string>{root[2]});
  EXPECT_EQ(cut.at("\\" + std::string(115, 'd') + "B"), std::vector<std::string>{root[4]});
  EXPECT_TRUE(t.Of(TWrittenName::JolietChars).empty());
}

TEST(JolietNames, NamesEqualIgnoringCaseKeepTheFirstAndFreeNamesStay) {
  NamedTree t;
  t.File(t.root, "A1", 1, "a.txt");
  t.File(t.root, "A2", 1, "A.TXT");
  t.File(t.root, "A3", 1, "a~1.txt");                                       // free by itself: keeps its name
  t.File(t.root, "R1", 1, "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.txt");  // Отчёт.txt
  t.File(t.root, "R2", 1, "\xD0\xBE\xD1\x82\xD1\x87\xD0\x81\xD1\x82.txt");  // отчЁт.txt
  t.Dir(t.root, "DATA", "Data");
  t.File(t.root, "DATA1", 1, "data");  // a folder and a file of one name
  t.Prepare();
  const std::vector<std::string> names = JolietNames(t, t.root);
  ASSERT_EQ(names.size(), 7u);
  EXPECT_EQ(names[0], "a.txt");
  EXPECT_EQ(names[1], "A~2.TXT");
  EXPECT_EQ(names[2], "a~1.txt");
  EXPECT_EQ(names[3], "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.txt");
  EXPECT_EQ(names[4], "\xD0\xBE\xD1\x82\xD1\x87\xD0\x81\xD1\x82~1.txt");
  EXPECT_EQ(names[5], "Data");
  EXPECT_EQ(names[6], "data~1");
  std::set<std::u16string> folded;
  for (const std::string& n : names) EXPECT_TRUE(folded.insert(FoldedUnits(n)).second) << n;
  EXPECT_EQ(t.Of(TWrittenName::JolietCut).size(), 3u);
}

TEST(JolietNames, ChainOrderDecidesWhoKeepsThePlainNameAndPreparingAgainChangesNothing) {
  for (bool reversed : {false, true}) {
    NamedTree t;
    PFEntry first = t.File(t.root, "L", 1, "Same.txt");
    PFEntry second = t.File(t.root, "U", 1, "SAME.txt");
    if (reversed) {
      t.root->FirstFile = second;
      second->Next = first;
      first->Next = nullptr;
    }
    t.Prepare();
    EXPECT_EQ(t.root->FirstFile->JolietName, t.root->FirstFile->LongName) << reversed;
    EXPECT_EQ(t.root->FirstFile->Next->JolietName, t.root->FirstFile->Next->LongName.substr(0, 4) + "~1.txt")
        << reversed;
    const std::string once = second->JolietName;
    t.Prepare();
    EXPECT_EQ(second->JolietName, once) << reversed;
  }
}

TEST(JolietNames, ForbiddenCharactersBecomeUnderscoresOncePerEntry) {
  NamedTree t;
  t.File(t.root, "A", 1, "a:b.txt");
  t.File(t.root, "B", 1, "a?b.txt");  // the same name once mapped
  t.File(t.root, "C", 1, "s*t/u\\v;w.txt");
  t.File(t.root, "D", 1, std::string("tab\tbell\x07.txt"));
  t.File(t.root, "E", 1, "smile\xF0\x9F\x98\x80.txt");  // beyond UCS-2
  t.File(t.root, "F", 1, "plain-name (1).txt");
  t.Dir(t.root, "G", "what?");
  t.Prepare();
  const std::vector<std::string> names = JolietNames(t, t.root);
  ASSERT_EQ(names.size(), 7u);
  EXPECT_EQ(names[0], "a_b.txt");
  EXPECT_EQ(names[1], "a_b~1.txt");
  EXPECT_EQ(names[2], "s_t_u_v_w.txt");
  EXPECT_EQ(names[3], "tab_bell_.txt");
  EXPECT_EQ(names[4], "smile_.txt");
  EXPECT_EQ(names[5], "plain-name (1).txt");
  EXPECT_EQ(names[6], "what_");
  EXPECT_EQ(JolietPathTable(t), std::vector<std::string>{"what_"});

  const auto chars = t.Of(TWrittenName::JolietChars);
  EXPECT_EQ(chars.size(), 6u);
  EXPECT_EQ(chars.at("\\s*t/u\\v;w.txt"), std::vector<std::string>{"s_t_u_v_w.txt"});
  EXPECT_EQ(chars.at("\\a?b.txt"), std::vector<std::string>{"a_b~1.txt"});
  // Mapped, then made unique: both reasons are told.
  EXPECT_EQ(t.Of(TWrittenName::JolietCut).at("\\a?b.txt"), std::vector<std::string>{"a_b~1.txt"});
  EXPECT_EQ(chars.count("\\plain-name (1).txt"), 0u);
}

TEST(JolietNames, ImagePathsUseTheNamesAsGiven) {
  ImageTree t;
  PDEntry docs = t.Dir(t.root, "DOCS", "Docs");
  PDEntry sub = t.Dir(docs, "SUB", "Sub Folder");
  EXPECT_EQ(ImagePathOf(t.root), "");
  EXPECT_EQ(ImagePathOf(sub), "\\Docs\\Sub Folder");
}

TEST(VolumeTexts, PrimaryFieldsHoldOnlyTheirCharactersAndJolietTheText) {
  NamedTree t;
  TVolumeIdentity& id = t.options.Identity;
  id.IdVolume = "Мой диск: photos 2024-06, part one";  // 34 characters
  id.IdVolumeSet = "set-1";
  id.IdSystem = "linux é";
  id.IdPublisher = "acme (inc.)";  // a-characters only: upper-cased, not reported
  t.Prepare();
  const uint8_t *pvd = t.Sector(16), *jvd = t.Sector(17);
  auto text = [](const uint8_t* p, size_t n) { return std::string(reinterpret_cast<const char*>(p), n); };
  EXPECT_EQ(text(pvd + 40, 32), "__________PHOTOS_2024_06__PART_O");
  EXPECT_EQ(text(pvd + 190, 8), "SET_1   ");
  EXPECT_EQ(text(pvd + 8, 8), "LINUX _ ");
  EXPECT_EQ(text(pvd + 318, 12), "ACME (INC.) ");
  EXPECT_EQ(Utf8(jvd + 40, 32), "Мой диск: photos");
  EXPECT_EQ(Utf8(jvd + 8, 16), "linux é ");

  const auto texts = t.Of(TWrittenName::VolumeText);
  EXPECT_EQ(texts.at("IdVolume"),
            (std::vector<std::string>{"__________PHOTOS_2024_06__PART_O", "Мой диск: photos"}));
  EXPECT_EQ(texts.at("IdVolumeSet"), std::vector<std::string>{"SET_1"});
  EXPECT_EQ(texts.at("IdSystem"), std::vector<std::string>{"LINUX _"});
  EXPECT_EQ(texts.count("IdPublisher"), 0u);
}

TEST(VolumeTexts, WithoutJolietOnlyThePrimaryTextIsReported) {
  NamedTree t;
  t.options.Identity.IdVolume = std::string(40, 'v');
  t.Prepare(false);
  EXPECT_EQ(t.Of(TWrittenName::VolumeText).at("IdVolume"), std::vector<std::string>{std::string(32, 'V')});
}

}  // namespace
}  // namespace orlix
