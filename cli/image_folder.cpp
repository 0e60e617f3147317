#include "cli/image_folder.h"

namespace orlix::cli {

bool ParseImageFolder(const std::string& text, std::string& path, std::string& error) {
  const auto refuse = [&](const std::string& why) {
    error = "invalid --dest \"" + text + "\": " + why + " (write folders as /DOCS/sub or \\DOCS\\sub)";
    return false;
  };
  if (text.empty()) return refuse("it is empty; the image's root is /");
  const auto is_sep = [](char c) { return c == '/' || c == '\\'; };
  size_t begin = is_sep(text.front()) ? 1 : 0;
  size_t end = text.size();
  if (end > begin && is_sep(text.back())) --end;
  if (begin == end && text.size() > 1) return refuse("an empty folder name between two separators");
  path = "\\";
  while (begin < end) {
    size_t next = begin;
    while (next < end && !is_sep(text[next])) ++next;
    const std::string part = text.substr(begin, next - begin);
    if (part.empty()) return refuse("an empty folder name between two separators");
    if (part == "." || part == "..") return refuse("\"" + part + "\" cannot name an image folder");
    if (path.size() > 1) path += '\\';
    path += part;
    begin = next + 1;
    if (next == end) break;
    if (begin == end) return refuse("an empty folder name between two separators");
  }
  return true;
}

}  // namespace orlix::cli
