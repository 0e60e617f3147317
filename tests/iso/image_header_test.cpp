// Golden bytes of the header: sector map, descriptors, path tables, boot.
#include <gtest/gtest.h>

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
  for (size_t i = 0; i < n; ++i)
    if (p[i] != 0) return false;
  return true;
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
  void TearDown() override { SetNowOverride(false); }
};

TEST_F(Header, EmptyTreeIsOneHundredFiftySectorsWithTheSectorMap) {
  ImageTree t;
  TMemoryStream& h = t.Prepare();
  const TImageLayout& l = t.layout;
  EXPECT_EQ(h.Size(), 150 * 2048);
  EXPECT_EQ(l.PathTableL, 19u);
  EXPECT_EQ(l.PathTableM, 20u);
  EXPECT_EQ(l.PathTableLJ, 21u);
  EXPECT_EQ(l.PathTableMJ, 22u);
  EXPECT_EQ(l.DirArea, 23u);
  EXPECT_EQ(l.DirAreaJ, 24u);
  EXPECT_EQ(l.PaddingSectors, 125);
  EXPECT_EQ(l.FirstFileSector, 150u);
  EXPECT_EQ(l.EndSector, 150);
  EXPECT_EQ(l.ImageSectors, 150);
  EXPECT_EQ(l.PathTableSize, 10);
  EXPECT_EQ(l.PathTableSizeJ, 10);
  EXPECT_TRUE(Valid);

  EXPECT_TRUE(AllZero(t.Sector(0), 16 * 2048));
  EXPECT_EQ(t.Sector(16)[0], 1);
  EXPECT_EQ(t.Sector(17)[0], 2);
  EXPECT_EQ(t.Sector(18)[0], 0xFF);
  EXPECT_EQ(Text(t.Sector(18) + 1, 5), "CD001");
  EXPECT_TRUE(AllZero(t.Sector(18) + 7, 2041));
  // Root path-table record, L then M, each padded to its sector.
  const uint8_t l_root[10] = {1, 0, 23, 0, 0, 0, 1, 0, 0, 0};
  const uint8_t m_root[10] = {1, 0, 0, 0, 0, 23, 0, 1, 0, 0};
  EXPECT_EQ(std::memcmp(t.Sector(19), l_root, 10), 0);
  EXPECT_TRUE(AllZero(t.Sector(19) + 10, 2038));
  EXPECT_EQ(std::memcmp(t.Sector(20), m_root, 10), 0);
  EXPECT_EQ(t.Sector(21)[2], 24);  // the Joliet table points at the Joliet root
  // The root extent: "." and ".." of 34 bytes, then 1980 zeros.
  const uint8_t* dot = t.Sector(23);
  EXPECT_EQ(dot[0], 34);
  EXPECT_EQ(GetLE32(dot + 2), 23u);
  EXPECT_EQ(GetBE32(dot + 6), 23u);
  EXPECT_EQ(GetLE32(dot + 10), 2048u);
  EXPECT_EQ(dot[18], 110);  // 2010, the time of preparation
  EXPECT_EQ(dot[25], 2);
  EXPECT_EQ(dot[32], 1);
  EXPECT_EQ(dot[33], 0);
  EXPECT_EQ(dot[34], 34);
  EXPECT_EQ(dot[34 + 33], 1);
  EXPECT_TRUE(AllZero(dot + 68, 1980));
  EXPECT_EQ(GetLE32(t.Sector(24) + 2), 24u);
  EXPECT_TRUE(AllZero(t.Sector(25), 125 * 2048));
  // The snapshot: the system area and four descriptors, then 0xFF.
  EXPECT_EQ(vdsSize, 19 * 2048);
  EXPECT_EQ(std::memcmp(vds.data(), h.Memory(), 19 * 2048), 0);
  EXPECT_EQ(vds[19 * 2048], 0xFF);
  EXPECT_EQ(vds[65536], 0xFF);
}

TEST_F(Header, WithoutJolietTheJolietPiecesAreAbsent) {
  ImageTree t;
  t.Prepare(false);
  EXPECT_EQ(t.Sector(17)[0], 0xFF);
  EXPECT_EQ(t.layout.PathTableL, 18u);
  EXPECT_EQ(t.layout.DirArea, 20u);
  EXPECT_EQ(t.layout.PaddingSectors, 129);
  EXPECT_EQ(t.header.Size(), 150 * 2048);
}

// The session-at-once pregap belongs to recordings only: an image file with
// it would put every sector 150 behind the place its records name.
TEST_F(Header, PregapOnlyWhenRecording) {
  for (bool iso_only : {true, false}) {
    ImageTree t;
    t.options.Wms = true;
    t.options.ISOOnly = iso_only;
    t.Prepare();
    EXPECT_EQ(t.header.Size(), (iso_only ? 150 : 300) * 2048);
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
  const uint8_t* pvd = t.Sector(16);
  const uint8_t* jvd = t.Sector(17);
  EXPECT_EQ(Text(pvd + 40, 32), "MY DISC" + std::string(25, ' '));
  EXPECT_EQ(Text(jvd + 40, 32), Ucs2("my disc" + std::string(9, ' ')));
  EXPECT_EQ(Text(pvd + 8, 32), std::string(32, ' '));
  EXPECT_EQ(Text(pvd + 1024, 8), std::string(8, ' '));
  EXPECT_TRUE(AllZero(pvd + 88, 32));
  EXPECT_EQ(Text(jvd + 88, 3), "\x25\x2F\x40");
  EXPECT_TRUE(AllZero(jvd + 91, 29));
  EXPECT_EQ(Text(pvd + 702, 37), "A-COPYRIGHT-FILE-NAME-OF-MANY-CHARS.T");
  // Joliet's 37-byte fields: 18 characters and a zero byte.
  EXPECT_EQ(Text(jvd + 702, 36), Ucs2("a-copyright-file-n"));
  EXPECT_EQ(jvd[738], 0);
  EXPECT_EQ(Text(jvd + 739, 36), Ucs2(std::string(18, ' ')));
  EXPECT_EQ(jvd[775], 0);
  for (const uint8_t* vd : {pvd, jvd}) {
    EXPECT_EQ(Text(vd + 813, 17), std::string("2003071514050934") + '\0');
    EXPECT_EQ(Text(vd + 847, 17), std::string(16, '0') + '\0');  // expiration not set
    EXPECT_EQ(Text(vd + 864, 16), "2004010203040500");           // effective date set
    EXPECT_EQ(GetLE32(vd + 80), 150u);
    EXPECT_EQ(GetBE32(vd + 84), 150u);
    EXPECT_EQ(GetLE16(vd + 128), 2048);
    EXPECT_EQ(vd[156], 34);
    EXPECT_EQ(vd[156 + 25], 2);
    EXPECT_EQ(vd[881], 1);
  }
  EXPECT_EQ(GetLE32(pvd + 156 + 2), 23u);
  EXPECT_EQ(GetLE32(jvd + 156 + 2), 24u);
  EXPECT_EQ(GetLE32(pvd + 140), 19u);
  EXPECT_EQ(GetBE32(pvd + 148), 20u);
  EXPECT_EQ(GetLE32(jvd + 140), 21u);
  EXPECT_EQ(GetBE32(jvd + 148), 22u);
}

class Boot : public Header {
 protected:
  std::string MakeBootImage(int64_t bytes) {
    path_ = ::testing::TempDir() + "boot_image.img";
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << std::string(bytes, '\xB0');
    return path_;
  }
  void TearDown() override {
    std::remove(path_.c_str());
    Header::TearDown();
  }
  std::string path_;
};

TEST_F(Boot, CatalogChecksumMediaTypeAndBootRecord) {
  ImageTree t;
  t.File(t.root, "A.TXT", 10);
  t.Prepare(true, true, MakeBootImage(1474560));
  const TImageLayout& l = t.layout;
  EXPECT_EQ(t.Sector(17)[0], 0);
  EXPECT_EQ(Text(t.Sector(17) + 7, 23), "EL TORITO SPECIFICATION");
  EXPECT_EQ(GetLE32(t.Sector(17) + 71), l.BootCatalogSector);
  EXPECT_EQ(t.Sector(18)[0], 2);  // Joliet moves behind the boot record
  EXPECT_EQ(l.BootImageSectors, 720);
  EXPECT_EQ(l.BootImageSector, l.BootCatalogSector + 1);
  const uint8_t* cat = t.Sector(l.BootCatalogSector);
  uint16_t sum = 0;
  for (int i = 0; i < 32; i += 2) sum = static_cast<uint16_t>(sum + GetLE16(cat + i));
  EXPECT_EQ(sum, 0);
  EXPECT_EQ(Text(cat + 4, 19), "Orlix CD/DVD Burner");
  EXPECT_EQ(cat[30], 0x55);
  EXPECT_EQ(cat[31], 0xAA);
  EXPECT_EQ(cat[32], 0x88);
  EXPECT_EQ(cat[33], 2);
  EXPECT_EQ(GetLE16(cat + 38), 1);
  EXPECT_EQ(GetLE32(cat + 40), l.BootImageSector);
  EXPECT_EQ(BootMediaType(721), 4);
  EXPECT_EQ(BootMediaType(600), 1);
  EXPECT_EQ(BootMediaType(1440), 3);
}

TEST_F(Boot, UnusableBootImagesSwitchBootingOff) {
  for (const std::string& name : {std::string(), std::string("/no/such/boot.img")}) {
    ImageTree t;
    t.Prepare(true, true, name);
    EXPECT_FALSE(t.options.Bootable);
    EXPECT_EQ(t.Sector(17)[0], 2);
  }
  // An image that exists but cannot be read is reported, not ignored.
  const std::string path = MakeBootImage(2048);
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
