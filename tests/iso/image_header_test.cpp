// Golden bytes of the header: sector map, descriptors, path tables, boot.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "iso/boot_catalog.h"
#include "iso/bytes.h"
#include "iso/volume_descriptors.h"
#include "tests/iso/image_tree.h"

namespace orlix {
namespace {

using test::ImageTree;

bool AllZero(const uint8_t* p, size_t n) {
  return std::all_of(p, p + n, [](uint8_t b) { return b == 0; });
}
std::string Text(const uint8_t* p, size_t n) { return std::string(reinterpret_cast<const char*>(p), n); }
std::string Ucs2(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += std::string{'\0', c};
  return out;
}

class Header : public ::testing::Test {
 protected:
  void SetUp() override { SetNowOverride(true, EncodeDateTime(2010, 1, 2, 3, 4, 5)); }
  void TearDown() override {
    SetNowOverride(false);
    if (!boot_.empty()) std::remove(boot_.c_str());
  }
  std::string BootImage(int64_t bytes) {
    boot_ = ::testing::TempDir() + "boot_image.img";
    std::ofstream(boot_, std::ios::binary | std::ios::trunc) << std::string(bytes, '\xB0');
    return boot_;
  }
  std::string boot_;
};

TEST_F(Header, EmptyTreeIsOneHundredFiftySectorsWithTheSectorMap) {
  ImageTree t;
  TMemoryStream& h = t.Prepare();
  const TImageLayout& l = t.layout;
  EXPECT_EQ(h.Size(), 150 * 2048);
  EXPECT_EQ(
      (std::vector<int64_t>{l.PathTableL, l.PathTableM, l.PathTableLJ, l.PathTableMJ, l.DirArea, l.DirAreaJ,
                            l.PaddingSectors, l.FirstFileSector, l.ImageSectors, l.PathTableSizeJ}),
      (std::vector<int64_t>{19, 20, 21, 22, 23, 24, 125, 150, 150, 10}));
  EXPECT_TRUE(AllZero(t.Sector(0), 16 * 2048));
  EXPECT_EQ((std::array{t.Sector(16)[0], t.Sector(17)[0], t.Sector(18)[0]}),
            (std::array<uint8_t, 3>{1, 2, 0xFF}));
  EXPECT_EQ(Text(t.Sector(18) + 1, 5), "CD001");
  EXPECT_TRUE(AllZero(t.Sector(18) + 7, 2041));
  // Root path-table record, L then M, each padded to its sector.
  const uint8_t l_root[10] = {1, 0, 23, 0, 0, 0, 1, 0, 0, 0}, m_root[10] = {1, 0, 0, 0, 0, 23, 0, 1, 0, 0};
  EXPECT_EQ(std::memcmp(t.Sector(19), l_root, 10) | std::memcmp(t.Sector(20), m_root, 10), 0);
  EXPECT_TRUE(AllZero(t.Sector(19) + 10, 2038));
  EXPECT_EQ(t.Sector(21)[2], 24);  // the Joliet table points at the Joliet root
  // The root extent: "." and ".." of 34 bytes, then 1980 zeros.
  const uint8_t* dot = t.Sector(23);
  EXPECT_EQ(GetLE32(dot + 2) + GetBE32(dot + 6), 46u);
  EXPECT_EQ(dot[18], 110);  // 2010, the time of preparation
  EXPECT_EQ(Text(dot, 1) + Text(dot + 25, 1) + Text(dot + 32, 3), std::string("\x22\x02\x01\x00\x22", 5));
  EXPECT_EQ(dot[34 + 33], 1);
  EXPECT_TRUE(AllZero(dot + 68, 1980));
  EXPECT_EQ(GetLE32(t.Sector(24) + 2), 24u);
  EXPECT_TRUE(AllZero(t.Sector(25), 125 * 2048));
  // The snapshot: the system area and four descriptors, then 0xFF.
  EXPECT_EQ(vdsSize, 19 * 2048);
  EXPECT_EQ(std::memcmp(vds.data(), h.Memory(), 19 * 2048), 0);
  EXPECT_EQ(vds[19 * 2048] & vds[65536], 0xFF);

  ImageTree plain;  // without Joliet, its pieces are absent
  EXPECT_EQ(plain.Prepare(false).Size(), 150 * 2048);
  EXPECT_EQ(plain.Sector(17)[0], 0xFF);
  EXPECT_EQ(plain.layout.PaddingSectors, 129);
}

// The session-at-once pregap belongs to recordings only: an image file with
// it would put every sector 150 behind the place its records name.
TEST_F(Header, PregapOnlyWhenRecording) {
  for (bool iso_only : {true, false}) {
    ImageTree t;
    t.options.Wms = true;
    t.options.ISOOnly = iso_only;
    EXPECT_EQ(t.Prepare().Size(), (iso_only ? 150 : 300) * 2048);
    EXPECT_EQ(t.layout.EndSector, iso_only ? 150 : 300);
    EXPECT_EQ(vds[16 * 2048], iso_only ? 1 : 0);  // a recording's snapshot is all pregap
  }
}

TEST_F(Header, DescriptorFields) {
  ImageTree t;
  TVolumeIdentity& id = t.options.Identity;
  id.IdVolume = "my disc";
  id.FileCopyright = "a-copyright-file-name-of-many-chars.txt";
  id.DateCreation = EncodeDateTime(2003, 7, 15, 14, 5, 9, 345);
  id.DateEffective = EncodeDateTime(2004, 1, 2, 3, 4, 5);
  t.Prepare();
  const uint8_t *pvd = t.Sector(16), *jvd = t.Sector(17);
  EXPECT_EQ(Text(pvd + 40, 32), "MY_DISC" + std::string(25, ' '));  // d-characters only
  EXPECT_EQ(Text(jvd + 40, 32), Ucs2("my disc" + std::string(9, ' ')));
  EXPECT_EQ(Text(pvd + 8, 32), std::string(32, ' '));
  EXPECT_TRUE(AllZero(pvd + 88, 32));
  EXPECT_EQ(Text(jvd + 88, 3), "\x25\x2F\x40");
  EXPECT_EQ(Text(pvd + 702, 37), "A-COPYRIGHT-FILE-NAME-OF-MANY-CHARS.T");
  // Joliet's 37-byte fields: 18 characters and a zero byte.
  EXPECT_EQ(Text(jvd + 702, 37), Ucs2("a-copyright-file-n") + '\0');
  EXPECT_EQ(Text(jvd + 739, 37), Ucs2(std::string(18, ' ')) + '\0');
  for (const uint8_t* vd : {pvd, jvd}) {
    EXPECT_EQ(Text(vd + 813, 17), std::string("2003071514050934") + '\0');
    // Expiration not set, effective date set.
    EXPECT_EQ(Text(vd + 847, 33), std::string(16, '0') + '\0' + "2004010203040500");
    EXPECT_EQ(GetLE32(vd + 80) + GetBE32(vd + 84) + GetLE16(vd + 128), 150u + 150u + 2048u);
    EXPECT_EQ(Text(vd + 156, 1) + Text(vd + 181, 1) + Text(vd + 881, 1), "\x22\x02\x01");
  }
  EXPECT_EQ((std::vector<uint32_t>{GetLE32(pvd + 158), GetLE32(jvd + 158), GetLE32(pvd + 140),
                                   GetBE32(pvd + 148), GetLE32(jvd + 140), GetBE32(jvd + 148)}),
            (std::vector<uint32_t>{23, 24, 19, 20, 21, 22}));
}

TEST_F(Header, BootCatalogChecksumMediaTypeAndBootRecord) {
  ImageTree t;
  t.File(t.root, "A.TXT", 10);
  t.Prepare(true, true, BootImage(1474560));
  const TImageLayout& l = t.layout;
  EXPECT_EQ(Text(t.Sector(17), 30), std::string("\0CD001\1EL TORITO SPECIFICATION", 30));
  EXPECT_EQ(GetLE32(t.Sector(17) + 71), l.BootCatalogSector);
  EXPECT_EQ(t.Sector(18)[0], 2);  // Joliet moves behind the boot record
  EXPECT_EQ(std::pair(l.BootImageSectors, l.BootImageSector), std::pair(720, l.BootCatalogSector + 1));
  const uint8_t* cat = t.Sector(l.BootCatalogSector);
  uint16_t sum = 0;
  for (int i = 0; i < 32; i += 2) sum = static_cast<uint16_t>(sum + GetLE16(cat + i));
  EXPECT_EQ(sum, 0);
  EXPECT_EQ(Text(cat + 4, 19), "Orlix CD/DVD Burner");
  EXPECT_EQ(Text(cat + 30, 4), "\x55\xAA\x88\x02");  // key bytes, bootable, 1.44 MB floppy
  EXPECT_EQ(GetLE16(cat + 38), 1);
  EXPECT_EQ(GetLE32(cat + 40), l.BootImageSector);
  // The exact size decides: rounded up to sectors, 1,474,559 bytes would
  // pass for a diskette.
  for (auto [bytes, type] : {std::pair<int64_t, int>{1228800, 1}, {2949120, 3}, {721 * 2048, 4}, {1474559, 4}})
    EXPECT_EQ(BootMediaType(bytes), type) << bytes;
}

TEST_F(Header, UnusableBootImagesSwitchBootingOff) {
  for (const char* name : {"", "/no/such/boot.img"}) {
    ImageTree t;
    t.Prepare(true, true, name);
    EXPECT_TRUE(!t.options.Bootable && t.Sector(17)[0] == 2) << name;
  }
  // An image that exists but cannot be read is reported, not ignored.
  const std::string path = BootImage(2048);
  std::filesystem::permissions(path, std::filesystem::perms::none);
  if (std::ifstream(path).good()) GTEST_SKIP() << "permissions are not enforced for this user";
  ImageTree t;
  std::string line;
  t.options.DebugMsg = [&](const std::string& text, uint8_t) { line = text; };
  t.Prepare(true, true, path);
  EXPECT_FALSE(t.options.Bootable);
  EXPECT_NE(line.find(path), std::string::npos);
}

}  // namespace
}  // namespace orlix
