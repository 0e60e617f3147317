// Waiting until the drive is ready after a long operation, and leaving it in
// its everyday state after a recording or an erase.
#include <algorithm>
#include <cstring>

#include "device/device_state.h"
#include "device/scsi_device.h"
#include "framework/sleep.h"

namespace orlix {

namespace {
constexpr uint8_t kMediumDvdRam = 6;
constexpr uint8_t kNotReadyAsc = 0x04;
}  // namespace

bool TSCSIDevice::WaitForReady(int Timeout, int Interval) {
  // A zero interval would never use up the time.
  Interval = std::max(Interval, 1);
  int remaining = Timeout;
  std::memset(_SenseInfo, 0, sizeof _SenseInfo);
  auto not_ready = [this] { return last_sense_[12] == kNotReadyAsc; };

  if (f_poll_ready_ || fSlowReady) {
    do {
      Sleep(1500);
      remaining -= 1500;
      if (remaining < 0) break;
      TestUnitReady(5000);
    } while (not_ready());
  }
  if (MediumIs != kMediumDvdRam) {
    // A drive that is ready already costs no interval: a recording asks
    // this several times, most often of a drive that is.
    ReadDiscInformation();
    while (not_ready()) {
      Sleep(static_cast<uint32_t>(Interval));
      ReadDiscInformation();
      remaining -= Interval;
      if (remaining < 0) return false;
    }
  } else {
    _SenseInfo[12] = kNotReadyAsc;  // DVD-RAM: never take the first answer
  }
  if (TestUnitReady(5000) && _SenseInfo[12] == 0) return true;
  do {
    Sleep(static_cast<uint32_t>(Interval));
    remaining -= Interval;
    if (remaining < 0) return false;
    TestUnitReady(5000);
  } while (not_ready());
  do {
    std::memset(_SenseInfo, 0, sizeof _SenseInfo);
    RequestSense(_SenseInfo, sizeof _SenseInfo);
    remaining -= Interval;
    if (remaining < 0) return false;
    if (_SenseInfo[0] == 0xF0) _SenseInfo[12] = kNotReadyAsc;
    if (_SenseInfo[12] == kNotReadyAsc) Sleep(static_cast<uint32_t>(Interval));
  } while (_SenseInfo[12] != 0);
  return true;
}

void TSCSIDevice::RestoreDrive() {
  SetWriteParams(false, false, false, kMediumCDROM);
  SetCDSpeed(MaxReadSpeed(), 2);
  Rewind();
  LockMedium(true);
  LoadMedium(false);
  Rewind();
  TestUnitReady(5000);
}

}  // namespace orlix
