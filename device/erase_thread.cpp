#include "device/erase_thread.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "device/device_state.h"
#include "device/scsi_device.h"
#include "framework/sleep.h"
#include "transport/transport_state.h"

namespace orlix {

namespace {

constexpr uint8_t kNotReadyAsc = 0x04;
constexpr uint8_t kFormatOptions = 0x11;
constexpr uint8_t kMinimalBlank = 1;
constexpr uint8_t kDvdRwQuickFormat[12] = {0x00, 0xA2, 0x00, 0x08, 0x00, 0x00,
                                           0x03, 0xE8, 0x54, 0x00, 0x00, 0x10};
constexpr uint32_t kZeroBlockBytes = 65536;
constexpr uint16_t kZeroBlockSectors = 32;
constexpr int kZeroBlocks = 65;  // sectors 0 to 2079

// The one erase thread of the process. EraseProgress reads it under the lock
// because the thread frees itself right after clearing Erasing.
std::mutex erase_thread_mutex;
TEraseThread* erase_thread = nullptr;

uint8_t Asc(const uint8_t* sense) { return sense[12]; }

// A medium or hardware error, an erase failure or a failed format: the
// operation has ended without success. Not ready, unit attentions and
// commands the drive does not know are no verdict.
bool FailingSense(const uint8_t* sense) {
  const uint8_t key = sense[2] & 0x0F;
  return key == 0x03 || key == 0x04 || Asc(sense) == 0x51 || Asc(sense) == 0x31;
}

}  // namespace

TEraseThread::TEraseThread() : TThread(true) {
  std::lock_guard<std::mutex> lock(erase_thread_mutex);
  erase_thread = this;
}

TEraseThread::~TEraseThread() {
  std::lock_guard<std::mutex> lock(erase_thread_mutex);
  if (erase_thread == this) erase_thread = nullptr;
}

int32_t CurrentEraseProgress(const TSCSIDevice* device) {
  std::lock_guard<std::mutex> lock(erase_thread_mutex);
  return erase_thread && erase_thread->Device() == device ? erase_thread->Progress() : 0;
}

bool EraseThreadRunning() {
  std::lock_guard<std::mutex> lock(erase_thread_mutex);
  return erase_thread != nullptr;
}

void TEraseThread::SetProgress() {
  // A drive that tells its progress is believed over the estimate.
  if (drive_reports_) return;
  progress_ = static_cast<int32_t>(std::lround(static_cast<double>(elapsed_) / estimate_ * 100));
}

void TEraseThread::CheckSense(const uint8_t* sense) {
  if (FailingSense(sense)) with_error_ = true;
  // NOT READY with valid sense-key specific bytes: the progress of the
  // blank or format in 65536ths. It never goes back: a DVD-RW's blank and
  // the format after it each count from 0.
  if ((sense[2] & 0x0F) == 0x02 && (sense[15] & 0x80)) {
    drive_reports_ = true;
    progress_ = std::max<int32_t>(progress_, ((sense[16] << 8) | sense[17]) * 100 / 65536);
  }
}

bool TEraseThread::Busy() const {
  return !with_error_ && Asc(device_->LastSense()) == kNotReadyAsc && estimate_ >= elapsed_;
}

void TEraseThread::WaitForDvdRwBlank() {
  do {
    SetProgress();
    elapsed_ += 1;
    if (!device_->TestUnitReady(5000)) Sleep(2000);
    CheckSense(device_->LastSense());
  } while (Busy());
}

void TEraseThread::FormatDvdRwQuick() {
  if (!device_->FormatUnit(kFormatOptions, kDvdRwQuickFormat, sizeof kDvdRwQuickFormat)) return;
  formatted_ = true;
  // The format gets a time of its own, as long as the whole erase was
  // expected to take.
  const uint32_t limit = elapsed_ + estimate_;
  do {
    Sleep(2000);
    elapsed_ += 2;
    device_->ReadDiscInformation();
    CheckSense(device_->LastSense());
  } while (!with_error_ && Asc(device_->LastSense()) == kNotReadyAsc && elapsed_ <= limit);
}

void TEraseThread::WriteZeros() {
  overwritten_ = true;
  std::vector<uint8_t> zeros(kZeroBlockBytes, 0);
  for (int i = 0; i < kZeroBlocks; ++i) {
    if (!device_->Write10(static_cast<uint32_t>(i) * kZeroBlockSectors, kZeroBlockSectors, zeros.data(),
                          kZeroBlockBytes, SRB_EVENT_NOTIFY | SRB_DIR_OUT)) {
      with_error_ = true;
      break;
    }
  }
  if (!device_->FlushCache(30000, false)) with_error_ = true;
}

void TEraseThread::WaitForDrive() {
  TSCSIDevice& d = *device_;
  if (fSlowReady) {
    do {
      SetProgress();
      elapsed_ += 2;
      if (!d.TestUnitReady(5000)) Sleep(2000);
      CheckSense(d.LastSense());
    } while (Busy());
    d.ReadDiscInformation();
    Sleep(5000);
  }
  if (with_error_ || (d.TestUnitReady(5000) && d.ReadDiscInformation())) return;
  if (medium_ != kMediumDVDRAM) {
    do {
      SetProgress();
      d.ReadDiscInformation();
      CheckSense(d.LastSense());
      elapsed_ += 5;
      if (Asc(d.LastSense()) == kNotReadyAsc) Sleep(5000);
    } while (Busy());
  }
  if (with_error_) return;
  do {
    SetProgress();
    elapsed_ += 2;
    if (!d.TestUnitReady(5000)) Sleep(2000);
    CheckSense(d.LastSense());
  } while (Busy());
  if (with_error_) return;
  uint8_t sense[40];
  do {
    SetProgress();
    std::memset(sense, 0, sizeof sense);
    d.RequestSense(sense, sizeof sense);
    CheckSense(sense);
    if (with_error_) return;
    elapsed_ += 2;
    if (sense[0] == 0xF0) sense[12] = kNotReadyAsc;
    Sleep(2000);
  } while (Asc(sense) != 0 && estimate_ >= elapsed_);
}

void TEraseThread::Verify() {
  TSCSIDevice& d = *device_;
  if (with_error_) return;
  // Still not ready once the estimate is used up. A unit attention may stand
  // in front of the answer once.
  if (!d.TestUnitReady(5000) && !d.TestUnitReady(5000)) {
    with_error_ = true;
    return;
  }
  if (overwritten_) return;  // the writes themselves told
  if (d.ReadDiscInformation() && (DiscInfo[2] & 0x03) == kDiscEmpty) return;
  // A formatted medium need not read as empty; its format capacity tells.
  uint32_t blocks = 0, block_length = 0;
  if (formatted_ && d.GetFormatCapacity(blocks, block_length) && (FormatCapacityBuf[8] & 0x03) == 2) return;
  with_error_ = true;
}

void TEraseThread::RestoreDrive() {
  device_->UnlockDrive();
  device_->RestoreDrive();
}

void TEraseThread::Execute() {
  elapsed_ = 0;
  progress_ = 0;
  formatted_ =
      (medium_ == kMediumDVDRAM || medium_ == kMediumDVDPlusRW) && device_->EraseType() != kMinimalBlank;
  if (IsDvdRw(medium_)) {
    WaitForDvdRwBlank();
    if (!with_error_ && Asc(device_->LastSense()) != kNotReadyAsc) FormatDvdRwQuick();
  } else if ((medium_ == kMediumDVDPlusRW || medium_ == kMediumDVDRAM) &&
             device_->EraseType() == kMinimalBlank) {
    WriteZeros();
  }
  WaitForDrive();
  Verify();
  if (ASPILayerName == kEmulationLayerName) _ReInitializeASPI();

  progress_ = 100;
  RestoreDrive();
  Synchronize([this] { EraseDoneEvent(); });
  device_->erasing_.store(false);
}

void TEraseThread::EraseDoneEvent() {
  if (device_->OnEraseDone) device_->OnEraseDone(device_, with_error_);
}

}  // namespace orlix
