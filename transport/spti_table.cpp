// The emulation's table of CD/DVD drives and their ASPI addresses.
#include <cstring>

#include "transport/transport_state.h"

namespace orlix {

TSPTIDrives ScsiDrives = {};
bool SPTIAvailable = false;
std::atomic<bool> CloseFH{false};
uint8_t tgn = 0;
uint8_t inqData[1025] = {};

namespace {

constexpr int kFirstIndex = 2;  // C:
constexpr int kLastLetterIndex = 25;
constexpr int kLastIndex = 26;  // one past Z:, never filled

uint8_t CountAdapters() {
  int highest = 0;
  for (int i = 1; i <= kLastIndex; ++i)
    if (ScsiDrives.drive[i].adapter > highest) highest = ScsiDrives.drive[i].adapter;
  return static_cast<uint8_t>(highest + 1);
}

void SPTIProbeDrive(int drive_index, TSPTIDrive& entry) {
  TDriveHandle handle = SPTIOpenDrive(drive_index);
  if (handle == kNoDriveHandle) return;
  std::memset(inqData, 0, sizeof inqData);
  TPassThroughRequest request;
  const uint8_t inquiry[6] = {0x12, 0, 0, 0, 0x60, 0};
  std::memcpy(request.cdb, inquiry, sizeof inquiry);
  request.cdb_length = 6;
  request.direction = kDataIn;
  request.buffer = inqData;
  request.length = 0x60;
  request.sense_length = 24;
  request.timeout_seconds = 120;
  if (!PassThrough.send(handle, request) || request.scsi_status != 0 || request.adapter_status != 0) {
    PassThrough.close(handle);
    return;
  }
  std::memcpy(entry.inquiry, inqData, sizeof entry.inquiry);
  TScsiAddress address;
  entry.used = 1;
  if (PassThrough.get_address(handle, address)) {
    entry.adapter = address.port;
    entry.target = address.target;
    entry.lun = address.lun;
  } else {
    entry.adapter = 0;
    entry.target = tgn++;
    entry.lun = kUnreportedLun;
  }
  entry.drive_index = static_cast<uint8_t>(drive_index);
  entry.handle = kNoDriveHandle;
  PassThrough.close(handle);
}

}  // namespace

TDriveHandle SPTIOpenDrive(int drive_index) { return PassThrough.open(drive_index); }

int SPTIInit() {
  if (SPTIAvailable) return 0;
  int found = 0;
  tgn = 0;
  std::memset(&ScsiDrives, 0, sizeof ScsiDrives);
  for (int i = kFirstIndex; i <= kLastIndex; ++i) ScsiDrives.drive[i].handle = kNoDriveHandle;
  for (int i = kFirstIndex; i <= kLastLetterIndex; ++i) {
    TSPTIDrive& entry = ScsiDrives.drive[i];
    if (PassThrough.is_cd_drive(i)) {
      SPTIProbeDrive(i, entry);
      if (entry.used) ++found;
    } else {
      entry.target = kNotACdDrive;
    }
  }
  ScsiDrives.adapter_count = CountAdapters();
  if (tgn != 0) {
    // Drives without an address share one virtual adapter after the real
    // ones, targets in drive-letter order.
    for (int i = kFirstIndex; i <= kLastIndex; ++i) {
      TSPTIDrive& entry = ScsiDrives.drive[i];
      if (entry.used && entry.lun == kUnreportedLun) {
        entry.lun = 0;
        entry.adapter = ScsiDrives.adapter_count;
      }
    }
    ScsiDrives.adapter_count = CountAdapters();
  }
  SPTIAvailable = true;
  return found;
}

bool SPTIDeInit() {
  if (!SPTIAvailable) return false;
  for (int i = kFirstIndex; i <= kLastIndex; ++i) {
    TSPTIDrive& entry = ScsiDrives.drive[i];
    if (entry.used && entry.handle != kNoDriveHandle) PassThrough.close(entry.handle);
  }
  std::memset(&ScsiDrives, 0, sizeof ScsiDrives);
  SPTIAvailable = false;
  return true;
}

int SPTIFindDrive(uint8_t adapter, uint8_t target, uint8_t lun) {
  for (int i = kFirstIndex; i <= kLastIndex; ++i) {
    const TSPTIDrive& entry = ScsiDrives.drive[i];
    if (entry.used && entry.adapter == adapter && entry.target == target && entry.lun == lun) return i;
  }
  return 0;
}

char GetDriveLetterOXASPI(uint8_t adapter, uint8_t target, uint8_t lun) {
  // Only drives that answered the probe: unused entries are zero-filled and
  // would all claim 0:0:0 with the letter A:.
  int i = SPTIFindDrive(adapter, target, lun);
  if (i == 0) return 0x7F;
  return static_cast<char>('A' + ScsiDrives.drive[i].drive_index);
}

}  // namespace orlix
