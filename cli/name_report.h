// Names written differently from the ones given: each entry renamed on the
// disc (by the library's naming rules or by the tool's own renaming of
// duplicates) and each volume text cut or mapped, told on stderr. The
// commands exit with 2 when entries were renamed, so that a script notices.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "burner/burner.h"

namespace orlix::cli {

// Characters of a UTF-8 name as the image counts them (one per code point).
size_t CharacterCount(const std::string& name);
// A host or image name as the tool prints it: control characters, which a
// terminal would act on, as \xNN (C1 controls as their two UTF-8 bytes).
std::string Shown(const std::string& name);

class NameReport {
 public:
  // Takes the burner's OnNameChanged over; the destructor tells what is
  // still untold and lets the event go.
  explicit NameReport(TOrlixBurner& burner);
  ~NameReport();
  NameReport(const NameReport&) = delete;
  NameReport& operator=(const NameReport&) = delete;

  // Notes that the entry at `image_path` is written as `written`, for
  // `why`. Reasons for the same written name make one line.
  void Renamed(const std::string& image_path, const std::string& written, const std::string& why);
  // Tells on stderr, one line each, the names noted since the last call:
  // "renamed: PATH -> WRITTEN (WHY; WHY)". A name told once is not told
  // again for the same reason (a second preparation raises the same events).
  void Flush();

  // Entries with at least one name written differently.
  size_t RenamedCount() const { return renamed_entries_.size(); }

 private:
  void Changed(const std::string& image_path, const std::string& given, const std::string& written,
               TNameChange why);
  void VolumeText(const std::string& property, const std::string& given, const std::string& field);

  struct Line {
    std::string image_path, written;
    std::vector<std::string> reasons;
  };
  TOrlixBurner& burner_;
  std::set<std::string> renamed_entries_;
  std::vector<Line> untold_;  // in the order the names were noted
  std::set<std::vector<std::string>> told_;  // path, written, reason
  std::set<std::string> volume_texts_;
};

}  // namespace orlix::cli
