#include "framework/string_list.h"

#include "framework/exceptions.h"

namespace orlix {
namespace {

[[noreturn]] void IndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return false;
  }
  return true;
}

}  // namespace

const std::string& TStringList::Strings(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[index];
}

void TStringList::SetStrings(int index, const std::string& value) {
  if (index < 0 || index >= Count()) IndexError(index);
  items_[index] = value;
}

int TStringList::Add(const std::string& value) {
  items_.push_back(value);
  return Count() - 1;
}

void TStringList::Insert(int index, const std::string& value) {
  if (index < 0 || index > Count()) IndexError(index);
  items_.insert(items_.begin() + index, value);
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  items_.erase(items_.begin() + index);
}

int TStringList::IndexOf(const std::string& value) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(items_[i], value)) return i;
  return -1;
}

std::string TStringList::Text() const {
  std::string text;
  for (const std::string& line : items_) {
    text += line;
    text += '\n';
  }
  return text;
}

void TStringList::SetText(const std::string& text) {
  items_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    items_.push_back(text.substr(start, stop - start));
    start = end + 1;
  }
}

}  // namespace orlix
