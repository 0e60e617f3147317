// Joliet text: UTF-8 to UCS-2 big-endian and back. The plain field writers
// come from framework/bytes.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/bytes.h"

namespace orlix {

// What a character that UCS-2 cannot hold becomes: code points above U+FFFF
// (Joliet is UCS-2, so no surrogate pairs) and each byte that is not part of
// a well-formed UTF-8 sequence. One unit per character or stray byte.
constexpr char16_t kUcs2Replacement = u'_';

// UTF-8 text as UCS-2 code units.
inline std::u16string Utf8ToUcs2(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const uint8_t b = static_cast<uint8_t>(s[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    size_t len;
    uint32_t cp, min;
    if ((b & 0xE0) == 0xC0) {
      len = 2, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4, cp = b & 0x07, min = 0x10000;
    } else {
      out.push_back(kUcs2Replacement);  // stray continuation or invalid lead
      ++i;
      continue;
    }
    size_t k = 1;
    for (; k < len && i + k < s.size(); ++k) {
      const uint8_t c = static_cast<uint8_t>(s[i + k]);
      if ((c & 0xC0) != 0x80) break;
      cp = cp << 6 | (c & 0x3F);
    }
    if (k < len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(kUcs2Replacement);
      ++i;  // resynchronise on the next byte
      continue;
    }
    out.push_back(cp > 0xFFFF ? kUcs2Replacement : static_cast<char16_t>(cp));
    i += len;
  }
  return out;
}

// Stores `units` big-endian: two bytes per unit.
inline void PutUcs2BE(uint8_t* p, std::u16string_view units) {
  for (char16_t u : units) {
    PutBE16(p, u);
    p += 2;
  }
}

// UCS-2 big-endian bytes (a Joliet identifier as read from a disc) as UTF-8.
// Other writers put UTF-16 there, so a well-formed surrogate pair stands for
// its one character; a lone surrogate becomes kUcs2Replacement, and an odd
// last byte is dropped. Never reads past `bytes`.
inline std::string Ucs2BEToUtf8(const uint8_t* p, size_t bytes) {
  std::string out;
  out.reserve(bytes / 2 * 3);
  const size_t units = bytes / 2;
  for (size_t i = 0; i < units; ++i) {
    uint32_t cp = GetBE16(p + 2 * i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units) {
      const uint32_t low = GetBE16(p + 2 * (i + 1));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = kUcs2Replacement;
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | cp >> 6));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | cp >> 12));
      out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | cp >> 18));
      out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace orlix
