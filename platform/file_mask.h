// A file-name mask compiled once and matched against many names, with the
// Windows rules: '*' and '?' wildcards, case-insensitive, "*.*" matching
// every name, "*." the names without an extension, and '?' before a dot or
// at the end also matching nothing.
#pragma once

#include <string>
#include <vector>

namespace orlix {

class TFileMask {
 public:
  explicit TFileMask(const std::string& mask);
  bool Matches(const std::string& name) const;
  bool HasWildcards() const { return has_wildcards_; }

 private:
  std::vector<char32_t> tokens_;
  bool has_wildcards_ = false;
};

// Code points of a UTF-8 text; a byte that is not valid UTF-8 stands for
// itself (as 0xDC00 + byte), so any name can be handled.
std::u32string DecodeUtf8(const std::string& text);

}  // namespace orlix
