// The tables of the tree: starting over, registering and releasing records.
#include <algorithm>
#include <cstring>

#include "burner/burner.h"
#include "burner/burner_state.h"
#include "iso/tree_index.h"
#include "messages/messages.h"
#include "platform/time_zone.h"

namespace orlix {

namespace {

// Removes slot `slot` of `table`, whose used part ends at `count`.
template <typename T>
void CloseGap(std::vector<T>& table, int32_t slot, int32_t count) {
  std::copy(table.begin() + slot + 1, table.begin() + count, table.begin() + slot);
}

template <typename T>
int32_t SlotOf(const std::vector<T>& table, int32_t count, T record) {
  // Recent records are the ones removed most often (emptied folders).
  for (int32_t i = std::min<int32_t>(count, static_cast<int32_t>(table.size())) - 1; i >= 0; --i) {
    if (table[i] == record) return i;
  }
  return -1;
}

}  // namespace

bool TOrlixBurner::ClearAll(int32_t AMaxFiles, int32_t AMaxDirs) {
  const bool daylight = GetTimeZoneInformation(TimeZoneInformation);
  int32_t diff = -TimeZoneInformation.Bias / 15;
  if (daylight) diff += -TimeZoneInformation.DaylightBias / 15;
  TimeZoneDiff = static_cast<int16_t>(diff);

  header_stream_->Clear();

  for (int32_t i = 0; i < DirCounter && i < static_cast<int32_t>(Dirs.size()); ++i) {
    delete Dirs[i];
    Dirs[i] = nullptr;
  }
  for (int32_t i = 0; i < FileCounter && i < static_cast<int32_t>(Files.size()); ++i) {
    delete Files[i];
    Files[i] = nullptr;
  }
  tree_index::Reset();

  // The root needs a slot, and a negative capacity would not make a table.
  MaxDirs = std::max<int32_t>(AMaxDirs, 1);
  MaxFiles = std::max<int32_t>(AMaxFiles, 0);
  Dirs.assign(MaxDirs, nullptr);
  PathTable.assign(MaxDirs, nullptr);
  PathTableJ.assign(MaxDirs, nullptr);
  Files.assign(MaxFiles, nullptr);

  FileCounter = 0;
  DirCounter = 0;
  std::memset(ZeroSector, 0, sizeof ZeroSector);
  PrevFile = nullptr;
  last_inserted_ = nullptr;
  prepared_ = false;

  New_D(root_);
  root_->FirstFile = nullptr;
  root_->Path = "\\";
  root_->Name = "CD_ROOT";
  root_->LongName = "CD Root Directory";
  root_->Level = 1;
  root_->Parent = root_;
  return true;
}

void TOrlixBurner::New_D(PDEntry& D) {
  // MaxDirs is exported: never trust it beyond the tables' real length.
  if (DirCounter >= MaxDirs || DirCounter >= static_cast<int32_t>(Dirs.size()) ||
      DirCounter >= static_cast<int32_t>(PathTable.size()) ||
      DirCounter >= static_cast<int32_t>(PathTableJ.size())) {
    DebugMsg(">>> " + Format(ERR_MAXDIRS, MaxDirs), 3);
    table_full_ = true;
    D = nullptr;
    return;
  }
  D = new TDEntry();
  Dirs[DirCounter] = D;
  PathTable[DirCounter] = D;
  PathTableJ[DirCounter] = D;
  ++DirCounter;
}

void TOrlixBurner::New_F(PFEntry& F) {
  if (FileCounter >= MaxFiles || FileCounter >= static_cast<int32_t>(Files.size())) {
    DebugMsg(Format(ERR_MAXFILES, MaxFiles), 3);
    table_full_ = true;
    F = nullptr;
    return;
  }
  F = new TFEntry();
  Files[FileCounter] = F;
  ++FileCounter;
}

void TOrlixBurner::DeleteFileEntry(PFEntry& F) {
  const int32_t slot = SlotOf(Files, FileCounter, F);
  if (slot < 0) return;
  CloseGap(Files, slot, FileCounter);
  --FileCounter;
  Files[FileCounter] = nullptr;
  tree_index::EntryReleased(F);
  if (last_inserted_ == F) last_inserted_ = nullptr;
  if (PrevFile == F) PrevFile = nullptr;
  delete F;
  F = nullptr;
}

void TOrlixBurner::DeleteDirEntry(PDEntry& D) {
  const int32_t slot = SlotOf(Dirs, DirCounter, D);
  if (slot <= 0) return;  // unknown, or the root
  for (auto* table : {&Dirs, &PathTable, &PathTableJ}) {
    const int32_t s = SlotOf(*table, DirCounter, D);
    if (s > 0) CloseGap(*table, s, DirCounter);
  }
  --DirCounter;
  Dirs[DirCounter] = nullptr;
  PathTable[DirCounter] = nullptr;
  PathTableJ[DirCounter] = nullptr;
  tree_index::DirReleased(D, slot);
  delete D;
  D = nullptr;
}

}  // namespace orlix
