#include "iso/tree_index.h"

#include <algorithm>
#include <unordered_map>

namespace orlix::tree_index {
namespace {

// One directory's chain as last seen: its ends and its names.
struct Chain {
  PFEntry first = nullptr;
  PFEntry tail = nullptr;
  std::unordered_map<std::string, PFEntry> by_name;  // first entry of each name
  bool duplicates = false;                           // some name is held by more than one entry
  bool built = false;
};

// Where an entry sits: the directory of its chain and its predecessor.
struct Link {
  PDEntry dir = nullptr;
  PFEntry prev = nullptr;
};

std::unordered_map<PDEntry, Chain> chains;
std::unordered_map<PFEntry, Link> links;
std::unordered_map<std::string, PDEntry> paths;
int32_t indexed_slots = 1;  // Dirs slots below this one are in `paths`
bool path_duplicates = false;

void Build(PDEntry dir, Chain& c) {
  c.by_name.clear();
  c.duplicates = false;
  PFEntry prev = nullptr;
  // A chain longer than the table can only be a corrupted (circular) one.
  int64_t budget = static_cast<int64_t>(Files.size()) + 1;
  for (PFEntry e = dir->FirstFile; e && budget-- > 0; e = e->Next) {
    links[e] = Link{dir, prev};
    if (!c.by_name.emplace(UpperCase(e->LongName), e).second) c.duplicates = true;
    prev = e;
  }
  c.first = dir->FirstFile;
  c.tail = prev;
  c.built = true;
}

// The chain's index, rebuilt when its ends show that someone re-linked it.
Chain& Get(PDEntry dir) {
  Chain& c = chains[dir];
  if (!c.built || c.first != dir->FirstFile ||
      (c.tail ? c.tail->Next != nullptr : dir->FirstFile != nullptr)) {
    Build(dir, c);
  }
  return c;
}

bool LinkHolds(PDEntry dir, PFEntry entry, const Link& l) {
  return l.dir == dir && (l.prev ? l.prev->Next == entry : dir->FirstFile == entry);
}

// Drops `entry` from the name index of `c` when it is the entry held there.
void ForgetName(Chain& c, PFEntry entry, const std::string& key) {
  auto it = c.by_name.find(key);
  if (it == c.by_name.end() || it->second != entry) return;
  if (c.duplicates) {
    c.built = false;  // a later entry of that name becomes the first one
  } else {
    c.by_name.erase(it);
  }
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
    auto it = c.by_name.find(upper_name);
    if (it == c.by_name.end()) {
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
  if (!c.by_name.emplace(UpperCase(entry->LongName), entry).second) c.duplicates = true;
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
  ForgetName(c, entry, UpperCase(entry->LongName));
}

void Renamed(PFEntry entry, const std::string& old_long_name) {
  auto l = links.find(entry);
  auto ch = l == links.end() ? chains.end() : chains.find(l->second.dir);
  if (ch == chains.end()) {
    // Not known to be in any chain: let every chain be indexed anew.
    for (auto& [dir, c] : chains) c.built = false;
    return;
  }
  Chain& c = ch->second;
  if (!c.built) return;
  ForgetName(c, entry, UpperCase(old_long_name));
  if (!c.built) return;
  auto [it, inserted] = c.by_name.emplace(UpperCase(entry->LongName), entry);
  // The name now shared with another entry: which one comes first depends on
  // the chain order, so read it from the chain.
  if (!inserted && it->second != entry) c.built = false;
}

void EntryReleased(PFEntry entry) {
  auto l = links.find(entry);
  if (l == links.end()) return;
  auto ch = chains.find(l->second.dir);
  if (ch != chains.end() && ch->second.tail == entry) ch->second.built = false;
  if (ch != chains.end()) {
    auto it = ch->second.by_name.find(UpperCase(entry->LongName));
    if (it != ch->second.by_name.end() && it->second == entry) ch->second.built = false;
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
