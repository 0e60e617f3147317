// Utilities around the host files of the tree: folder sizes, a check that
// every source can still be read, and clearing the archive attribute.
#include "burner/burner.h"
#include "burner/tree_names.h"
#include "platform/file_io.h"
#include "platform/file_search.h"

namespace orlix {

int64_t TOrlixBurner::GetDirSize(const std::string& host_path) {
  const bool folder = !host_path.empty() && IsHostDelim(host_path.back());
  // A pattern's matches live in the pattern's folder; folders it matches are
  // counted whole.
  const std::string base = folder ? host_path : HostFolderOf(host_path);
  int64_t total = 0;
  TSearchRec rec;
  for (int rc = FindFirst(folder ? host_path + "*.*" : host_path, faAnyFile, rec); rc == 0;
       rc = FindNext(rec)) {
    if (rec.Attr & faDirectory) {
      if (rec.Name != "." && rec.Name != "..") total += GetDirSize(base + rec.Name + PathDelim);
    } else {
      total += rec.Size64();
    }
  }
  FindClose(rec);
  return total;
}

bool TOrlixBurner::TestFiles() {
  bool result = true;
  for (int32_t i = 0; i < FileCounter; ++i) {
    PFEntry f = Files[i];
    if (!f || f->Dir || (f->Attr & faDirectory)) continue;
    THandle h =
        f->SourcePath.empty() ? kInvalidHandle : FileOpen(f->SourcePath, fmOpenRead | fmShareDenyNone);
    if (h != kInvalidHandle) {
      FileClose(h);
      continue;
    }
    result = false;
    bool stop = true;
    if (OnFileTestFailed) OnFileTestFailed(this, f->SourcePath, stop);
    if (stop) break;
  }
  return result;
}

namespace {

void ClearArchiveBits(bool selected_only) {
  for (int32_t i = 0; i < FileCounter; ++i) {
    PFEntry f = Files[i];
    if (!f || f->Dir || (f->Attr & faDirectory) || !(f->Attr & faArchive)) continue;
    if (selected_only && !f->ArchiveSelected) continue;
    FileSetAttr(f->SourcePath, f->Attr & ~faArchive);  // host errors do not matter here
  }
}

}  // namespace

bool TOrlixBurner::ResetFilesArchiveBit() {
  ClearArchiveBits(true);
  return true;
}

bool TOrlixBurner::ResetAllFilesArchiveBit() {
  ClearArchiveBits(false);
  return true;
}

}  // namespace orlix
