// Process-wide state of the burner shared by its operations.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "iso/tree.h"

namespace orlix {

// Predecessor of the entry last located by FindFile, RemoveFile or MoveFile
// in its directory's chain; nil when that entry is the first.
extern PFEntry PrevFile;
// 2048 zero bytes the writers pad with.
extern uint8_t ZeroSector[2048];

// --- Recording: one at a time per process -------------------------------
class TOrlixBurner;
class TCacheThread;
class TThWrite;

// The burner being recorded with, set by the burn operations before they
// start anything.
extern TOrlixBurner* RecordingBurner;
// The read-ahead thread of the current (or last) recording. The burner
// frees it when the next recording starts or when it is destroyed, never
// while a writer may still read it.
extern std::unique_ptr<TCacheThread> CacheThread;
// The running writer; it frees itself when it ends, and clears this last.
extern std::atomic<TThWrite*> WriterThread;
// Set by Abort, cleared when the writer is started.
extern std::atomic<bool> Aborted;
// True while the writer runs (BufferProgress reads 0 otherwise).
extern std::atomic<bool> Writing;

}  // namespace orlix
