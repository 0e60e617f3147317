#include "platform/scsi_passthrough.h"

#include <windows.h>
// After windows.h, which it needs.
#include <ntddscsi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace orlix {

namespace {

// The pass-through header, padding and the sense space in one buffer: 80
// bytes in 32-bit builds (44 + 4 + 32), the sense at a fixed offset.
struct TPassThroughBuffer {
  SCSI_PASS_THROUGH_DIRECT header;
  ULONG filler;
  UCHAR sense[kPassThroughSenseLen];
};

HANDLE Handle(TDriveHandle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

std::string DriveDevicePath(int drive_index) {
  if (drive_index < 0 || drive_index > 25) return std::string();
  return std::string("\\\\.\\") + static_cast<char>('A' + drive_index) + ":";
}

bool IsCdDrive(int drive_index) {
  if (drive_index < 0 || drive_index > 25) return false;
  char root[] = "A:\\";
  root[0] = static_cast<char>('A' + drive_index);
  return GetDriveTypeA(root) == DRIVE_CDROM;
}

TDriveHandle OpenDrive(int drive_index) {
  std::string path = DriveDevicePath(drive_index);
  if (path.empty()) return kNoDriveHandle;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  return h == INVALID_HANDLE_VALUE ? kNoDriveHandle : reinterpret_cast<TDriveHandle>(h);
}

bool CloseDrive(TDriveHandle handle) { return handle != kNoDriveHandle && CloseHandle(Handle(handle)) != 0; }

bool SendPassThrough(TDriveHandle handle, TPassThroughRequest& request) {
  if (handle == kNoDriveHandle || request.cdb_length == 0 || request.cdb_length > sizeof request.cdb)
    return false;
  TPassThroughBuffer b;
  std::memset(&b, 0, sizeof b);
  b.header.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  b.header.CdbLength = request.cdb_length;
  // The sense space holds 32 bytes; asking for more would let the system
  // write past it.
  b.header.SenseInfoLength = std::min<UCHAR>(request.sense_length, kPassThroughSenseLen);
  b.header.DataIn = request.direction == kDataIn    ? SCSI_IOCTL_DATA_IN
                    : request.direction == kDataOut ? SCSI_IOCTL_DATA_OUT
                                                    : SCSI_IOCTL_DATA_UNSPECIFIED;
  b.header.DataTransferLength = request.length;
  b.header.TimeOutValue = request.timeout_seconds;
  b.header.DataBuffer = request.buffer;
  b.header.SenseInfoOffset = offsetof(TPassThroughBuffer, sense);
  std::memcpy(b.header.Cdb, request.cdb, request.cdb_length);
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(Handle(handle), IOCTL_SCSI_PASS_THROUGH_DIRECT, &b, sizeof b, &b, sizeof b,
                            &returned, nullptr);
  request.scsi_status = b.header.ScsiStatus;
  request.sense_length = std::min<UCHAR>(b.header.SenseInfoLength, kPassThroughSenseLen);
  std::memcpy(request.sense, b.sense, request.sense_length);
  request.adapter_status = 0;  // the system does not tell
  return ok != 0;
}

bool GetScsiAddress(TDriveHandle handle, TScsiAddress& address) {
  if (handle == kNoDriveHandle) return false;
  SCSI_ADDRESS a;
  std::memset(&a, 0, sizeof a);
  a.Length = sizeof a;
  DWORD returned = 0;
  if (!DeviceIoControl(Handle(handle), IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &a, sizeof a, &returned, nullptr))
    return false;
  address = {a.PortNumber, a.PathId, a.TargetId, a.Lun};
  return true;
}

uint32_t SetQuietErrorMode() { return SetErrorMode(SEM_FAILCRITICALERRORS); }
void RestoreErrorMode(uint32_t previous) { SetErrorMode(previous); }

}  // namespace orlix
