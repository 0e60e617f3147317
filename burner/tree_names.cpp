#include "burner/tree_names.h"

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
