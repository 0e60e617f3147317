#include "platform/scsi_passthrough.h"

#include <fcntl.h>
#include <limits.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace orlix {

namespace {

constexpr int kFirstLetter = 2;  // C:
constexpr int kLastLetter = 25;  // Z:

// Host byte of SG_IO (the kernel's DID_ codes, not exported to user space).
constexpr uint16_t kDidOk = 0x00, kDidNoConnect = 0x01, kDidTimeOut = 0x03, kDidBadTarget = 0x04,
                   kDidAbort = 0x05, kDidParity = 0x06, kDidReset = 0x08;
// Driver byte, low nibble.
constexpr uint16_t kDriverTimeout = 0x06, kDriverSense = 0x08;

int Fd(TDriveHandle handle) { return static_cast<int>(handle); }

// ASPI addresses are one decimal digit each (host adapter) and 0 to 7
// (target, LUN); a drive beyond that is treated as unaddressed and lands on
// the virtual adapter, so that its ID string stays parseable.
bool FitsAspi(unsigned host, unsigned target, unsigned lun) { return host <= 9 && target <= 7 && lun <= 7; }

bool AddressFromSysfs(int fd, TScsiAddress& address) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISBLK(st.st_mode)) return false;
  char link[64];
  std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u/device", major(st.st_rdev), minor(st.st_rdev));
  char target[PATH_MAX];
  ssize_t n = readlink(link, target, sizeof target - 1);
  if (n <= 0) return false;
  target[n] = '\0';
  const char* base = target;
  for (const char* p = target; *p; ++p)
    if (*p == '/') base = p + 1;
  unsigned h, c, t, l;
  if (std::sscanf(base, "%u:%u:%u:%u", &h, &c, &t, &l) != 4) return false;
  if (!FitsAspi(h, t, l)) return false;
  address = {static_cast<uint8_t>(h), static_cast<uint8_t>(c), static_cast<uint8_t>(t),
             static_cast<uint8_t>(l)};
  return true;
}

uint8_t AdapterStatus(const sg_io_hdr_t& h) {
  switch (h.host_status) {
    case kDidOk:
      break;
    case kDidNoConnect:
    case kDidBadTarget:
      return 0x11;  // selection timeout
    case kDidTimeOut:
      return 0x09;  // command timed out
    case kDidAbort:
      return 0x0B;  // request timed out and was aborted
    case kDidParity:
      return 0x0F;
    case kDidReset:
      return 0x0E;
    default:
      return 0x13;  // any other loss of the target
  }
  uint16_t driver = h.driver_status & 0x0F;
  if (driver == kDriverTimeout) return 0x09;
  if (driver != 0 && driver != kDriverSense) return 0x13;
  return 0;
}

}  // namespace

std::string DriveDevicePath(int drive_index) {
  if (drive_index < kFirstLetter || drive_index > kLastLetter) return std::string();
  return "/dev/sr" + std::to_string(drive_index - kFirstLetter);
}

bool IsCdDrive(int drive_index) {
  std::string path = DriveDevicePath(drive_index);
  if (path.empty()) return false;
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
}

TDriveHandle OpenDrive(int drive_index) {
  std::string path = DriveDevicePath(drive_index);
  if (path.empty()) return kNoDriveHandle;
  // Non-blocking, so that a drive without a medium opens too.
  int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  return fd < 0 ? kNoDriveHandle : static_cast<TDriveHandle>(fd);
}

bool CloseDrive(TDriveHandle handle) { return handle >= 0 && close(Fd(handle)) == 0; }

bool SendPassThrough(TDriveHandle handle, TPassThroughRequest& request) {
  if (handle < 0 || request.cdb_length == 0 || request.cdb_length > sizeof request.cdb) return false;
  sg_io_hdr_t h{};
  h.interface_id = 'S';
  h.cmd_len = request.cdb_length;
  h.cmdp = request.cdb;
  h.mx_sb_len = std::min<uint8_t>(request.sense_length, kPassThroughSenseLen);
  h.sbp = request.sense;
  h.timeout = request.timeout_seconds * 1000;
  if (request.direction == kNoData || request.length == 0 || !request.buffer) {
    h.dxfer_direction = SG_DXFER_NONE;
  } else {
    h.dxfer_direction = request.direction == kDataIn ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
    h.dxfer_len = request.length;
    h.dxferp = request.buffer;
  }
  int r;
  do {
    r = ioctl(Fd(handle), SG_IO, &h);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return false;
  request.scsi_status = h.status;
  request.sense_length = std::min<uint8_t>(h.sb_len_wr, h.mx_sb_len);
  request.adapter_status = AdapterStatus(h);
  return true;
}

bool GetScsiAddress(TDriveHandle handle, TScsiAddress& address) {
  if (handle < 0) return false;
  struct {
    int dev_id;
    int host_unique_id;
  } idlun{};
  if (ioctl(Fd(handle), SCSI_IOCTL_GET_IDLUN, &idlun) == 0) {
    unsigned id = idlun.dev_id & 0xFF, lun = (idlun.dev_id >> 8) & 0xFF;
    unsigned channel = (idlun.dev_id >> 16) & 0xFF, host = (idlun.dev_id >> 24) & 0xFF;
    if (!FitsAspi(host, id, lun)) return false;
    address = {static_cast<uint8_t>(host), static_cast<uint8_t>(channel), static_cast<uint8_t>(id),
               static_cast<uint8_t>(lun)};
    return true;
  }
  return AddressFromSysfs(Fd(handle), address);
}

uint32_t SetQuietErrorMode() { return 0; }
void RestoreErrorMode(uint32_t) {}

}  // namespace orlix
