#include "iso/tree.h"

#include "iso/tree_index.h"
#include "platform/time_zone.h"

namespace orlix {

std::vector<PDEntry> Dirs;
std::vector<PDEntry> PathTable;
std::vector<PDEntry> PathTableJ;
std::vector<PFEntry> Files;
int32_t DirCounter = 0;
int32_t FileCounter = 0;
int32_t MaxDirs = 8191;
int32_t MaxFiles = 65535;
int16_t TimeZoneDiff = 0;
TTimeZoneInformation TimeZoneInformation;

bool IsPrev = false;
bool DirectoryFirst = false;
uint32_t ELen = 0;

void ChainChanged(PDEntry dir) { tree_index::ChainChanged(dir); }

}  // namespace orlix
