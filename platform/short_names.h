// Alternate 8.3 names for the entries of one directory, made the way Windows
// makes them: none for a name that already is a valid 8.3 name, otherwise the
// cleaned, upper-cased start of the name, "~N" and the first three characters
// of the extension, N counting up until the name is unique in the directory.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace orlix {

// True when `name` can stand as an 8.3 name by itself: a base of 1 to 8 and
// an extension of up to 3 characters that 8.3 names allow, in any case.
bool IsValidShortName(const std::string& name);

class TShortNameGenerator {
 public:
  // Names that already are 8.3 names are taken; no generated name may equal
  // one of them. Reserve every such name of the directory before generating.
  void Reserve(const std::string& long_name);
  // The alternate name of `long_name`, unique among those given out and
  // reserved; empty when the long name is a valid 8.3 name (or "." / "..").
  // Amortised constant time: the counters of each prefix only move forward.
  std::string Generate(const std::string& long_name);

 private:
  std::unordered_set<std::string> used_;
  std::unordered_map<std::string, uint32_t> next_;  // per prefix, extension and digit count
  std::unordered_map<std::string, int> level_;      // per stem: the digit count to start at
};

}  // namespace orlix
