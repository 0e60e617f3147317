#include "iso/tree_index.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace orlix::tree_index {
namespace {

// The first entry of each upper-cased name of a chain.
struct Names {
  std::unordered_map<std::string, PFEntry> first;
  bool duplicates = false;  // some name is held by more than one entry

  void Clear() {
    first.clear();
    duplicates = false;
  }
  void Add(std::string key, PFEntry e) {
    if (!first.emplace(std::move(key), e).second) duplicates = true;
  }
};

// Marks a slot of ShortNames whose entry was removed: look-ups step over it.
TFEntry removed_slot;

// ISO 9660 names of a chain's entries under the hash of the name (ignoring
// case), in an open-addressing table, so that adding one allocates nothing.
// Entries of one hash are told apart by their records.
class ShortNames {
 public:
  void Clear() {
    slots_.clear();
    filled_ = live_ = 0;
  }
  void Add(size_t hash, PFEntry e) {
    if ((filled_ + 1) * 4 > slots_.size() * 3) Grow();
    Place(hash, e);
    ++filled_, ++live_;
  }
  // False when `e` was not held under `hash`.
  bool Remove(size_t hash, PFEntry e) {
    if (slots_.empty()) return false;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask; slots_[i].entry != nullptr; i = (i + 1) & mask) {
      if (slots_[i].entry == e && slots_[i].hash == hash) {
        slots_[i].entry = &removed_slot;
        --live_;
        return true;
      }
    }
    return false;
  }
  // Each entry held under `hash`, in turn, until `visit` returns true.
  template <typename Visitor>
  void Visit(size_t hash, Visitor&& visit) const {
    if (slots_.empty()) return;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask; slots_[i].entry != nullptr; i = (i + 1) & mask)
      if (slots_[i].hash == hash && slots_[i].entry != &removed_slot && visit(slots_[i].entry)) return;
  }

 private:
  struct Slot {
    size_t hash = 0;
    PFEntry entry = nullptr;  // nil: never used
  };
  void Place(size_t hash, PFEntry e) {
    const size_t mask = slots_.size() - 1;
    size_t i = hash & mask;
    while (slots_[i].entry != nullptr) i = (i + 1) & mask;
    slots_[i] = Slot{hash, e};
  }
  // At most three quarters full; half full at most after growing, with the
  // removed slots dropped.
  void Grow() {
    std::vector<Slot> old(std::move(slots_));
    size_t size = 32;
    while (size < (live_ + 1) * 2) size *= 2;
    slots_.assign(size, Slot{});
    filled_ = live_ = 0;
    for (const Slot& s : old) {
      if (s.entry != nullptr && s.entry != &removed_slot) {
        Place(s.hash, s.entry);
        ++filled_, ++live_;
      }
    }
  }
  std::vector<Slot> slots_;
  size_t filled_ = 0;  // slots not nil, removed ones included
  size_t live_ = 0;
};

char Upper(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; }

// Eight bytes at a time, with 0x20 set in every byte so that both cases of
// a letter (and a few pairs of other characters) hash alike.
size_t HashOf(std::string_view name) {
  constexpr uint64_t kFold = 0x2020202020202020ull, kMultiplier = 0x9E3779B97F4A7C15ull;
  uint64_t h = name.size();
  size_t i = 0;
  for (; i + 8 <= name.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, name.data() + i, 8);
    h = (h ^ (word | kFold)) * kMultiplier;
    h ^= h >> 29;
  }
  uint64_t word = 0;
  for (size_t k = i; k < name.size(); ++k) word |= uint64_t{static_cast<uint8_t>(name[k])} << (8 * (k - i));
  h = (h ^ (word | kFold)) * kMultiplier;
  return static_cast<size_t>(h ^ (h >> 32));
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

// One directory's chain as last seen: its ends and its names.
struct Chain {
  PFEntry first = nullptr;
  PFEntry tail = nullptr;
  Names by_name;        // long names
  ShortNames by_short;  // ISO 9660 names
  // Next counter of each stem made unique in this folder; kept when the
  // chain is indexed again, so that counters only move forward.
  std::unordered_map<std::string, uint32_t> counters;
  bool built = false;
};

// Where an entry sits: the directory of its chain and its predecessor.
struct Link {
  PDEntry dir = nullptr;
  PFEntry prev = nullptr;
};

std::unordered_map<PDEntry, Chain> chains;
// The chain Get found last (elements of `chains` stay where they are until
// erased).
PDEntry last_dir = nullptr;
Chain* last_chain = nullptr;
std::unordered_map<PFEntry, Link> links;
std::unordered_map<std::string, PDEntry> paths;
int32_t indexed_slots = 1;  // Dirs slots below this one are in `paths`
bool path_duplicates = false;

void Build(PDEntry dir, Chain& c) {
  c.by_name.Clear();
  c.by_short.Clear();
  PFEntry prev = nullptr;
  // A chain longer than the table can only be a corrupted (circular) one.
  int64_t budget = static_cast<int64_t>(Files.size()) + 1;
  for (PFEntry e = dir->FirstFile; e && budget-- > 0; e = e->Next) {
    links[e] = Link{dir, prev};
    c.by_name.Add(UpperCase(e->LongName), e);
    c.by_short.Add(HashOf(e->Name), e);
    prev = e;
  }
  c.first = dir->FirstFile;
  c.tail = prev;
  c.built = true;
}

// The chain's index, rebuilt when its ends show that someone re-linked it.
Chain& Get(PDEntry dir) {
  // An insertion asks for one chain several times in a row.
  if (dir != last_dir) {
    last_chain = &chains[dir];
    last_dir = dir;
  }
  Chain& c = *last_chain;
  if (!c.built || c.first != dir->FirstFile ||
      (c.tail ? c.tail->Next != nullptr : dir->FirstFile != nullptr)) {
    Build(dir, c);
  }
  return c;
}

bool LinkHolds(PDEntry dir, PFEntry entry, const Link& l) {
  return l.dir == dir && (l.prev ? l.prev->Next == entry : dir->FirstFile == entry);
}

// Drops `entry` from one name index of `c` when it is the entry held there.
void ForgetName(Chain& c, Names& names, PFEntry entry, const std::string& key) {
  auto it = names.first.find(key);
  if (it == names.first.end() || it->second != entry) return;
  if (names.duplicates) {
    c.built = false;  // a later entry of that name becomes the first one
  } else {
    names.first.erase(it);
  }
}

// Takes `entry`, whose key in `names` was `old_key`, under its new key.
void Rekey(Chain& c, Names& names, PFEntry entry, const std::string& old_key, std::string key) {
  if (!c.built) return;
  ForgetName(c, names, entry, old_key);
  if (!c.built) return;
  auto [it, inserted] = names.first.emplace(std::move(key), entry);
  // The name now shared with another entry: which one comes first depends on
  // the chain order, so read it from the chain.
  if (!inserted && it->second != entry) c.built = false;
}

// The chain holding `entry` as far as the index knows, or nil; when nil
// every chain is marked to be indexed anew.
Chain* ChainOf(PFEntry entry) {
  auto l = links.find(entry);
  auto ch = l == links.end() ? chains.end() : chains.find(l->second.dir);
  if (ch != chains.end()) return &ch->second;
  for (auto& [dir, c] : chains) c.built = false;
  return nullptr;
}

void SyncPaths() {
  if (indexed_slots > DirCounter) PathsChanged();
  const int32_t end = std::min<int32_t>(DirCounter, static_cast<int32_t>(Dirs.size()));
  while (indexed_slots < end) {
    PDEntry d = Dirs[indexed_slots];
    // A record whose path is not filled in yet is taken up on a later call.
    if (d && d->Path.empty()) break;
    if (d && !paths.emplace(d->Path, d).second) path_duplicates = true;
    ++indexed_slots;
  }
}

}  // namespace

std::string UpperCase(std::string_view s) {
  std::string r(s);
  for (char& ch : r) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return r;
}

void Reset() {
  chains.clear();
  last_dir = nullptr;
  links.clear();
  PathsChanged();
}

PDEntry FindDir(const std::string& upper_path) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    SyncPaths();
    auto it = paths.find(upper_path);
    if (it == paths.end()) return nullptr;
    if (it->second->Path == upper_path) return it->second;
    PathsChanged();  // a path was rewritten behind our back
  }
  return nullptr;
}

void DirReleased(PDEntry dir, int32_t slot) {
  chains.erase(dir);
  if (dir == last_dir) last_dir = nullptr;
  auto it = paths.find(dir->Path);
  if (it != paths.end() && it->second == dir) {
    paths.erase(it);
    if (path_duplicates) PathsChanged();  // another record may own that path now
  } else {
    for (auto p = paths.begin(); p != paths.end(); ++p) {
      if (p->second == dir) {
        paths.erase(p);
        break;
      }
    }
  }
  if (slot < indexed_slots) --indexed_slots;
}

void PathsChanged() {
  paths.clear();
  indexed_slots = 1;
  path_duplicates = false;
}

PFEntry FindFile(PDEntry dir, const std::string& upper_name, PFEntry& prev) {
  prev = nullptr;
  if (!dir) return nullptr;
  for (int attempt = 0; attempt < 2; ++attempt) {
    Chain& c = Get(dir);
    auto it = c.by_name.first.find(upper_name);
    if (it == c.by_name.first.end()) {
      prev = c.tail;
      return nullptr;
    }
    PFEntry e = it->second;
    auto l = links.find(e);
    if (l != links.end() && LinkHolds(dir, e, l->second) && UpperCase(e->LongName) == upper_name) {
      prev = l->second.prev;
      return e;
    }
    c.built = false;
  }
  return nullptr;
}

PFEntry LastEntry(PDEntry dir) { return dir ? Get(dir).tail : nullptr; }

bool Locate(PDEntry dir, PFEntry entry, PFEntry& prev) {
  prev = nullptr;
  if (!dir || !entry) return false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    Chain& c = Get(dir);
    auto l = links.find(entry);
    if (l != links.end() && LinkHolds(dir, entry, l->second)) {
      prev = l->second.prev;
      return true;
    }
    if (attempt == 0) Build(dir, c);
  }
  return false;
}

void Append(PDEntry dir, PFEntry entry) {
  Chain& c = Get(dir);
  entry->Next = nullptr;
  if (c.tail) {
    c.tail->Next = entry;
  } else {
    dir->FirstFile = entry;
  }
  links[entry] = Link{dir, c.tail};
  c.by_name.Add(UpperCase(entry->LongName), entry);
  c.by_short.Add(HashOf(entry->Name), entry);
  c.tail = entry;
  c.first = dir->FirstFile;
}

void Unlink(PDEntry dir, PFEntry entry, PFEntry prev) {
  Chain& c = Get(dir);
  PFEntry next = entry->Next;
  if (prev) {
    prev->Next = next;
  } else {
    dir->FirstFile = next;
  }
  entry->Next = nullptr;
  if (next) {
    links[next].prev = prev;
  } else {
    c.tail = prev;
  }
  c.first = dir->FirstFile;
  links.erase(entry);
  ForgetName(c, c.by_name, entry, UpperCase(entry->LongName));
  // A name changed without telling leaves its slot behind; look-ups find
  // the entry no longer linked there and index the chain anew.
  c.by_short.Remove(HashOf(entry->Name), entry);
}

void Renamed(PFEntry entry, const std::string& old_long_name) {
  if (Chain* c = ChainOf(entry))
    Rekey(*c, c->by_name, entry, UpperCase(old_long_name), UpperCase(entry->LongName));
}

void ShortRenamed(PFEntry entry, const std::string& old_name) {
  Chain* c = ChainOf(entry);
  if (!c || !c->built) return;
  if (!c->by_short.Remove(HashOf(old_name), entry)) {
    c->built = false;
    return;
  }
  c->by_short.Add(HashOf(entry->Name), entry);
}

PFEntry FindShort(PDEntry dir, const std::string& name, PFEntry except) {
  if (!dir) return nullptr;
  const size_t hash = HashOf(name);
  for (int attempt = 0; attempt < 2; ++attempt) {
    Chain& c = Get(dir);
    PFEntry found = nullptr;
    bool stale = false;
    c.by_short.Visit(hash, [&](PFEntry e) {
      auto l = links.find(e);
      // Never read a record the chain no longer holds: it may be gone.
      if (l == links.end() || !LinkHolds(dir, e, l->second)) {
        stale = true;
        return false;
      }
      if (e == except || !SameName(e->Name, name)) return false;
      found = e;
      return true;
    });
    if (found || !stale) return found;
    c.built = false;
  }
  return nullptr;
}

uint32_t& NextCounter(PDEntry dir, const std::string& stem) {
  return chains[dir].counters.try_emplace(stem, 1).first->second;
}

void EntryReleased(PFEntry entry) {
  auto l = links.find(entry);
  if (l == links.end()) return;
  auto ch = chains.find(l->second.dir);
  if (ch != chains.end() && ch->second.tail == entry) ch->second.built = false;
  if (ch != chains.end()) {
    auto it = ch->second.by_name.first.find(UpperCase(entry->LongName));
    if (it != ch->second.by_name.first.end() && it->second == entry) ch->second.built = false;
    if (!ch->second.by_short.Remove(HashOf(entry->Name), entry)) ch->second.built = false;
  }
  links.erase(l);
}

PDEntry OwnerOf(PFEntry entry) {
  auto l = links.find(entry);
  return l == links.end() ? nullptr : l->second.dir;
}

void ChainChanged(PDEntry dir) {
  if (!dir) {
    for (auto& [d, c] : chains) c.built = false;
    return;
  }
  auto it = chains.find(dir);
  if (it != chains.end()) it->second.built = false;
}

}  // namespace orlix::tree_index
