#include "burner/tree_names.h"

#include "iso/joliet_names.h"
#include "iso/tree_index.h"
#include "platform/file_search.h"

namespace orlix {

std::string UpperCaseAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

std::string MakeShortName(std::string_view name) {
  std::string r = UpperCaseAscii(name.substr(0, 13));
  for (char& c : r) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x21 || u > 0x7A) c = '_';
  }
  return r;
}

namespace {

// What a made short name may hold besides letters and digits, as a host's
// 8.3 names do.
bool IsShortNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         (c != '\0' && std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos);
}

std::string Cleaned(std::string_view part) {
  std::string out(part);
  for (char& c : out)
    if (!IsShortNameChar(c)) c = '_';
  return out;
}

}  // namespace

std::string UniqueShortName(PDEntry dir, const std::string& given, PFEntry self) {
  if (!tree_index::FindShort(dir, given, self)) return given;
  const std::string upper = UpperCaseAscii(given);
  const size_t dot = upper.rfind('.');
  const bool has_ext = dot != std::string::npos && dot > 0;
  std::string stem = upper.substr(0, has_ext ? dot : upper.size());
  // LONGFI~1 goes on as LONGFI~2, not as LONGF~1~1.
  const size_t tilde = stem.rfind('~');
  if (tilde != std::string::npos && tilde + 1 < stem.size() &&
      stem.find_first_not_of("0123456789", tilde + 1) == std::string::npos)
    stem.erase(tilde);
  stem = Cleaned(stem);
  if (stem.empty()) stem = "_";
  const std::string ext = has_ext ? Cleaned(upper.substr(dot + 1, 3)) : "";
  uint32_t& n = tree_index::NextCounter(dir, stem + '.' + ext);
  for (; n < 10000000; ++n) {
    const std::string mark = "~" + std::to_string(n);
    std::string candidate = stem.substr(0, 8 - mark.size()) + mark;
    if (!ext.empty()) candidate += '.' + ext;
    if (!tree_index::FindShort(dir, candidate, self)) {
      ++n;
      return candidate;
    }
  }
  return given;  // ten million names of one stem: nothing left to count
}

std::string EntryImagePath(PDEntry dir, const std::string& long_name) {
  return ImagePathOf(dir) + "\\" + long_name;
}

size_t CharacterCount(std::string_view text) {
  size_t count = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  return count;
}

std::string GetDirPath(PDEntry dir) {
  if (!dir || dir->Parent == dir || !dir->Parent) return "";
  // A parent chain longer than the table is a loop: stop there.
  std::string path;
  int budget = static_cast<int>(Dirs.size()) + 1;
  for (PDEntry d = dir; d && d->Parent != d && budget-- > 0; d = d->Parent) {
    path.insert(0, "\\" + d->LongName);
  }
  return UpperCaseAscii(path);
}

bool IsHostDelim(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == PathDelim;
#endif
}

std::string KeptFolderPath(std::string_view host_folder) {
  std::string s;
  s.reserve(host_folder.size() + 1);
  for (size_t i = 0; i < host_folder.size(); ++i) {
    const char c = host_folder[i];
    if (!IsHostDelim(c)) {
      s += c;
      continue;
    }
#ifndef _WIN32
    // "//" means "/" here; only a literal "\\" starts a network path.
    if (i > 0 && IsHostDelim(host_folder[i - 1])) continue;
#endif
    s += '\\';
  }
  if (s.size() >= 2 && s[0] == '\\' && s[1] == '\\') {
    // \\server\share\rest keeps \rest.
    s.erase(0, 2);
    size_t p = s.find('\\');
    s.erase(0, p == std::string::npos ? s.size() : p + 1);
    p = s.find('\\');
    s.erase(0, p == std::string::npos ? s.size() : p);
  } else if (s.size() >= 2 && s[1] == ':') {
    s.erase(0, 2);
  }
  if (!s.empty() && s[0] != '\\') s.insert(0, "\\");
  return s;
}

std::string HostFolderOf(std::string_view host_file) {
  for (size_t i = host_file.size(); i > 0; --i) {
    if (IsHostDelim(host_file[i - 1])) return std::string(host_file.substr(0, i));
  }
  return "";
}

}  // namespace orlix
