#include "platform/file_mask.h"

#include <cstdint>

#include "platform/file_search.h"

namespace orlix {
namespace {

// Wildcards as tokens outside the range of code points.
constexpr char32_t kStar = 0x110000;
constexpr char32_t kDosStar = 0x110001;  // '*' before a dot: stops at the name's last dot
constexpr char32_t kDosQm = 0x110002;    // '?': one character, or none before a dot or at the end
constexpr char32_t kDosDot = 0x110003;   // '.' before a wildcard or at the end: a dot or the end

char32_t Fold(char32_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

}  // namespace

std::u32string DecodeUtf8(const std::string& text) {
  std::u32string out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  size_t n = text.size();
  for (size_t i = 0; i < n;) {
    unsigned char b = s[i];
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    char32_t cp = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = extra >= 0 && i + extra < n;
    for (int k = 1; ok && k <= extra; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    static const char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (ok && extra > 0 && (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      out.push_back(0xDC00 + b);
      ++i;
    } else {
      out.push_back(cp);
      i += extra + 1;
    }
  }
  return out;
}

TFileMask::TFileMask(const std::string& mask) {
  if (mask == "*.*") {
    tokens_.push_back(kStar);
    has_wildcards_ = true;
    return;
  }
  std::u32string m = DecodeUtf8(mask);
  for (size_t i = 0; i < m.size(); ++i) {
    char32_t c = m[i];
    char32_t next = i + 1 < m.size() ? m[i + 1] : 0;
    if (c == '?') {
      tokens_.push_back(kDosQm);
      has_wildcards_ = true;
    } else if (c == '*') {
      tokens_.push_back(next == '.' ? kDosStar : kStar);
      has_wildcards_ = true;
    } else if (c == '.' && (next == '?' || next == '*' || i + 1 == m.size())) {
      tokens_.push_back(kDosDot);
    } else {
      tokens_.push_back(Fold(c));
    }
  }
}

bool TFileMask::Matches(const std::string& text) const {
  if (tokens_.empty()) return false;
  if (tokens_.size() == 1 && tokens_[0] == kStar) return true;
  const std::u32string name = DecodeUtf8(text);
  const size_t n = name.size(), p = tokens_.size();
  size_t last_dot = name.rfind(U'.');
  if (last_dot == std::u32string::npos) last_dot = n;
  // reachable[j][i]: tokens from j can match the name from i. Filled from the
  // end, so each cell is computed once.
  std::vector<uint8_t> reach((p + 1) * (n + 1), 0);
  auto at = [&](size_t j, size_t i) -> uint8_t& { return reach[j * (n + 1) + i]; };
  at(p, n) = 1;
  for (size_t j = p; j-- > 0;) {
    const char32_t t = tokens_[j];
    for (size_t i = n + 1; i-- > 0;) {
      bool ok;
      switch (t) {
        case kStar:
          ok = at(j + 1, i) || (i < n && at(j, i + 1));
          break;
        case kDosStar:
          ok = at(j + 1, i) || (i < last_dot && at(j, i + 1));
          break;
        case kDosQm:
          ok = (i < n && name[i] != '.') ? at(j + 1, i + 1) : at(j + 1, i);
          break;
        case kDosDot:
          ok = i == n ? at(j + 1, i) : (name[i] == '.' && at(j + 1, i + 1));
          break;
        default:
          ok = i < n && Fold(name[i]) == t && at(j + 1, i + 1);
      }
      at(j, i) = ok;
    }
  }
  return at(0, 0);
}

bool MatchesMask(const std::string& name, const std::string& mask) { return TFileMask(mask).Matches(name); }

}  // namespace orlix
