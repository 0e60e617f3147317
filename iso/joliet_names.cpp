// Joliet names as written: mapped, cut and made unique per folder.
#include "iso/joliet_names.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "iso/bytes.h"
#include "iso/directory_records.h"

namespace orlix {
namespace {

constexpr int32_t kDirAttr = 0x10;

bool IsDir(const TFEntry* e) { return (e->Attr & kDirAttr) != 0; }

std::u16string Folded(std::u16string units) {
  for (char16_t& u : units) u = FoldCase(u);
  return units;
}

std::u16string CounterUnits(uint32_t n) {
  const std::string digits = "~" + std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

// One entry of a folder on its way to its written name.
struct Pending {
  PFEntry entry;
  std::u16string units;    // LongName with forbidden characters mapped
  std::u16string written;  // as it will be written
  bool mapped;
};

void Report(const TImageOptions& options, const std::string& folder, const Pending& p) {
  if (!options.NameChanged) return;
  const std::string path = folder + "\\" + p.entry->LongName;
  if (p.mapped) options.ReportName(path, p.entry->LongName, p.entry->JolietName, TWrittenName::JolietChars);
  if (p.written != p.units)
    options.ReportName(path, p.entry->LongName, p.entry->JolietName, TWrittenName::JolietCut);
}

void AssignFolder(const TImageOptions& options, PDEntry dir) {
  std::vector<Pending> pending;
  // A chain longer than the table can only be a corrupted (circular) one.
  int64_t budget = static_cast<int64_t>(Files.size()) + 1;
  for (PFEntry e = dir->FirstFile; e != nullptr && budget-- > 0; e = e->Next) {
    if (IsDotName(e->LongName)) {
      e->JolietName = e->LongName;  // written as the one-byte identifiers
      continue;
    }
    std::u16string units = Utf8ToUcs2(e->LongName);
    // What UCS-2 cannot hold was already made "_" by the conversion.
    bool mapped = Ucs2ToUtf8(units) != e->LongName;
    for (char16_t& u : units) {
      if (IsJolietForbidden(u)) {
        u = u'_';
        mapped = true;
      }
    }
    std::u16string written = FitJolietName(units, IsDir(e), 0);
    pending.push_back({e, std::move(units), std::move(written), mapped});
  }

  // Every name that is free keeps its place first, so that a counter never
  // takes the name another entry has by itself.
  std::unordered_set<std::u16string> taken;
  taken.reserve(pending.size() * 2);
  std::vector<size_t> losers;
  for (size_t i = 0; i < pending.size(); ++i) {
    if (!taken.insert(Folded(pending[i].written)).second) losers.push_back(i);
  }
  // Counters per colliding name only move forward: linear in the folder.
  std::unordered_map<std::u16string, uint32_t> next;
  for (size_t i : losers) {
    Pending& p = pending[i];
    uint32_t& n = next.try_emplace(Folded(p.written), 1).first->second;
    for (;; ++n) {
      std::u16string candidate = FitJolietName(p.units, IsDir(p.entry), n);
      if (taken.insert(Folded(candidate)).second) {
        p.written = std::move(candidate);
        ++n;
        break;
      }
    }
  }

  std::string folder;
  bool folder_known = false;
  for (const Pending& p : pending) {
    p.entry->JolietName = Ucs2ToUtf8(p.written);
    if (p.entry->Dir != nullptr) p.entry->Dir->JolietName = p.entry->JolietName;
    if (p.mapped || p.written != p.units) {
      if (!folder_known) folder = ImagePathOf(dir), folder_known = true;
      Report(options, folder, p);
    }
  }
}

}  // namespace

const std::string& JolietNameOf(const TFEntry* e) {
  return e->JolietName.empty() ? e->LongName : e->JolietName;
}

const std::string& JolietNameOf(const TDEntry* d) {
  return d->JolietName.empty() ? d->LongName : d->JolietName;
}

bool IsJolietForbidden(char16_t unit) {
  return unit < 0x20 || unit == u'*' || unit == u'/' || unit == u':' || unit == u';' || unit == u'?' ||
         unit == u'\\';
}

char16_t FoldCase(char16_t u) {
  if (u < 0x80) return u >= u'a' && u <= u'z' ? static_cast<char16_t>(u - 0x20) : u;
  // Latin-1: à..þ without ÷; ÿ pairs with Ÿ.
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char16_t>(u - 0x20);
  if (u == 0xFF) return 0x178;
  // Latin Extended-A: pairs of capital and small letter, the capital first,
  // except in the two runs where the small letter comes first.
  if ((u >= 0x100 && u <= 0x137) || (u >= 0x14A && u <= 0x177))
    return (u & 1) != 0 ? static_cast<char16_t>(u - 1) : u;
  if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E))
    return (u & 1) == 0 ? static_cast<char16_t>(u - 1) : u;
  // Greek: final sigma compares as sigma; accented vowels with theirs.
  if (u == 0x3C2) return 0x3A3;
  if (u >= 0x3B1 && u <= 0x3CB) return static_cast<char16_t>(u - 0x20);
  if (u == 0x3AC) return 0x386;
  if (u >= 0x3AD && u <= 0x3AF) return static_cast<char16_t>(u - 0x25);
  if (u == 0x3CC) return 0x38C;
  if (u == 0x3CD || u == 0x3CE) return static_cast<char16_t>(u - 0x3F);
  // Cyrillic: а..я, then ѐ..џ.
  if (u >= 0x430 && u <= 0x44F) return static_cast<char16_t>(u - 0x20);
  if (u >= 0x450 && u <= 0x45F) return static_cast<char16_t>(u - 0x50);
  return u;
}

std::string Ucs2ToUtf8(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (char16_t u : units) {
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (u >> 6)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (u >> 12)));
      out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
  }
  return out;
}

std::u16string FitJolietName(const std::u16string& units, bool is_dir, uint32_t counter) {
  const size_t suffix = is_dir ? 0 : 2;  // ";1"
  const size_t max_units = MaxJolietIdentifierUnits();
  const std::u16string mark = counter > 0 ? CounterUnits(counter) : std::u16string();
  if (counter == 0 && units.size() + suffix <= max_units) return units;
  // A leading dot does not start an extension: ".profile" has none.
  size_t tail_from = units.rfind(u'.');
  if (tail_from == std::u16string::npos || tail_from == 0 ||
      (units.size() - tail_from) + suffix > max_units / 2)
    tail_from = units.size();
  const size_t tail = units.size() - tail_from;
  const size_t room = max_units - suffix - tail - mark.size();
  return units.substr(0, std::min(tail_from, room)) + mark + units.substr(tail_from);
}

std::string ImagePathOf(PDEntry dir) {
  std::vector<const std::string*> names;
  // A parent chain longer than the table is a loop: stop there.
  size_t budget = Dirs.size() + 1;
  for (PDEntry d = dir; d != nullptr && d->Parent != nullptr && d->Parent != d && budget-- > 0; d = d->Parent)
    names.push_back(&d->LongName);
  std::string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) path += "\\" + **it;
  return path;
}

void AssignJolietNames(const TImageOptions& options) {
  // A directory whose entry went missing falls back to its long name rather
  // than keeping a name from an earlier tree.
  for (int32_t i = 0; i < DirCounter; ++i) Dirs[i]->JolietName.clear();
  for (int32_t i = 0; i < DirCounter; ++i) AssignFolder(options, Dirs[i]);
}

}  // namespace orlix
