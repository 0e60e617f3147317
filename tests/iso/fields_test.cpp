#include "iso/fields.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "iso/bytes.h"

namespace orlix {
namespace {

using Bytes = std::vector<uint8_t>;

// Writes a field of `count` bytes between guard bytes that must survive.
template <typename Writer>
Bytes Field(size_t count, std::string_view text, Writer write) {
  Bytes buf(count + 2, 0xA5);
  write(text, buf.data() + 1, count);
  EXPECT_TRUE(buf.front() == 0xA5 && buf.back() == 0xA5) << "overrun at count " << count;
  return Bytes(buf.begin() + 1, buf.end() - 1);
}
Bytes Ucs2(std::string_view text, size_t count) { return Field(count, text, CopyToArrayW); }
Bytes Ascii(std::string_view text, size_t count) { return Field(count, text, CopyToArray); }

TEST(Fields, TextFieldsAreCutOrPaddedAndNeverOverrun) {
  EXPECT_EQ(Ascii("CDROM", 7), Bytes({'C', 'D', 'R', 'O', 'M', ' ', ' '}));
  EXPECT_EQ(Ascii("cdrom", 3), Bytes({'c', 'd', 'r'}));
  Ascii("ABC", 0);
  EXPECT_EQ(Ucs2("CD", 8), (Bytes{0, 'C', 0, 'D', 0, ' ', 0, ' '}));
  EXPECT_EQ(Ucs2("\xC3\xA9\xE2\x82\xAC", 4), (Bytes{0x00, 0xE9, 0x20, 0xAC}));
  EXPECT_EQ(Ucs2("ABCDEF", 6), (Bytes{0, 'A', 0, 'B', 0, 'C'}));  // cut at a character
  // Outside the BMP: one '_'; broken UTF-8: one '_' per stray byte.
  EXPECT_EQ(Ucs2("\xF0\x9F\x98\x80", 2), (Bytes{0, '_'}));
  EXPECT_EQ(Ucs2("\xC3x\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80", 22), Ucs2("_x" + std::string(9, '_'), 22));
  // An odd count (a 37-byte identifier) holds 18 characters and a zero byte,
  // even when the text runs on: the odd byte is not half a 19th character.
  const Bytes b = Ucs2(std::string(40, '\xC4'), 37);
  EXPECT_EQ(b[35] * 256 + b[36], '_' * 256);
  EXPECT_EQ(Ucs2("A", 1), Bytes{0x00});
  Ucs2("A", 0);
}

TEST(Fields, SectorCounts) {
  EXPECT_EQ(Sectors(-1), 0);
  EXPECT_EQ(Sectors((int64_t{1} << 40) + 1), (int64_t{1} << 29) + 1);
  // Form 2: 2324-byte sectors recorded as 2048 bytes each, at least 150
  // reserved; a new preparation starts from the real size, not the recorded one.
  for (auto [size, used, reserved] :
       {std::tuple<int64_t, int64_t, int64_t>{0, 0, 150}, {2324 * 300 + 1, 301, 301}}) {
    TFEntry e;
    e.Size = size;
    for (int pass = 0; pass < 3; ++pass) {
      EXPECT_EQ(Sectors2(&e), reserved) << size;
      EXPECT_EQ(e.Size, used * 2048);
      EXPECT_EQ(e.AllocSize, reserved * 2048);
    }
  }
}

TEST(Fields, RecordingDateCarriesTheZoneOffset) {
  const int16_t saved = TimeZoneDiff;
  std::array<uint8_t, 34> rec;
  rec.fill(0xEE);
  TimeZoneDiff = -20;  // five hours west
  SetDateTime(EncodeDateTime(1999, 12, 31, 23, 59, 59), rec.data());
  EXPECT_EQ(Bytes(rec.begin() + 17, rec.begin() + 26), (Bytes{0xEE, 99, 12, 31, 23, 59, 59, 0xEC, 0xEE}));
  TimeZoneDiff = saved;
}

}  // namespace
}  // namespace orlix
