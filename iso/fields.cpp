#include "iso/fields.h"

#include <algorithm>
#include <cstdio>

#include "iso/bytes.h"

namespace orlix {

namespace {
constexpr uint32_t kFramesPerSecond = 75;
constexpr uint32_t kFramesPerMinute = 60 * kFramesPerSecond;
constexpr int64_t kSectorBytes = 2048;
constexpr int64_t kForm2SectorBytes = 2324;
// A form-2 file never occupies fewer sectors than this.
constexpr int64_t kForm2MinSectors = 150;

uint8_t ToBcd(uint8_t x) { return static_cast<uint8_t>((x / 10) * 16 + x % 10); }

// The length Sectors2 gives a form-2 file of `size` real bytes.
int64_t Form2Sectors(int64_t size) {
  if (size <= 0) return 0;
  return size / kForm2SectorBytes + (size % kForm2SectorBytes != 0 ? 1 : 0);
}
}  // namespace

void LBA2MSF(uint32_t lba, uint8_t& minute, uint8_t& second, uint8_t& frame) {
  frame = static_cast<uint8_t>(lba % kFramesPerSecond);
  second = static_cast<uint8_t>((lba / kFramesPerSecond) % 60);
  minute = static_cast<uint8_t>(lba / kFramesPerMinute);
}

void LBA2MSFH(uint32_t lba, uint8_t& minute, uint8_t& second, uint8_t& frame) {
  LBA2MSF(lba, minute, second, frame);
  minute = ToBcd(minute);
  second = ToBcd(second);
  frame = ToBcd(frame);
}

std::string LBA2MSFStr(uint32_t lba) {
  uint8_t m, s, f;
  LBA2MSF(lba, m, s, f);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%2.2d:%2.2d:%2.2d", m, s, f);
  return buf;
}

int32_t MSF2LBA(uint8_t hours, uint8_t minutes, uint8_t seconds, uint8_t frames) {
  return hours * 60 * static_cast<int32_t>(kFramesPerMinute) +
         minutes * static_cast<int32_t>(kFramesPerMinute) + seconds * static_cast<int32_t>(kFramesPerSecond) +
         frames;
}

void CopyToArray(std::string_view text, uint8_t* dest, size_t count) {
  for (size_t i = 0; i < count; ++i) dest[i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
}

void CopyToArrayW(std::string_view text, uint8_t* dest, size_t count) {
  const size_t chars = count / 2;
  // Only the characters that fit are converted.
  std::u16string units = Utf8ToUcs2(text.substr(0, std::min(text.size(), chars * 4)));
  units.resize(std::min(units.size(), chars));
  units.resize(chars, u' ');
  PutUcs2BE(dest, units);
  if (count % 2 != 0) dest[count - 1] = 0;
}

int64_t Sectors(int64_t size) {
  if (size <= 0) return 0;
  return size / kSectorBytes + (size % kSectorBytes != 0 ? 1 : 0);
}

int64_t Sectors2(PFEntry entry) {
  // Size still holding what an earlier call stored means the real size is in
  // Form2SourceSize; any other Size is a new real size (the entry's source
  // was changed since).
  if (entry->Form2SourceSize < 0 || entry->Size != Form2Sectors(entry->Form2SourceSize) * kSectorBytes)
    entry->Form2SourceSize = entry->Size;
  int64_t n = Form2Sectors(entry->Form2SourceSize);
  entry->Size = n * kSectorBytes;
  entry->SizeJ = n * kSectorBytes;
  if (n < kForm2MinSectors) n = kForm2MinSectors;
  entry->AllocSize = n * kSectorBytes;
  return n;
}

void SetDateTime(TDateTime t, uint8_t* record) {
  uint16_t year, month, day, hour, minute, second, msec;
  DecodeDate(t, year, month, day);
  DecodeTime(t, hour, minute, second, msec);
  record[18] = static_cast<uint8_t>(year - 1900);
  record[19] = static_cast<uint8_t>(month);
  record[20] = static_cast<uint8_t>(day);
  record[21] = static_cast<uint8_t>(hour);
  record[22] = static_cast<uint8_t>(minute);
  record[23] = static_cast<uint8_t>(second);
  record[24] = static_cast<uint8_t>(TimeZoneDiff);
}

std::string IntToDec(int64_t value, int32_t width, std::string_view fill) {
  std::string digits = std::to_string(value);
  std::string out;
  for (int64_t k = static_cast<int64_t>(width) - static_cast<int64_t>(digits.size()); k > 0; --k) out += fill;
  return out + digits;
}

std::string ExtractLastDir(std::string_view path) {
  if (path.size() >= 2) {
    const size_t at = path.rfind('\\', path.size() - 2);
    if (at != std::string_view::npos) return std::string(path.substr(at));
  }
  return std::string(path);
}

}  // namespace orlix
