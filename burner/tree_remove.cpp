// Removing entries and directories; records are released at once.
#include "burner/burner.h"
#include "burner/burner_state.h"
#include "iso/tree_index.h"

namespace orlix {

bool TOrlixBurner::RemoveFile(PDEntry& dir, PFEntry& entry) {
  PFEntry prev = nullptr;
  // Located by identity: with two entries of one name (after a move or a
  // rename) a look-up by name could unlink the wrong one.
  if (!tree_index::Locate(dir, entry, prev)) return false;
  PrevFile = prev;
  if (entry->Dir) {
    RemoveDir_r(entry);
    PDEntry sub = entry->Dir;
    DeleteDirEntry(sub);
    entry->Dir = nullptr;
    tree_index::Locate(dir, entry, prev);
  }
  tree_index::Unlink(dir, entry, prev);
  DeleteFileEntry(entry);
  return true;
}

bool TOrlixBurner::RemoveFile(const std::string& dir_path, const std::string& long_name) {
  PDEntry dir = FindDir(dir_path);
  if (!dir) return false;
  PFEntry entry = FindFile(dir, long_name);
  if (!entry) return false;
  return RemoveFile(dir, entry);
}

bool TOrlixBurner::RemoveDir_r(PFEntry& entry) {
  if (!entry || !entry->Dir) return true;
  PDEntry dir = entry->Dir;
  while (PFEntry first = dir->FirstFile) {
    if (!RemoveFile(dir, first)) break;  // a chain the index cannot follow
  }
  dir->FirstFile = nullptr;
  tree_index::ChainChanged(dir);
  return true;
}

PFEntry TOrlixBurner::EntryOfDir(PDEntry dir, PDEntry& holder) {
  holder = dir->Parent;
  if (PFEntry e = FindFile(holder, dir->LongName); e && e->Dir == dir) return e;
  // Renamed or moved: find the entry by what it stands for.
  for (int32_t i = 0; i < FileCounter; ++i) {
    PFEntry e = Files[i];
    if (!e || e->Dir != dir) continue;
    PFEntry prev = nullptr;
    holder = tree_index::OwnerOf(e);
    if (holder && tree_index::Locate(holder, e, prev)) return e;
    for (int32_t d = 0; d < DirCounter; ++d) {
      if (Dirs[d] && tree_index::Locate(Dirs[d], e, prev)) {
        holder = Dirs[d];
        return e;
      }
    }
  }
  holder = nullptr;
  return nullptr;
}

bool TOrlixBurner::RemoveDir(PDEntry& dir) {
  if (!dir || dir == root_ || dir->Path == "\\") return false;
  while (PFEntry first = dir->FirstFile) {
    if (!RemoveFile(dir, first)) break;
  }
  PDEntry holder = nullptr;
  PFEntry entry = EntryOfDir(dir, holder);
  if (entry) {
    RemoveFile(holder, entry);  // releases the directory record too
  } else {
    DeleteDirEntry(dir);
  }
  dir = nullptr;
  return true;
}

bool TOrlixBurner::RemoveDir(const std::string& path) {
  PDEntry dir = FindDir(path);
  if (!dir) return false;
  return RemoveDir(dir);
}

bool TOrlixBurner::RemoveEmptyDirs() {
  for (int32_t i = 1; i < DirCounter; ++i) {
    PDEntry dir = Dirs[i];
    if (dir && !dir->FirstFile && RemoveDir(dir)) i = 0;  // its parent may be empty now
  }
  return true;
}

}  // namespace orlix
