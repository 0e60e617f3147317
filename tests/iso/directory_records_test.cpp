// Directory records: lengths, identifiers, flags, XA entries, at most 255 bytes each.
#include <gtest/gtest.h>

#include <random>

#include "iso/bytes.h"
#include "iso/directory_records.h"
#include "iso/image_stream.h"
#include "tests/iso/image_tree.h"

namespace orlix {
namespace {

using test::ImageTree;

struct Record {
  const uint8_t* p;
  std::string Id() const { return std::string(reinterpret_cast<const char*>(p + 33), p[32]); }
  const uint8_t* Xa() const { return p + 33 + p[32] + (p[32] % 2 == 0); }
};

// Every record of one directory extent, skipping the gaps at sector ends.
std::vector<Record> Records(const TMemoryStream& out, int64_t start, int64_t size) {
  std::vector<Record> records;
  for (int64_t at = start; at < start + size;) {
    const uint8_t* p = out.Memory() + at;
    if (p[0] == 0) {
      at = (at / 2048 + 1) * 2048;
    } else {
      records.push_back({p});
      at += p[0];
    }
  }
  return records;
}

std::vector<Record> Extent(ImageTree& t, PDEntry dir, bool joliet) {
  t.Prepare();
  const int64_t sector = joliet ? t.layout.DirAreaJ + dir->AddressJ : t.layout.DirArea + dir->Address;
  return Records(t.header, sector * 2048, joliet ? dir->SizeJ : dir->Size);
}

TEST(DirectoryRecords, LengthsIdentifiersAndFlags) {
  ImageTree t;
  t.File(t.root, "A.TXT", 1);
  t.File(t.root, "AB.TXT", 2049, "ab.txt");
  t.File(t.root, "README.", 0);
  t.File(t.root, "H.", 5)->Attr |= 0x02;
  PDEntry dir = t.Dir(t.root, "DOCS");
  t.Dir(dir, "SUB")->Parent->FirstFile->Attr |= 0x02;
  const std::vector<Record> iso = Extent(t, t.root, false);
  ASSERT_EQ(iso.size(), 7u);
  EXPECT_EQ(iso[2].Id() + "|" + iso[4].Id() + "|" + iso[6].Id(), "A.TXT;1|README.;1|DOCS");
  // Length 33 + identifier, padded to even; extents follow each other from 150.
  for (auto [i, length, extent] : {std::tuple{2, 40, 150u}, {3, 42, 151u}, {4, 42, 0u}, {5, 38, 153u}}) {
    EXPECT_EQ(iso[i].p[0], length) << i;
    EXPECT_EQ(GetLE32(iso[i].p + 2), extent) << i;
  }
  EXPECT_EQ(GetLE32(iso[4].p + 10), 0u);            // empty file
  EXPECT_EQ(iso[5].p[25] * 10 + iso[6].p[25], 12);  // hidden, directory
  EXPECT_EQ(GetLE32(iso[6].p + 2), t.layout.DirArea + dir->Address);
  EXPECT_EQ(iso[2].p[18], 104);  // the entry's own date
  EXPECT_EQ(Records(t.header, (t.layout.DirArea + dir->Address) * 2048, 2048)[2].p[25], 3);  // hidden dir
  const std::vector<Record> joliet = Extent(t, t.root, true);
  EXPECT_EQ(joliet[3].p[0], 50);
  EXPECT_EQ(joliet[3].Id(), std::string("\0a\0b\0.\0t\0x\0t\0;\0001", 16));
}

TEST(DirectoryRecords, XaSystemUseEntries) {
  ImageTree t;
  ELen = 14;
  PFEntry form2 = t.File(t.root, "F2.DAT", 2324);
  form2->Form2 = true;
  t.File(t.root, "PLAIN.DAT", 3);
  t.Dir(t.root, "D");
  const std::vector<Record> r = Extent(t, t.root, false);
  EXPECT_EQ(r[0].p[0], 48);
  for (auto [i, attributes, file_number] :
       {std::tuple{0, 0x8D55, 0}, {1, 0x8D55, 0}, {2, 0x1555, 1}, {3, 0x0D55, 0}, {4, 0x8D55, 0}}) {
    EXPECT_EQ(GetBE16(r[i].Xa() + 4), attributes) << i;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r[i].Xa() + 6), 2), "XA");
    EXPECT_EQ(r[i].Xa()[8], file_number) << i;
  }
  // A form-2 file keeps 150 sectors in the stream; the next file follows them.
  EXPECT_EQ(GetLE32(r[2].p + 10), 2048u);
  EXPECT_EQ(StreamBytes(*form2), 150 * 2048);
  EXPECT_EQ(GetLE32(r[3].p + 2), 300u);
}

TEST(DirectoryRecords, LongNamesAreCutToFitKeepingTheExtension) {
  for (uint32_t elen : {0u, 14u}) {
    ImageTree t;
    ELen = elen;
    t.File(t.root, std::string(250, 'N') + ".TXT", 10, std::string(150, 'n') + "\xC3\xA9.txt");
    t.File(t.Dir(t.root, std::string(240, 'D'), std::string(200, 'd')), "X", 1);
    for (bool joliet : {false, true}) {
      const std::vector<Record> r = Extent(t, t.root, joliet);
      ASSERT_EQ(r.size(), 4u);
      for (const Record& rec : r) EXPECT_LE(rec.p[0], 255);
      const std::string id = r[2].Id(), ext = joliet ? std::string("\0.\0t\0x\0t\0;\0001", 12) : ".TXT;1";
      EXPECT_EQ(id.substr(id.size() - ext.size()), ext);
      EXPECT_EQ(r[2].p[0], 254);  // the longest even-sized record
    }
    // The path table carries the same cut name as the directory's record.
    EXPECT_EQ(t.layout.PathTableSizeJ, 10 + 8 + static_cast<int32_t>(Extent(t, t.root, true)[3].Id().size()));
  }
}

// Whatever the names, the extent written has exactly the size the layout
// gave it, so every later sector stays where the layout put it.
TEST(DirectoryRecords, LayoutAndWriterAgreeOnRandomTrees) {
  std::mt19937 random(7);
  for (int round = 0; round < 10; ++round) {
    ImageTree t(64, 2048);
    ELen = round % 2 == 0 ? 0 : 14;
    std::vector<PDEntry> dirs{t.root};
    for (int i = 0; i < 300; ++i) {
      std::string name(1 + random() % 140, 'A' + static_cast<char>(random() % 26));
      if (random() % 3 == 0) name += ".EXT";
      PDEntry where = dirs[random() % dirs.size()];
      if (random() % 20 == 0 && dirs.size() < 60)
        dirs.push_back(t.Dir(where, name.substr(0, 12), name + std::to_string(i)));
      else
        t.File(where, name + std::to_string(i), random() % 5000, name + "\xE2\x82\xAC" + std::to_string(i));
    }
    t.Prepare();
    const TImageLayout& l = t.layout;
    EXPECT_EQ(t.header.Size(), int64_t{l.FirstFileSector} * 2048);
    EXPECT_EQ(int64_t{l.DirAreaJ} - l.DirArea, l.DirAreaSize / 2048);
    for (PDEntry d : dirs) {
      TMemoryStream one, one_j;
      WriteDirectoryExtent(one, d, l.DirArea, l.FirstFileSector);
      WriteDirectoryExtentJ(one_j, d, l.DirAreaJ, l.FirstFileSector);
      EXPECT_EQ(std::pair(one.Size(), one_j.Size()), std::pair(int64_t{d->Size}, int64_t{d->SizeJ}));
      for (const Record& rec : Records(one, 0, one.Size())) EXPECT_LE(33 + rec.p[32] + ELen, 255u);
    }
  }
}

TEST(DirectoryRecords, ARecordNeverCrossesASector) {
  ImageTree t;
  // 1980 bytes after "." and "..": 45 records of 44 bytes fill the sector to
  // the last byte; the 46th starts the next one.
  for (int i = 0; i < 46; ++i) t.File(t.root, "F" + std::to_string(10000000 + i), 0);
  t.Prepare();
  EXPECT_EQ(t.root->Size, 4096);
  const std::vector<Record> r = Records(t.header, t.layout.DirArea * 2048, 4096);
  ASSERT_EQ(r.size(), 48u);
  EXPECT_EQ(r[46].p + 44 - t.header.Memory(), (t.layout.DirArea + 1) * 2048);
  EXPECT_EQ(r[47].p - t.header.Memory(), (t.layout.DirArea + 1) * 2048);
}

}  // namespace
}  // namespace orlix
