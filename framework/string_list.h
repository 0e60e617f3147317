// Ordered list of strings, as the device list and the drop list use.
#pragma once

#include <string>
#include <vector>

#include "framework/export.h"

namespace orlix {

class ORLIX_API TStringList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  // Raise EListError when the index is outside the list.
  const std::string& Strings(int index) const;
  void SetStrings(int index, const std::string& value);
  int Add(const std::string& value);  // index of the new line
  void Insert(int index, const std::string& value);
  void Delete(int index);
  void Clear() { items_.clear(); }
  int IndexOf(const std::string& value) const;  // case-insensitive, -1 when absent
  // Lines joined with "\n" after each one; SetText splits on \n and \r\n.
  std::string Text() const;
  void SetText(const std::string& text);

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::string> items_;
};

}  // namespace orlix
