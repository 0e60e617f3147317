#include "iso/fields.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "iso/bytes.h"

namespace orlix {
namespace {

using Bytes = std::vector<uint8_t>;

// A field of `count` bytes between guard bytes that must survive.
struct GuardedField {
  static constexpr uint8_t kGuard = 0xA5;
  explicit GuardedField(size_t count) : buf(count + 2, kGuard) {}
  uint8_t* field() { return buf.data() + 1; }
  Bytes bytes() const { return Bytes(buf.begin() + 1, buf.end() - 1); }
  bool guards_intact() const { return buf.front() == kGuard && buf.back() == kGuard; }
  Bytes buf;
};

Bytes Ucs2Field(std::string_view text, size_t count) {
  GuardedField f(count);
  CopyToArrayW(text, f.field(), count);
  EXPECT_TRUE(f.guards_intact()) << "count " << count;
  return f.bytes();
}

TEST(MsfTest, ConversionsAndBcd) {
  uint8_t m, s, f;
  LBA2MSF(0, m, s, f);
  EXPECT_EQ((std::array{m, s, f}), (std::array<uint8_t, 3>{0, 0, 0}));
  LBA2MSF(4500, m, s, f);
  EXPECT_EQ((std::array{m, s, f}), (std::array<uint8_t, 3>{1, 0, 0}));
  LBA2MSF(4649, m, s, f);
  EXPECT_EQ((std::array{m, s, f}), (std::array<uint8_t, 3>{1, 1, 74}));
  LBA2MSFH(4649, m, s, f);
  EXPECT_EQ((std::array{m, s, f}), (std::array<uint8_t, 3>{0x01, 0x01, 0x74}));
  LBA2MSFH(99 * 4500 + 59 * 75 + 74, m, s, f);
  EXPECT_EQ((std::array{m, s, f}), (std::array<uint8_t, 3>{0x99, 0x59, 0x74}));
  EXPECT_EQ(LBA2MSFStr(4649), "01:01:74");
  EXPECT_EQ(LBA2MSFStr(0), "00:00:00");

  EXPECT_EQ(MSF2LBA(0, 1, 0, 0), 4500);
  EXPECT_EQ(MSF2LBA(1, 0, 0, 0), 270000);
  EXPECT_EQ(MSF2LBA(0, 0, 2, 0), 150);
  for (uint32_t lba : {0u, 74u, 75u, 4499u, 4649u, 333000u, 255u * 4500u + 4499u}) {
    LBA2MSF(lba, m, s, f);
    EXPECT_EQ(MSF2LBA(0, m, s, f), static_cast<int32_t>(lba));
  }
}

TEST(BytesTest, EndianWriters) {
  uint8_t b[8];
  PutBoth32(b, 0x12345678);
  EXPECT_EQ(Bytes(b, b + 8), (Bytes{0x78, 0x56, 0x34, 0x12, 0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(GetLE32(b), 0x12345678u);
  EXPECT_EQ(GetBE32(b + 4), 0x12345678u);
  PutBoth16(b, 0xBEEF);
  EXPECT_EQ(Bytes(b, b + 4), (Bytes{0xEF, 0xBE, 0xBE, 0xEF}));
  EXPECT_EQ(GetLE16(b), 0xBEEF);
  EXPECT_EQ(GetBE16(b + 2), 0xBEEF);
}

TEST(BytesTest, Utf8ToUcs2) {
  EXPECT_EQ(Utf8ToUcs2("Ab"), u"Ab");
  EXPECT_EQ(Utf8ToUcs2("\xC3\xA9\xE2\x82\xAC"), u"\u00E9\u20AC");  // é€
  EXPECT_EQ(Utf8ToUcs2("\xEF\xBF\xBF"), u"\uFFFF");
  // Outside the BMP: one '_' for the whole character.
  EXPECT_EQ(Utf8ToUcs2("a\xF0\x9F\x98\x80z"), u"a_z");
  // Broken input: one '_' per stray byte, then back in step.
  EXPECT_EQ(Utf8ToUcs2("\xC3"), u"_");
  EXPECT_EQ(Utf8ToUcs2("\xC3x"), u"_x");
  EXPECT_EQ(Utf8ToUcs2("\x80\xFF"), u"__");
  EXPECT_EQ(Utf8ToUcs2("\xC0\xAF"), u"__");            // overlong '/'
  EXPECT_EQ(Utf8ToUcs2("\xED\xA0\x80"), u"___");       // encoded surrogate
  EXPECT_EQ(Utf8ToUcs2("\xF4\x90\x80\x80"), u"____");  // above U+10FFFF
}

TEST(TextFieldTest, CopyToArrayPadsAndCuts) {
  GuardedField f(11);
  CopyToArray("CDROM", f.field(), 11);
  EXPECT_EQ(f.bytes(), Bytes({'C', 'D', 'R', 'O', 'M', ' ', ' ', ' ', ' ', ' ', ' '}));
  EXPECT_TRUE(f.guards_intact());

  GuardedField cut(3);
  CopyToArray("cdrom", cut.field(), 3);
  EXPECT_EQ(cut.bytes(), Bytes({'c', 'd', 'r'}));
  EXPECT_TRUE(cut.guards_intact());

  // Wider than the old supply of padding: still all spaces, no overrun.
  GuardedField wide(600);
  CopyToArray("X", wide.field(), 600);
  EXPECT_EQ(wide.bytes()[0], 'X');
  EXPECT_EQ(wide.bytes(), [] {
    Bytes b(600, ' ');
    b[0] = 'X';
    return b;
  }());
  EXPECT_TRUE(wide.guards_intact());

  GuardedField none(0);
  CopyToArray("ABC", none.field(), 0);
  EXPECT_TRUE(none.guards_intact());
}

TEST(TextFieldTest, CopyToArrayWWritesUcs2BigEndian) {
  EXPECT_EQ(Ucs2Field("CDROM", 16), (Bytes{0x00, 0x43, 0x00, 0x44, 0x00, 0x52, 0x00, 0x4F, 0x00, 0x4D, 0x00,
                                           0x20, 0x00, 0x20, 0x00, 0x20}));
  EXPECT_EQ(Ucs2Field("\xC3\xA9\xE2\x82\xAC", 4), (Bytes{0x00, 0xE9, 0x20, 0xAC}));
  // Cut at a character, never between the bytes of one.
  EXPECT_EQ(Ucs2Field("ABCDEF", 6), (Bytes{0x00, 'A', 0x00, 'B', 0x00, 'C'}));
  EXPECT_EQ(Ucs2Field("\xE2\x82\xAC\xE2\x82\xAC", 2), (Bytes{0x20, 0xAC}));
  EXPECT_EQ(Ucs2Field("\xF0\x9F\x98\x80", 2), (Bytes{0x00, '_'}));
}

TEST(TextFieldTest, CopyToArrayWOddCountStaysInsideTheField) {
  // A 37-byte identifier holds 18 characters and a zero byte.
  Bytes b = Ucs2Field("COPYRIGHT.TXT", 37);
  ASSERT_EQ(b.size(), 37u);
  EXPECT_EQ(b[0], 0x00);
  EXPECT_EQ(b[1], 'C');
  EXPECT_EQ(b[34], 0x00);
  EXPECT_EQ(b[35], 0x20);
  EXPECT_EQ(b[36], 0x00);
  // Full of text too: the odd byte is not the high half of a 19th character.
  b = Ucs2Field(std::string(40, '\xC4') /* broken UTF-8 */ + "", 37);
  EXPECT_EQ(b[35], '_');
  EXPECT_EQ(b[36], 0x00);
  EXPECT_EQ(Ucs2Field("A", 1), Bytes{0x00});
  Ucs2Field("A", 0);
  // Far beyond the old 2048-byte limit.
  b = Ucs2Field("A", 5001);
  EXPECT_EQ(b[1], 'A');
  EXPECT_EQ(b[4999], 0x20);
  EXPECT_EQ(b[5000], 0x00);
}

TEST(SectorsTest, Rounding) {
  EXPECT_EQ(Sectors(0), 0);
  EXPECT_EQ(Sectors(1), 1);
  EXPECT_EQ(Sectors(2048), 1);
  EXPECT_EQ(Sectors(2049), 2);
  EXPECT_EQ(Sectors(-1), 0);
  EXPECT_EQ(Sectors(int64_t{1} << 32), int64_t{1} << 21);
  EXPECT_EQ(Sectors((int64_t{1} << 40) + 1), (int64_t{1} << 29) + 1);
}

TEST(SectorsTest, Form2Layout) {
  TFEntry e;
  e.Size = 2324;
  EXPECT_EQ(Sectors2(&e), 150);
  EXPECT_EQ(e.Size, 2048);
  EXPECT_EQ(e.SizeJ, 2048);
  EXPECT_EQ(e.AllocSize, 307200);

  TFEntry empty;
  EXPECT_EQ(Sectors2(&empty), 150);
  EXPECT_EQ(empty.Size, 0);
  EXPECT_EQ(empty.SizeJ, 0);
  EXPECT_EQ(empty.AllocSize, 307200);

  TFEntry big;
  big.Size = 2324 * 200;
  EXPECT_EQ(Sectors2(&big), 200);
  EXPECT_EQ(big.Size, 409600);
  EXPECT_EQ(big.AllocSize, 409600);
}

TEST(SectorsTest, Form2RepeatedPreparationsStartFromTheRealSize) {
  TFEntry e;
  e.Size = 2324 * 300 + 1;  // 301 form-2 sectors
  for (int pass = 0; pass < 3; ++pass) {
    EXPECT_EQ(Sectors2(&e), 301) << pass;
    EXPECT_EQ(e.Size, 301 * 2048) << pass;
    EXPECT_EQ(e.AllocSize, 301 * 2048) << pass;
  }
  // A new size given to the entry (its source replaced) is the new real size.
  e.Size = 2324 * 400;
  EXPECT_EQ(Sectors2(&e), 400);
  EXPECT_EQ(Sectors2(&e), 400);
  EXPECT_EQ(e.Size, 400 * 2048);
}

class DateFieldTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = TimeZoneDiff; }
  void TearDown() override { TimeZoneDiff = saved_; }
  int16_t saved_ = 0;
};

TEST_F(DateFieldTest, RecordingDate) {
  std::array<uint8_t, 34> rec;
  rec.fill(0xEE);
  TimeZoneDiff = 4;
  SetDateTime(EncodeDateTime(2004, 3, 8, 12, 51, 24), rec.data());
  EXPECT_EQ(Bytes(rec.begin() + 18, rec.begin() + 25), (Bytes{104, 3, 8, 12, 51, 24, 4}));
  EXPECT_EQ(rec[17], 0xEE);
  EXPECT_EQ(rec[25], 0xEE);

  TimeZoneDiff = -20;  // five hours west
  SetDateTime(EncodeDateTime(1999, 12, 31, 23, 59, 59), rec.data());
  EXPECT_EQ(Bytes(rec.begin() + 18, rec.begin() + 25), (Bytes{99, 12, 31, 23, 59, 59, 0xEC}));
}

TEST(DiagnosticTextTest, IntToDec) {
  EXPECT_EQ(IntToDec(16, 8, "0"), "00000016");
  EXPECT_EQ(IntToDec(123456, 3, "0"), "123456");
  EXPECT_EQ(IntToDec(7, 3, "ab"), "abab7");
  EXPECT_EQ(IntToDec(7, -5, "0"), "7");
  EXPECT_EQ(IntToDec(-5, 4, "0"), "00-5");
  EXPECT_EQ(IntToDec(int64_t{1} << 40, 0, " "), "1099511627776");
}

TEST(DiagnosticTextTest, ExtractLastDir) {
  EXPECT_EQ(ExtractLastDir("\\data\\photos\\"), "\\photos\\");
  EXPECT_EQ(ExtractLastDir("\\data\\photos"), "\\photos");
  EXPECT_EQ(ExtractLastDir("photos"), "photos");
  EXPECT_EQ(ExtractLastDir("\\"), "\\");
  EXPECT_EQ(ExtractLastDir("a\\"), "a\\");
  EXPECT_EQ(ExtractLastDir("\\\\"), "\\\\");
  EXPECT_EQ(ExtractLastDir(""), "");
}

}  // namespace
}  // namespace orlix
