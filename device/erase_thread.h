// The thread that waits for a drive to finish blanking or formatting, keeps
// its progress (the drive's own where its sense gives it, else an estimate), restores the drive and reports the end through the
// device's OnEraseDone on the main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "framework/thread.h"

namespace orlix {

class TSCSIDevice;

class TEraseThread : public TThread {
 public:
  // Created suspended; EraseDisc sets it up, marks it to free itself and
  // starts it.
  TEraseThread();
  ~TEraseThread() override;

  int32_t Progress() const { return progress_; }
  uint8_t Medium() const { return medium_; }
  void SetMedium(uint8_t medium) { medium_ = medium; }
  TSCSIDevice* Device() const { return device_; }
  void SetDevice(TSCSIDevice* device) { device_ = device; }
  // Expected duration in seconds: the 100 % mark and the limit of every wait.
  uint16_t Estimate() const { return estimate_; }
  void SetEstimate(uint16_t seconds) { estimate_ = seconds; }
  bool WithError() const { return with_error_; }

  // Raises the device's OnEraseDone; runs on the main thread.
  void EraseDoneEvent();

 protected:
  void Execute() override;

 private:
  void SetProgress();
  // Notes a sense that says the blank or format has failed.
  void CheckSense(const uint8_t* sense);
  bool Busy() const;
  void WaitForDvdRwBlank();
  void FormatDvdRwQuick();
  void WriteZeros();
  void WaitForDrive();
  void Verify();
  void RestoreDrive();

  std::atomic<int32_t> progress_{0};
  uint8_t medium_ = 0;
  TSCSIDevice* device_ = nullptr;
  uint16_t estimate_ = 0;
  bool with_error_ = false;
  uint32_t elapsed_ = 0;    // seconds, advanced by each polling step
  bool formatted_ = false;  // the medium was (re)formatted, not blanked
  bool overwritten_ = false;
  bool drive_reports_ = false;  // the drive's sense carries its progress
};

// Seconds an erase is expected to take.
uint16_t EraseEstimate(uint8_t medium, uint8_t erase_type);
// "8(1,411 KB/s)": the speed as a multiple of 1x for the medium, then in KB/s.
std::string EraseSpeedText(uint8_t medium, uint16_t speed);
// The progress of the device's running erase thread; 0 when it has none.
int32_t CurrentEraseProgress(const TSCSIDevice* device);
// An erase thread exists (it may be past its event, about to free itself).
bool EraseThreadRunning();

}  // namespace orlix
