// What a reader of the image finds, decoded from the header bytes: ".."
// records, path tables, the first file sector, sector-filling records, chain
// order after sorting and the extents of imported files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "iso/bytes.h"
#include "iso/image_stream.h"
#include "iso/ordering.h"
#include "tests/iso/image_tree.h"

namespace orlix {
namespace {

using test::ImageTree;
using Strings = std::vector<std::string>;

// One directory record and where it lies in the image.
struct Rec {
  const uint8_t* p;
  int64_t offset;
  uint8_t Length() const { return p[0]; }
  uint32_t Extent() const { return GetLE32(p + 2); }
  uint32_t Size() const { return GetLE32(p + 10); }
  std::string Id() const { return std::string(reinterpret_cast<const char*>(p + 33), p[32]); }
};

// The records of the directory whose extent starts at `sector`, "." and ".."
// included, over the length its own "." record gives. A zero length byte
// ends a sector's records; a record that cannot be one ends the reading.
std::vector<Rec> Directory(const TMemoryStream& image, uint32_t sector) {
  std::vector<Rec> records;
  const int64_t start = int64_t{sector} * 2048;
  if (start + 34 > image.Size()) return records;
  const int64_t end = std::min<int64_t>(start + GetLE32(image.Memory() + start + 10), image.Size());
  for (int64_t at = start; at < end;) {
    const uint8_t* p = image.Memory() + at;
    if (p[0] == 0) {
      at = (at / 2048 + 1) * 2048;
      continue;
    }
    if (p[0] < 34 || at + p[0] > end) break;
    records.push_back({p, at});
    at += p[0];
  }
  return records;
}

// The first record named `id`; fails the test when there is none.
Rec Find(const std::vector<Rec>& records, const std::string& id) {
  for (const Rec& r : records) {
    if (r.Id() == id) return r;
  }
  ADD_FAILURE() << "no record " << id;
  static const uint8_t kNone[34] = {34};
  return {kNone, -1};
}

// The first volume descriptor of `type` from sector 16 on, nil when the
// terminator comes first.
const uint8_t* Descriptor(const TMemoryStream& image, uint8_t type) {
  for (int64_t at = 16 * 2048; at + 2048 <= image.Size(); at += 2048) {
    const uint8_t* vd = image.Memory() + at;
    if (vd[0] == type) return vd;
    if (vd[0] == 0xFF) break;
  }
  return nullptr;
}

Rec RootRecord(const uint8_t* vd) { return {vd + 156, -1}; }

struct PathRec {
  std::string id;
  uint32_t extent;
  uint16_t parent;
};

// The path table a descriptor names: its L copy, or its M copy.
std::vector<PathRec> PathTable(const TMemoryStream& image, const uint8_t* vd, bool big_endian) {
  const uint32_t size = GetLE32(vd + 132);
  const int64_t start = int64_t{big_endian ? GetBE32(vd + 148) : GetLE32(vd + 140)} * 2048;
  std::vector<PathRec> records;
  if (start + size > image.Size()) return records;
  for (const uint8_t* p = image.Memory() + start; p < image.Memory() + start + size;) {
    const uint8_t n = p[0];
    if (n == 0) break;
    records.push_back({std::string(reinterpret_cast<const char*>(p + 8), n),
                       big_endian ? GetBE32(p + 2) : GetLE32(p + 2),
                       big_endian ? GetBE16(p + 6) : GetLE16(p + 6)});
    p += 8 + n + n % 2;
  }
  return records;
}

std::string Ucs2(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += std::string{'\0', c};
  return out;
}

// One tree of the image: how it writes a name, and its identifiers as
// readable text for the messages of failed comparisons.
struct Naming {
  const char* tree;
  bool joliet;
  std::string Id(const std::string& iso, const std::string& long_name) const {
    return joliet ? Ucs2(long_name) : iso;
  }
  // Joliet identifiers with their high bytes dropped ('?' where one is not
  // zero); the one-byte identifiers of the root, "." and ".." as they are.
  std::string Text(const std::string& id) const {
    if (!joliet || id.size() % 2 != 0) return id;
    std::string text;
    for (size_t i = 0; i < id.size(); i += 2) text += id[i] == '\0' ? id[i + 1] : '?';
    return text;
  }
};
constexpr Naming kIso{"ISO", false}, kJoliet{"Joliet", true};

const uint8_t* DescriptorOf(const ImageTree& t, const Naming& naming) {
  return Descriptor(t.header, naming.joliet ? 2 : 1);
}

TEST(ImageBytes, DotDotDescribesTheParentDirectory) {
  ImageTree t;
  // The root takes two ISO and three Joliet sectors, SUB and DEEP one each:
  // a ".." with the directory's own extent or size differs from its parent.
  for (int i = 1000; i < 1050; ++i) {
    const std::string n = std::to_string(i);
    t.File(t.root, "FILE" + n + ".TXT", 1, "a file with a longer name " + n + ".txt");
  }
  t.Dir(t.Dir(t.root, "SUB", "sub"), "DEEP", "deep");
  t.Prepare();
  for (const Naming& naming : {kIso, kJoliet}) {
    SCOPED_TRACE(naming.tree);
    const uint8_t* vd = DescriptorOf(t, naming);
    ASSERT_NE(vd, nullptr);
    const Rec root = RootRecord(vd);
    ASSERT_EQ(root.Size(), naming.joliet ? 6144u : 4096u);
    const std::vector<Rec> root_dir = Directory(t.header, root.Extent());
    ASSERT_GE(root_dir.size(), 2u);
    EXPECT_EQ(root_dir[1].Extent(), root.Extent());  // the root is its own parent
    EXPECT_EQ(root_dir[1].Size(), root.Size());

    const Rec sub = Find(root_dir, naming.Id("SUB", "sub"));
    ASSERT_EQ(sub.Size(), 2048u);
    const std::vector<Rec> sub_dir = Directory(t.header, sub.Extent());
    ASSERT_GE(sub_dir.size(), 3u);
    EXPECT_EQ(sub_dir[1].Id(), "\x01");
    EXPECT_EQ(sub_dir[1].Extent(), root.Extent());
    EXPECT_EQ(sub_dir[1].Size(), root.Size());

    const Rec deep = Find(sub_dir, naming.Id("DEEP", "deep"));
    const std::vector<Rec> deep_dir = Directory(t.header, deep.Extent());
    ASSERT_GE(deep_dir.size(), 2u);
    EXPECT_EQ(deep_dir[1].Extent(), sub.Extent());
    EXPECT_EQ(deep_dir[1].Size(), sub.Size());
  }
}

// Directories created in another order than the path table's: every copy of
// both tables lists them by level, parent number and name, numbers each by
// its place, and points at the extent its parent's record names.
TEST(ImageBytes, PathTablesInPathTableOrder) {
  ImageTree t;
  PDEntry zz = t.Dir(t.root, "ZZ", "aa"), aa = t.Dir(t.root, "AA", "zz");
  t.Dir(t.Dir(t.Dir(aa, "C"), "D"), "E");
  t.Dir(zz, "Y", "y");
  t.Dir(zz, "X", "x");
  t.Dir(aa, "B");
  t.Prepare();
  // The Joliet table keeps the ISO table's order, so both trees number
  // every directory alike.
  const Strings iso_names{"AA", "ZZ", "B", "C", "X", "Y", "D", "E"};
  const Strings long_names{"zz", "aa", "B", "C", "x", "y", "D", "E"};
  const std::vector<uint16_t> parents{1, 1, 1, 2, 2, 3, 3, 5, 8};
  for (const Naming& naming : {kIso, kJoliet}) {
    const uint8_t* vd = DescriptorOf(t, naming);
    ASSERT_NE(vd, nullptr);
    Strings ids{std::string(1, '\0')};
    for (const std::string& name : naming.joliet ? long_names : iso_names) ids.push_back(name);
    for (bool big_endian : {false, true}) {
      SCOPED_TRACE(std::string(naming.tree) + (big_endian ? " M" : " L"));
      const std::vector<PathRec> table = PathTable(t.header, vd, big_endian);
      Strings table_ids;
      std::vector<uint16_t> table_parents;
      for (const PathRec& r : table) {
        table_ids.push_back(naming.Text(r.id));
        table_parents.push_back(r.parent);
      }
      EXPECT_EQ(table_ids, ids);
      EXPECT_EQ(table_parents, parents);
      ASSERT_EQ(table.size(), parents.size());
      EXPECT_EQ(table[0].extent, RootRecord(vd).Extent());
      for (size_t i = 1; i < table.size(); ++i) {
        const uint16_t number = table[i].parent;
        ASSERT_TRUE(number >= 1 && number <= table.size()) << i;
        const std::vector<Rec> parent = Directory(t.header, table[number - 1].extent);
        EXPECT_EQ(table[i].extent, Find(parent, table[i].id).Extent()) << i;
      }
    }
  }
}

// Empty sub-directories of three-letter names, one sector each; without
// Joliet the directory area starts at 20 and the root's records (68 bytes of
// dots, 36 per sub-directory, 40 for A.TXT) take three sectors, so n of them
// end the header at sector 23 + n.
void SubDirectories(ImageTree& t, int n) {
  for (int i = 0; i < n; ++i)
    t.Dir(t.root, std::string{'D', static_cast<char>('A' + i / 26), static_cast<char>('A' + i % 26)});
}

// File data starts at sector 150 or right after the header, whichever comes
// later; the stream puts the first file where its record says.
TEST(ImageBytes, FirstFileSectorAroundOneHundredFifty) {
  for (auto [subdirs, first] : {std::pair{126, 150u}, {127, 150u}, {128, 151u}}) {
    SCOPED_TRACE(subdirs);
    ImageTree t(160);
    SubDirectories(t, subdirs);
    t.File(t.root, "A.TXT", 1);
    t.Prepare(false);
    const Rec file = Find(Directory(t.header, RootRecord(Descriptor(t.header, 1)).Extent()), "A.TXT;1");
    EXPECT_EQ(file.Extent(), first);
    EXPECT_EQ(t.header.Size(), int64_t{first} * 2048);
    EXPECT_EQ(GetLE32(Descriptor(t.header, 1) + 80), first + 1);  // the volume ends after the file
    // Padded only when the header ended below sector 150.
    EXPECT_EQ(Valid, 23 + subdirs < 150);
  }
}

// The same boundary reached by the boot image: the padding follows it, and
// only when it ends below sector 150.
TEST(ImageBytes, FirstFileSectorAroundOneHundredFiftyWithABootImage) {
  const std::string boot = ::testing::TempDir() + "image_bytes_boot.img";
  // The catalog of a tree with one file lies at 26, the image from 27 on.
  for (auto [boot_sectors, first] : {std::pair{122, 150u}, {123, 150u}, {124, 151u}}) {
    SCOPED_TRACE(boot_sectors);
    std::ofstream(boot, std::ios::binary | std::ios::trunc) << std::string(boot_sectors * 2048, '\xB0');
    ImageTree t;
    t.File(t.root, "A.TXT", 1);
    t.Prepare(true, true, boot);
    ASSERT_TRUE(t.options.Bootable);
    ASSERT_EQ(t.header.Size(), 27 * 2048);
    const Rec file = Find(Directory(t.header, RootRecord(Descriptor(t.header, 1)).Extent()), "A.TXT;1");
    EXPECT_EQ(file.Extent(), first);
    EXPECT_EQ(27 + BootSegmentSectors(t.layout, true), int64_t{first});
    EXPECT_EQ(Valid, 27 + boot_sectors < 150);
  }
  std::remove(boot.c_str());
}

// 45 files of 44-byte records in both trees (ISO F1000000n;1, Joliet fnn;1)
// fill the root's first sector after "." and ".." to the last byte.
void FileRecordsOf44Bytes(ImageTree& t, int n) {
  for (int i = 0; i < n; ++i) {
    t.File(t.root, "F" + std::to_string(10000000 + i), 0, "f" + std::to_string(100 + i).substr(1));
  }
}

// `full` holds 45 such files, `more` 46.
void ExpectFullSector(const ImageTree& full, const ImageTree& more, const Naming& naming) {
  SCOPED_TRACE(naming.tree);
  // The full sector is the whole extent: nothing spills into a second.
  const Rec root = RootRecord(DescriptorOf(full, naming));
  const std::vector<Rec> dir = Directory(full.header, root.Extent());
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir[0].Extent(), root.Extent());
  EXPECT_EQ(dir[0].Size(), 2048u);
  ASSERT_EQ(dir.size(), 47u);
  EXPECT_EQ(dir[46].offset + dir[46].Length(), (int64_t{root.Extent()} + 1) * 2048);

  // One record more starts the next sector at its first byte.
  const Rec more_root = RootRecord(DescriptorOf(more, naming));
  const std::vector<Rec> more_dir = Directory(more.header, more_root.Extent());
  ASSERT_FALSE(more_dir.empty());
  EXPECT_EQ(more_dir[0].Size(), 4096u);
  ASSERT_EQ(more_dir.size(), 48u);
  EXPECT_EQ(more_dir[46].offset + more_dir[46].Length(), (int64_t{more_root.Extent()} + 1) * 2048);
  EXPECT_EQ(more_dir[47].offset, (int64_t{more_root.Extent()} + 1) * 2048);
}

TEST(ImageBytes, RecordsThatFillASectorToTheLastByte) {
  // Each header is complete before the next tree takes over the tables.
  ImageTree full;
  FileRecordsOf44Bytes(full, 45);
  full.Prepare();
  ImageTree more;
  FileRecordsOf44Bytes(more, 46);
  more.Prepare();
  for (const Naming& naming : {kIso, kJoliet}) ExpectFullSector(full, more, naming);
  // The Joliet root follows the single ISO sector directly.
  EXPECT_EQ(RootRecord(DescriptorOf(full, kJoliet)).Extent(),
            RootRecord(DescriptorOf(full, kIso)).Extent() + 1);
}

Strings JolietNamesAfterDots(const ImageTree& t) {
  Strings names;
  const std::vector<Rec> dir = Directory(t.header, RootRecord(DescriptorOf(t, kJoliet)).Extent());
  for (size_t i = 2; i < dir.size(); ++i) names.push_back(kJoliet.Text(dir[i].Id()));
  return names;
}

// Sorting puts each entry in front of those with the same ISO name already
// placed: equal names end in reverse order of arrival.
TEST(ImageBytes, EqualNamesAfterSortingInReverseOrderOfArrival) {
  {
    ImageTree t;
    t.File(t.root, "SAME.TXT", 1, "first");
    t.File(t.root, "B.TXT", 2, "b");
    t.File(t.root, "SAME.TXT", 3, "second");
    t.File(t.root, "SAME.TXT", 4, "third");
    t.File(t.root, "A.TXT", 5, "a");
    SortFiles(t.root, true);
    t.Prepare();
    std::vector<uint32_t> sizes;
    const std::vector<Rec> dir = Directory(t.header, RootRecord(Descriptor(t.header, 1)).Extent());
    for (size_t i = 2; i < dir.size(); ++i) sizes.push_back(dir[i].Size());
    EXPECT_EQ(sizes, (std::vector<uint32_t>{5, 2, 4, 3, 1}));
    EXPECT_EQ(JolietNamesAfterDots(t), (Strings{"a;1", "b;1", "third;1", "second;1", "first;1"}));
  }
  {
    // Enough equal names that a sort which is not stable would mix them.
    ImageTree t;
    Strings expected;
    for (int i = 0; i < 40; ++i) {
      t.File(t.root, i % 4 == 3 ? "OTHER" + std::to_string(i) : "SAME.TXT", 1, "e" + std::to_string(i));
      if (i % 4 != 3) expected.insert(expected.begin(), "e" + std::to_string(i) + ";1");
    }
    SortFiles(t.root, true);
    t.Prepare();
    Strings names = JolietNamesAfterDots(t);
    ASSERT_EQ(names.size(), 40u);
    EXPECT_EQ(Strings(names.begin() + 10, names.end()), expected);
  }
  {
    // Directories first: the same rule within each group.
    ImageTree t;
    DirectoryFirst = true;
    t.File(t.root, "SUB", 1, "file one");
    t.Dir(t.root, "SUB", "dir one");
    t.File(t.root, "SUB", 2, "file two");
    t.Dir(t.root, "SUB", "dir two");
    SortFiles(t.root, true);
    t.Prepare();
    EXPECT_EQ(JolietNamesAfterDots(t), (Strings{"dir two", "dir one", "file two;1", "file one;1"}));
  }
}

// An imported file's data lies where an earlier session put it: its records
// carry that sector as it is, and it takes no sector of the new data.
TEST(ImageBytes, ImportedFilesKeepTheirDiscAddress) {
  ImageTree t;
  PFEntry old = t.File(t.root, "OLD.TXT", 5000, "old.txt");
  old->Imported = true;
  old->SourcePath.clear();
  old->Address = old->AddressJ = 1234;
  t.File(t.root, "NEW.TXT", 10, "new.txt");
  t.Prepare();
  ASSERT_EQ(t.layout.FirstFileSector, 150u);
  for (const Naming& naming : {kIso, kJoliet}) {
    SCOPED_TRACE(naming.tree);
    const std::vector<Rec> dir = Directory(t.header, RootRecord(DescriptorOf(t, naming)).Extent());
    const Rec imported = Find(dir, naming.Id("OLD.TXT;1", "old.txt;1"));
    EXPECT_EQ(imported.Extent(), 1234u);
    EXPECT_EQ(imported.Size(), 5000u);
    EXPECT_EQ(Find(dir, naming.Id("NEW.TXT;1", "new.txt;1")).Extent(), 150u);
  }
}

}  // namespace
}  // namespace orlix
