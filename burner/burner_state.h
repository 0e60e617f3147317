// Process-wide state of the burner shared by its operations.
#pragma once

#include <cstdint>

#include "iso/tree.h"

namespace orlix {

// Predecessor of the entry last located by FindFile, RemoveFile or MoveFile
// in its directory's chain; nil when that entry is the first.
extern PFEntry PrevFile;
// 2048 zero bytes the writers pad with.
extern uint8_t ZeroSector[2048];

}  // namespace orlix
