#include "platform/short_names.h"

#include <cstring>

#include "platform/file_mask.h"

namespace orlix {
namespace {

// Punctuation an 8.3 name may hold besides letters and digits.
bool IsShortNameSymbol(char32_t c) {
  return c < 0x80 && std::strchr("!#$%&'()-@^_`{}~", static_cast<char>(c));
}

bool IsShortNameChar(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         (c != 0 && IsShortNameSymbol(c));
}

std::string Upper(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

// The characters of a part of a long name as they go into an 8.3 name:
// spaces and dots dropped, letters upper-cased, anything an 8.3 name cannot
// hold (including every character outside ASCII) made an underscore.
std::string Clean(const std::u32string& part) {
  std::string out;
  for (char32_t c : part) {
    if (c == ' ' || c == '.') continue;
    if (IsShortNameChar(c))
      out.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
    else
      out.push_back('_');
  }
  return out;
}

}  // namespace

bool IsValidShortName(const std::string& name) {
  if (name.empty() || name.size() > 12 || name == "." || name == "..") return false;
  size_t dot = name.find('.');
  if (dot == 0) return false;
  if (dot != std::string::npos && name.find('.', dot + 1) != std::string::npos) return false;
  size_t base = dot == std::string::npos ? name.size() : dot;
  size_t ext = dot == std::string::npos ? 0 : name.size() - dot - 1;
  if (base > 8 || ext > 3) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (i != dot && !IsShortNameChar(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

void TShortNameGenerator::Reserve(const std::string& long_name) {
  if (IsValidShortName(long_name)) used_.insert(Upper(long_name));
}

std::string TShortNameGenerator::Generate(const std::string& long_name) {
  if (long_name.empty() || long_name == "." || long_name == ".." || IsValidShortName(long_name)) return "";
  std::u32string name = DecodeUtf8(long_name);
  // Leading dots do not start an extension: ".profile" has none.
  size_t start = name.find_first_not_of(U'.');
  if (start == std::u32string::npos) start = name.size();
  size_t dot = name.rfind(U'.');
  if (dot == std::u32string::npos || dot < start) dot = name.size();
  std::string base = Clean(name.substr(start, dot - start));
  std::string ext = dot < name.size() ? Clean(name.substr(dot + 1)) : "";
  if (base.empty()) base = "_";
  if (ext.size() > 3) ext.resize(3);

  // Skip the digit counts this stem has used up, without looking at them.
  int& level = level_.try_emplace(base.substr(0, 6) + '/' + ext, 1).first->second;
  static const uint32_t kFirst[8] = {0, 1, 10, 100, 1000, 10000, 100000, 1000000};
  for (; level <= 6; ++level) {
    std::string prefix = base.substr(0, 7 - level);
    std::string key = prefix + '/' + ext + '/' + std::to_string(level);
    uint32_t& next = next_.try_emplace(key, kFirst[level]).first->second;
    for (; next < kFirst[level + 1]; ++next) {
      std::string candidate = prefix + '~' + std::to_string(next);
      if (!ext.empty()) candidate += '.' + ext;
      if (used_.insert(candidate).second) {
        ++next;
        return candidate;
      }
    }
  }
  return "";  // a million names on one prefix: none left
}

}  // namespace orlix
