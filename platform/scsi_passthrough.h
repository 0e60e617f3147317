// The operating system's SCSI pass-through for CD/DVD drives, by drive index
// (0 = A: ... 25 = Z:).
//
// Windows: the drive letters themselves, \\.\X: with SCSI_PASS_THROUGH_DIRECT.
// Linux: the letters C: to Z: stand for /dev/sr0 to /dev/sr23 (A: and B:
// are never drives), driven with SG_IO.
#pragma once

#include <cstdint>
#include <string>

namespace orlix {

using TDriveHandle = intptr_t;
constexpr TDriveHandle kNoDriveHandle = -1;

// Data direction of a pass-through request.
constexpr uint8_t kDataOut = 0;
constexpr uint8_t kDataIn = 1;
constexpr uint8_t kNoData = 2;

constexpr int kPassThroughSenseLen = 32;  // sense space the system may fill

struct TPassThroughRequest {
  uint8_t cdb[16] = {};
  uint8_t cdb_length = 0;  // 1 to 16
  uint8_t direction = kNoData;
  void* buffer = nullptr;
  uint32_t length = 0;
  uint32_t timeout_seconds = 120;
  // In: sense bytes wanted (at most kPassThroughSenseLen); out: bytes delivered.
  uint8_t sense_length = 0;
  uint8_t sense[kPassThroughSenseLen] = {};
  uint8_t scsi_status = 0;  // out: the target's status byte
  // Out: an ASPI host adapter status for failures below the target (timeouts,
  // lost connection); 0 where the system does not tell.
  uint8_t adapter_status = 0;
};

struct TScsiAddress {
  uint8_t port = 0;  // host adapter
  uint8_t path = 0;
  uint8_t target = 0;
  uint8_t lun = 0;
};

// The name the system gives the drive: "\\.\E:" or "/dev/sr2".
std::string DriveDevicePath(int drive_index);
// True when the system shows a CD/DVD drive at that index.
bool IsCdDrive(int drive_index);
// Read and write access first, then read only; kNoDriveHandle when neither opens.
TDriveHandle OpenDrive(int drive_index);
bool CloseDrive(TDriveHandle handle);
// False when the system call itself fails; otherwise the outcome is in the
// request (scsi_status, sense, adapter_status).
bool SendPassThrough(TDriveHandle handle, TPassThroughRequest& request);
// False when the system does not report an address for the drive.
bool GetScsiAddress(TDriveHandle handle, TScsiAddress& address);

// Critical-error dialogs are switched off while drives and libraries are
// probed (Windows); returns the mode to restore. No-ops elsewhere.
uint32_t SetQuietErrorMode();
void RestoreErrorMode(uint32_t previous);

}  // namespace orlix
