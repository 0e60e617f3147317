// Starting an erase: BLANK for CD-RW and DVD-RW, FORMAT UNIT (or, for a
// quick erase, an overwrite done by the thread) for DVD-RAM and DVD+RW.
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "device/device_state.h"
#include "device/erase_thread.h"
#include "device/request.h"
#include "device/scsi_device.h"
#include "messages/messages.h"

namespace orlix {

namespace {

constexpr uint8_t kImmediate = 0x10;
constexpr uint8_t kFormatOptions = 0x11;  // format data follows, list format 1
constexpr uint8_t kMinimalBlank = 1;

// List header (format options valid, immediate; descriptor length 8) and one
// format descriptor: block count, format type, type-dependent parameter.
constexpr uint8_t kDvdRamFormat[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x22,
                                       0x21, 0x20, 0x00, 0x00, 0x08, 0x00};
constexpr uint8_t kDvdPlusRwFormat[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x00,
                                          0x00, 0x00, 0x98, 0x00, 0x00, 0x00};

// Rounds halves away from zero, as the speed texts always have.
std::string Fixed(double value, int decimals) {
  const double scale = decimals == 0 ? 1 : 10;
  char s[32];
  std::snprintf(s, sizeof s, "%.*f", decimals, std::round(value * scale) / scale);
  return s;
}

}  // namespace

uint16_t EraseEstimate(uint8_t medium, uint8_t erase_type) {
  if (medium < kMediumDVDROM) return erase_type == 0 ? 4500 : erase_type == kMinimalBlank ? 150 : 4500;
  if (IsDvdRw(medium)) return erase_type == 0 ? 4440 : erase_type == kMinimalBlank ? 180 : 8880;
  return erase_type == 0 ? 4440 : erase_type == kMinimalBlank ? 600 : 8880;
}

std::string EraseSpeedText(uint8_t medium, uint16_t speed) {
  const bool dvd = medium == kMediumDVDRAM || medium == kMediumDVDRW || medium == kMediumDVDRWAlt ||
                   medium == kMediumDVDPlusRW;
  const std::string factor = dvd ? Fixed(speed / 1385.0, 1) : Fixed(speed / 176.4, 0);
  return factor + "(" + GroupThousands(speed) + " KB/s)";
}

bool TSCSIDevice::FormatUnit(uint8_t Options, const void* List, int32_t Length) {
  auto srb = Request(kFlagsOut, 0x04, 6, List, static_cast<uint32_t>(Length));
  srb.CDBByte[1] = Options;
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::EraseDisc(uint8_t EraseType) {
  TestUnitReady(5000);
  LoadMedium(false);
  MediumIs = DiscType();
  erase_type_ = EraseType;
  auto ready = [this] { return TestUnitReady(5000) || WaitForReady(30000, 5000); };
  if (!ready()) return false;
  const uint8_t medium = static_cast<uint8_t>(MediumIs);
  if (medium != kMediumDVDRAM) {
    SetCDSpeed(read_speed_, write_speed_);
    SetWriteParams(false, false, false, medium);
  }
  const uint16_t speed = CurrentWriteSpeed();
  if (!ready()) return false;
  const std::string& name = DiscTypeString[medium < kMediumCount ? medium : kMediumUnknown];
  DebugMsg(">>> " + Format(MSG_ERASESTART, name, EraseSpeedText(medium, speed)), 1);

  bool started;
  if (medium == kMediumDVDRAM || medium == kMediumDVDPlusRW) {
    if (EraseType == kMinimalBlank) {
      // The thread overwrites the start of the disc.
      FlushCache(30000, false);
      started = true;
    } else {
      started = FormatUnit(kFormatOptions, medium == kMediumDVDRAM ? kDvdRamFormat : kDvdPlusRwFormat, 12);
    }
  } else {
    auto srb = Request(kFlagsNone, 0xA1, 12);
    srb.CDBByte[1] = static_cast<uint8_t>(EraseType | kImmediate);
    ExecScsiCommand(srb, 4800000);
    started = srb.SRB_Status == SS_COMP || srb.SRB_Status == SS_PENDING;
  }

  if (!started) {
    erasing_.store(false);
    UnlockDrive();
    if (OnEraseDone) OnEraseDone(this, true);
    return false;
  }
  auto* thread = new TEraseThread();
  thread->SetMedium(medium);
  thread->SetFreeOnTerminate(true);
  thread->SetDevice(this);
  thread->SetEstimate(EraseEstimate(medium, EraseType));
  erasing_.store(true);
  thread->Start();  // it frees itself: not to be touched from here on
  return true;
}

int32_t TSCSIDevice::EraseProgress() {
  if (!erasing_.load()) return 0;
  return CurrentEraseProgress(this);
}

}  // namespace orlix
