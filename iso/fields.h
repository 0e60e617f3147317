// Small conversions used by every writer of on-disc structures: sector
// numbers and minute:second:frame addresses, fixed-width text fields, sector
// counts, the recording date of a directory record, and diagnostics text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/date_time.h"
#include "iso/tree.h"

namespace orlix {

// Sector number to minutes, seconds and frames (75 frames a second). No
// lead-in offset is applied; callers that need it add 150 first. Minutes are
// kept in 8 bits.
void LBA2MSF(uint32_t lba, uint8_t& minute, uint8_t& second, uint8_t& frame);
// The same parts in packed BCD (59 -> 0x59); minutes above 99 do not fit.
void LBA2MSFH(uint32_t lba, uint8_t& minute, uint8_t& second, uint8_t& frame);
// "MM:SS:FF".
std::string LBA2MSFStr(uint32_t lba);
// Frames of hours, minutes, seconds and frames; no offset is applied.
int32_t MSF2LBA(uint8_t hours, uint8_t minutes, uint8_t seconds, uint8_t frames);

// Fills dest[0..count) with the bytes of `text`, cut or padded with spaces.
void CopyToArray(std::string_view text, uint8_t* dest, size_t count);
// Fills dest[0..count) with `text` (UTF-8) as UCS-2 big-endian, cut or padded
// with U+0020: count / 2 characters. An odd count's last byte is set to zero;
// nothing beyond count bytes is written.
void CopyToArrayW(std::string_view text, uint8_t* dest, size_t count);

// 2048-byte sectors needed for `size` bytes (0 for none or a negative size).
int64_t Sectors(int64_t size);
// Lays a form-2 entry out: sectors of 2324 bytes of its real size, at least
// 150. Sets Size and SizeJ to 2048 bytes per form-2 sector (the length an XA
// record carries) and AllocSize to the sectors reserved. The real size is kept
// in Form2SourceSize, so calling it again (another preparation) gives the same
// result instead of rounding the rounded length.
int64_t Sectors2(PFEntry entry);

// Writes `t` (local time) into bytes 18..24 of a directory record, with the
// offset from GMT taken from TimeZoneDiff.
void SetDateTime(TDateTime t, uint8_t* record);

// Decimal text of `value`, preceded by (width - its length) copies of `fill`.
std::string IntToDec(int64_t value, int32_t width, std::string_view fill);

// The last folder of a backslash path with its leading backslash:
// "\data\photos\" -> "\photos\", "\data\photos" -> "\photos", "photos" -> "photos".
std::string ExtractLastDir(std::string_view path);

}  // namespace orlix
