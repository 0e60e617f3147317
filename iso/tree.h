// The in-memory file tree: directory records, entry records and the
// process-wide tables that hold them, with the other shared settings of the
// image builder. One tree per process; the burner component owns the records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/date_time.h"

namespace orlix {

struct TTimeZoneInformation;  // platform/time_zone.h

struct TDEntry;
struct TFEntry;
using PDEntry = TDEntry*;
using PFEntry = TFEntry*;

// One directory of the image.
struct TDEntry {
  std::string Name;      // ISO 9660 name, upper case; root "CD_ROOT"
  std::string LongName;  // Joliet name as given; root "CD Root Directory"
  // The Joliet name as written (UTF-8), set by preparation: LongName made
  // writable and unique in its folder. Empty until then.
  std::string JolietName;
  int64_t Size = 0;  // bytes of the ISO extent, set by the layout
  int64_t SizeJ = 0;     // bytes of the Joliet extent
  std::string Path;      // "\" for the root, else "\A\B" upper case; key of FindDir
  uint32_t Address = 0;  // sectors from the start of the directory area
  uint32_t AddressJ = 0;
  uint8_t Level = 0;   // root 1
  int32_t Number = 0;  // path-table number, root 1
  PDEntry Parent = nullptr;
  PFEntry FirstFile = nullptr;
};

// One entry of a directory: a file, or the entry of a sub-directory.
struct TFEntry {
  std::string Name;        // ISO 9660 name, upper case
  std::string LongName;    // Joliet name as given; key of FindFile (case-insensitive)
  std::string JolietName;  // as TDEntry::JolietName
  std::string SourcePath;  // host file; empty for memory and imported files
  bool Imported = false;   // data already on the disc; addresses are absolute
  TDateTime DateTime = 0;
  int64_t Size = 0;       // length in ISO records
  int64_t SizeJ = 0;      // length in Joliet records
  int64_t AllocSize = 0;  // bytes reserved for a form-2 file
  uint32_t Address = 0;
  uint32_t AddressJ = 0;
  int32_t Attr = 0;  // 0x10 marks a directory-type entry
  bool ArchiveSelected = false;
  PDEntry Dir = nullptr;  // the directory a directory-type entry stands for
  PFEntry Next = nullptr;
  bool Form2 = false;
  void* Data = nullptr;  // a memory file's bytes, owned by the caller
  // The length before Sectors2 replaced Size by the sector-rounded length, so
  // that every preparation starts from the file's real size; -1 until then.
  int64_t Form2SourceSize = -1;
};

// Tables of the tree (see the burner's ClearAll, New_D and New_F).
extern std::vector<PDEntry> Dirs;
extern std::vector<PDEntry> PathTable;
extern std::vector<PDEntry> PathTableJ;
extern std::vector<PFEntry> Files;
extern int32_t DirCounter;
extern int32_t FileCounter;
extern int32_t MaxDirs;
extern int32_t MaxFiles;
// Offset of local time from GMT in 15-minute units, east positive.
extern int16_t TimeZoneDiff;
extern TTimeZoneInformation TimeZoneInformation;

// Settings read by insertion, ordering and the record writers.
extern bool IsPrev;          // new entries are form-2 files
extern bool DirectoryFirst;  // directories sort before files
extern uint32_t ELen;        // system-use bytes per directory record: 0 or 14

// The tree editing keeps look-up indexes (directories by path, entries by
// long name, the end of every chain). Code that re-links a directory's chain
// itself (sorting it, moving entries between chains, linking records it made
// with New_F) calls this afterwards, once per directory it touched, so that
// the indexes are rebuilt from the chain on their next use.
void ChainChanged(PDEntry dir);

}  // namespace orlix
