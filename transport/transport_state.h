// The transport's process-wide state and entry points: the two pointers every
// drive request goes through, the choice of the layer behind them (an outside
// ASPI manager library or the pass-through emulation "OXASPI32"), and the
// emulation's drive table.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/dynamic_library.h"
#include "platform/scsi_passthrough.h"
#include "transport/srb.h"

namespace orlix {

// ---- Layer selection ----

// Name of the emulation layer.
extern const char* const kEmulationLayerName;  // "OXASPI32"
// Base name of an outside ASPI manager; its file name is the platform's
// library name for it (libwnaspi32.so, wnaspi32.dll), which is also the layer
// name while one is active.
extern const char* const kAspiManagerBaseName;  // "wnaspi32"

// Both null while no layer is active.
extern TSendASPI32Command SendASPI32Command;
extern TGetASPI32SupportInfo GetASPI32SupportInfo;
// A layer is active and the two pointers may be called.
extern std::atomic<bool> ASPIDLLLoaded;
// The outside library's file name or "OXASPI32"; empty when none is active.
extern std::string ASPILayerName;
// The TryInternalFirst argument of the last _InitializeASPI.
extern bool TryInternalASPIFirst;
// The loaded outside library; null when none.
extern TLibHandle ASPILibHandle;
// Where the loaded outside library came from (the name given to the loader).
extern std::string ASPILibPath;
// Why the last _InitializeASPI could not use a library it loaded (a missing
// entry point); empty otherwise. The device component shows it.
extern std::string ASPILayerError;

// Selects and starts a layer: the emulation first when TryInternalFirst and
// the system shows a CD/DVD drive; otherwise an outside manager from
// LibraryPath (when not empty), the current directory, then the system's
// library search; the emulation as the fallback. Returns ASPIDLLLoaded.
bool _InitializeASPI(bool TryInternalFirst, const std::string& LibraryPath);
// Stops the active layer and selects again (no library path). Always true.
bool _ReInitializeASPI();
// Unloads the outside library; leaves the emulation running.
bool _DeInitializeASPI();

// ---- Pass-through emulation ----

struct TSPTIDrive {
  uint8_t adapter;
  uint8_t target;       // 120 for a drive letter that is not a CD/DVD drive
  uint8_t lun;          // 250 while the system reported no address (probe only)
  uint8_t drive_index;  // 0 = A:
  uint8_t used;         // 1 when a CD/DVD drive answered the probe
  TDriveHandle handle;  // kNoDriveHandle when closed
  uint8_t inquiry[40];  // the start of the probe's INQUIRY data
};

struct TSPTIDrives {
  uint8_t adapter_count;
  TSPTIDrive drive[27];  // by drive index; only 2 (C:) to 26 are used
};

constexpr uint8_t kNotACdDrive = 120;
constexpr uint8_t kUnreportedLun = 250;

extern TSPTIDrives ScsiDrives;
// The table has been built.
extern bool SPTIAvailable;
// Close a drive's handle after every command instead of keeping it open.
extern std::atomic<bool> CloseFH;
// Next target number on the virtual adapter.
extern uint8_t tgn;
// Receives the probe INQUIRY data.
extern uint8_t inqData[1025];

// Builds the table; the number of CD/DVD drives found, 0 when it exists.
int SPTIInit();
// Closes every handle and clears the table; false when there was none.
bool SPTIDeInit();
// Index of the first used entry at that address, 0 when none.
int SPTIFindDrive(uint8_t adapter, uint8_t target, uint8_t lun);
TDriveHandle SPTIOpenDrive(int drive_index);

// The emulation's entry points.
uint32_t __SendASPI32Command(void* srb);
uint32_t __GetASPI32SupportInfo();
// The drive letter at that address, 0x7F when none.
char GetDriveLetterOXASPI(uint8_t adapter, uint8_t target, uint8_t lun);

// The system calls behind the emulation and behind drive-letter lookups;
// tests put a fake system here.
struct TPassThroughOps {
  std::function<bool(int drive_index)> is_cd_drive;
  std::function<TDriveHandle(int drive_index)> open;
  std::function<bool(TDriveHandle)> close;
  std::function<bool(TDriveHandle, TPassThroughRequest&)> send;
  std::function<bool(TDriveHandle, TScsiAddress&)> get_address;
};
extern TPassThroughOps PassThrough;
// The system's own functions.
TPassThroughOps SystemPassThrough();

}  // namespace orlix
