// Moving entries between directories and renaming them. A directory-type
// entry takes its directory along: the directory record keeps the names,
// parent, level and path of the entry's place, so that the path tables and
// the directory records of an image agree.
#include "burner/burner.h"
#include "burner/burner_state.h"
#include "burner/name_reports.h"
#include "burner/tree_names.h"
#include "iso/tree_index.h"

namespace orlix {

namespace {

// Gives an entry outside every chain, and its directory, a new short name.
void SetShortName(PFEntry entry, const std::string& name) {
  entry->Name = name;
  if (entry->Dir) entry->Dir->Name = name;
}

// The path a directory named `long_name` gets inside `parent`.
std::string ChildPath(PDEntry parent, const std::string& long_name) {
  return (parent->Parent == parent ? std::string() : parent->Path) + "\\" + UpperCaseAscii(long_name);
}

}  // namespace

void TOrlixBurner::RebuildPaths(PDEntry dir) {
  std::vector<PDEntry> pending{dir};
  while (!pending.empty()) {
    PDEntry d = pending.back();
    pending.pop_back();
    d->Level = static_cast<uint8_t>(d->Parent->Level + 1);
    d->Path = GetDirPath(d);
    for (PFEntry e = d->FirstFile; e; e = e->Next) {
      if (e->Dir && e->Dir->Parent == d && e->Dir != d) pending.push_back(e->Dir);
    }
  }
  tree_index::PathsChanged();
}

bool TOrlixBurner::MoveFile(PDEntry dest, PDEntry source, PFEntry entry) {
  if (!dest || !source || !entry) return false;
  PFEntry prev = nullptr;
  if (!tree_index::Locate(source, entry, prev)) return false;
  if (PDEntry moved = entry->Dir) {
    // Not into itself, and not onto another directory's path.
    int budget = DirCounter + 1;
    for (PDEntry d = dest; budget-- > 0; d = d->Parent) {
      if (d == moved) return false;
      if (d->Parent == d) break;
    }
    PDEntry other = FindDir(ChildPath(dest, moved->LongName));
    if (other && other != moved) return false;
  }
  PrevFile = prev;
  tree_index::Unlink(source, entry, prev);
  // The short name came from another folder and may be taken in this one.
  const std::string given_name = entry->Name;
  SetShortName(entry, UniqueShortName(dest, given_name, entry));
  tree_index::Append(dest, entry);
  if (entry->Dir && entry->Dir->Parent != dest) {
    entry->Dir->Parent = dest;
    RebuildPaths(entry->Dir);
  }
  prepared_ = false;
  if (given_name != entry->Name)
    ReportNameChange(*this, EntryImagePath(dest, entry->LongName), given_name, entry->Name,
                     TNameChange::ncIsoUnique);
  return true;
}

bool TOrlixBurner::MoveFile(const std::string& dest_path, const std::string& source_path,
                            const std::string& long_name) {
  PDEntry dest = FindDir(dest_path);
  PDEntry source = FindDir(source_path);
  if (!dest || !source) return false;
  PFEntry entry = FindFile(source, long_name);
  if (!entry) return false;
  return MoveFile(dest, source, entry);
}

bool TOrlixBurner::RenameFile(PFEntry entry, const std::string& long_name, const std::string& short_name) {
  if (!entry) return false;
  PDEntry dir = entry->Dir;
  if (dir) {
    PDEntry other = FindDir(ChildPath(dir->Parent, long_name));
    if (other && other != dir) return false;  // two directories of one path
  }
  const std::string old_long_name = entry->LongName;
  entry->LongName = long_name;
  tree_index::Renamed(entry, old_long_name);
  if (dir) {
    dir->LongName = long_name;
    RebuildPaths(dir);
  }
  entry->JolietName.clear();
  prepared_ = false;
  const std::string name = short_name.empty() ? long_name : short_name;
  if (name.size() > 13) return false;
  const std::string given_name = UpperCaseAscii(name);
  // Only the folder holding the entry can say whether the name is taken.
  PDEntry holder = tree_index::OwnerOf(entry);
  PFEntry prev = nullptr;
  if (holder && !tree_index::Locate(holder, entry, prev)) holder = nullptr;
  const std::string old_name = entry->Name;
  entry->Name = holder ? UniqueShortName(holder, given_name, entry) : given_name;
  if (dir) dir->Name = entry->Name;
  if (entry->Name != old_name) tree_index::ShortRenamed(entry, old_name);
  if (holder && entry->Name != given_name)
    ReportNameChange(*this, EntryImagePath(holder, entry->LongName), given_name, entry->Name,
                     TNameChange::ncIsoUnique);
  return true;
}

bool TOrlixBurner::RenameFile(const std::string& dir_path, const std::string& old_long_name,
                              const std::string& long_name, const std::string& short_name) {
  PDEntry dir = FindDir(dir_path);
  if (!dir) return false;
  PFEntry entry = FindFile(dir, old_long_name);
  if (!entry) return false;
  return RenameFile(entry, long_name, short_name);
}

}  // namespace orlix
