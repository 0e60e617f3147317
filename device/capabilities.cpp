// What the drive can do and how fast: mode page 2Ah, default values for the
// abilities (current ones where the drive has no defaults), current values
// for the speeds, and two features that the page
// cannot express (DVD+R/+RW, and DVD-R/-RW writing on drives whose page
// under-reports it).
#include <algorithm>
#include <cstring>

#include "device/byte_order.h"
#include "device/device_state.h"
#include "device/mode_page.h"
#include "device/scsi_device.h"

namespace orlix {

namespace {

constexpr uint8_t kCapabilitiesPageCode = 0x2A;
constexpr uint16_t kDvdOneX = 1385;  // KB/s

// Page 2Ah offsets.
constexpr int kReadAbilities = 2, kWriteAbilities = 3, kBufferFlags = 4, kMaxReadSpeed = 8, kBufferSize = 12,
              kCurReadSpeed = 14, kMaxWriteSpeed = 18, kCurWriteSpeed = 20;

bool Bit(uint8_t byte, int bit) { return (byte >> bit) & 1; }

// Asks for one feature; true when the drive answers with that very feature.
// The buffer is cleared first so that a short answer cannot leave an old
// feature code standing.
bool HasFeature(TSCSIDevice& device, uint16_t feature) {
  std::memset(ConfigBuf, 0, sizeof ConfigBuf);
  return device.GetConfigData(2, feature, ConfigBuf, sizeof ConfigBuf) && GetBE16(ConfigBuf + 8) == feature;
}

}  // namespace

void TSCSIDevice::TakeCapabilitiesPage(int offset) {
  MoveModePageToFront(buf3, sizeof buf3, offset);
  std::memset(caps_page_, 0, sizeof caps_page_);
  std::memcpy(caps_page_, buf3, sizeof buf3);
}

uint16_t TSCSIDevice::CapabilitiesWord(int offset) const {
  uint16_t v;
  std::memcpy(&v, caps_page_ + offset, 2);
  return v;
}

bool TSCSIDevice::GetDeviceCapabilities(bool) {
  capabilities_ = {};
  device_max_write_speed_ = 0;
  device_max_read_speed_ = 0;
  std::memset(caps_page_, 0, sizeof caps_page_);
  std::memset(buf3, 0, sizeof buf3);

  // Where the current values are taken from when their page code is found
  // nowhere: where the default values were, else 15.
  int offset = 15;
  bool page = ModeSense10(kCapabilitiesPageCode, buf3, 255, 255, true);
  // A drive that keeps no default values (it refuses to report them) shows
  // what it can do in its current ones.
  if (!page) page = ModeSense10(kCapabilitiesPageCode, buf3, 255, 255, false);
  if (page) {
    offset = FindModePage(buf3, sizeof buf3, kCapabilitiesPageCode);
    if (offset < 0) offset = 8;
    TakeCapabilitiesPage(offset);
    const uint8_t read = caps_page_[kReadAbilities], write = caps_page_[kWriteAbilities];
    if (Bit(read, 0)) capabilities_.Include(dcReadCDR);
    if (Bit(read, 1)) capabilities_.Include(dcReadCDRW);
    if (Bit(read, 2)) capabilities_.Include(dcReadMethod2);
    if (Bit(read, 3)) capabilities_.Include(dcReadDVD);
    if (Bit(read, 4)) {
      capabilities_.Include(dcReadDVDR);
      capabilities_.Include(dcReadDVDRW);
    }
    if (Bit(read, 5)) capabilities_.Include(dcReadDVDRAM);
    if (Bit(write, 0)) capabilities_.Include(dcWriteCDR);
    if (Bit(write, 1)) capabilities_.Include(dcWriteCDRW);
    if (Bit(write, 2)) capabilities_.Include(dcWriteTest);
    if (Bit(write, 4)) {
      capabilities_.Include(dcWriteDVDR);
      capabilities_.Include(dcWriteDVDRW);
    }
    if (Bit(write, 5)) capabilities_.Include(dcWriteDVDRAM);
    if (Bit(caps_page_[kBufferFlags], 7) || IsJustLinkCapable() || f_force_underrun_)
      capabilities_.Include(dcUnderrunProtection);

    // A DVD-RAM drive may report no speed at all; it still writes.
    const bool ram_writer = Bit(write, 5);
    device_max_write_speed_ = GetBE16(caps_page_ + kMaxWriteSpeed);
    if (device_max_write_speed_ == 0 && ram_writer) device_max_write_speed_ = 1;
    device_max_read_speed_ = GetBE16(caps_page_ + kMaxReadSpeed);
    if (device_max_read_speed_ == 0 && ram_writer) device_max_read_speed_ = 1;
  }

  if (HasFeature(*this, 0x2A)) {  // DVD+RW
    capabilities_.Include(dcReadDVDPLUSR);
    capabilities_.Include(dcReadDVDPLUSRW);
    if (ConfigBuf[12] == 1) {
      capabilities_.Include(dcWriteDVDPLUSR);
      capabilities_.Include(dcWriteDVDPLUSRW);
    }
  }
  if (HasFeature(*this, 0x2F)) {  // DVD-R/-RW write
    capabilities_.Include(dcReadDVDR);
    capabilities_.Include(dcReadDVDRW);
    if (ConfigBuf[12] == 1) {
      capabilities_.Include(dcWriteDVDR);
      capabilities_.Include(dcWriteDVDRW);
    }
  }

  std::memset(buf3, 0, sizeof buf3);
  if (!ModeSense10(kCapabilitiesPageCode, buf3, 255, 128, false)) return false;
  const int found = FindModePage(buf3, sizeof buf3, kCapabilitiesPageCode);
  TakeCapabilitiesPage(found >= 0 ? found : offset);
  if (GetBE16(caps_page_ + kCurWriteSpeed) == 0) PutBE16(caps_page_ + kCurWriteSpeed, kDvdOneX);
  if (GetBE16(caps_page_ + kMaxWriteSpeed) == 0) PutBE16(caps_page_ + kMaxWriteSpeed, kDvdOneX);
  for (int field : {kCurWriteSpeed, kMaxWriteSpeed, kCurReadSpeed, kMaxReadSpeed, kBufferSize}) {
    const uint16_t v = GetBE16(caps_page_ + field);
    std::memcpy(caps_page_ + field, &v, 2);
  }
  std::memset(buf3, 0, sizeof buf3);
  device_max_write_speed_ = std::max(device_max_write_speed_, CapabilitiesWord(kMaxWriteSpeed));
  device_max_read_speed_ = std::max(device_max_read_speed_, CapabilitiesWord(kMaxReadSpeed));
  return true;
}

uint16_t TSCSIDevice::MaxWriteSpeed() {
  return GetDeviceCapabilities(false) ? CapabilitiesWord(kMaxWriteSpeed) : 0;
}
uint16_t TSCSIDevice::MaxReadSpeed() {
  return GetDeviceCapabilities(false) ? CapabilitiesWord(kMaxReadSpeed) : 0;
}
uint16_t TSCSIDevice::CurrentReadSpeed() {
  return GetDeviceCapabilities(false) ? CapabilitiesWord(kCurReadSpeed) : 0;
}
uint16_t TSCSIDevice::CurrentWriteSpeed() {
  return GetDeviceCapabilities(false) ? CapabilitiesWord(kCurWriteSpeed) : 0;
}

bool TSCSIDevice::SetWriteSpeed(uint16_t speed) {
  const bool ok = SetCDSpeed(read_speed_, speed);
  write_speed_ = speed;
  return ok;
}

bool TSCSIDevice::IsJustLinkCapable() {
  std::memset(buf3, 0, sizeof buf3);
  return ModeSense10(0x30, buf3, 255, 128, false) && FindModePage(buf3, sizeof buf3, 0x30) >= 0;
}

}  // namespace orlix
