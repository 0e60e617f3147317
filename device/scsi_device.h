// The drive-control component: the selected drive's address, the debug
// channel and the drive-related settings the burner re-publishes. Commands,
// discovery, capabilities, disc facts and erasing build on this class.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "framework/component.h"
#include "framework/critical_section.h"
#include "framework/memo.h"
#include "framework/string_list.h"

namespace orlix {

using TOnDebugMsg = std::function<void(TComponent* sender, const std::string& message, uint8_t mType)>;
using TDeviceChangedEvent = std::function<void(TComponent* sender)>;
using TEraseDoneEvent = std::function<void(TComponent* sender, bool with_error)>;

class TSCSIDevice : public TComponent {
 public:
  explicit TSCSIDevice(TComponent* owner);
  ~TSCSIDevice() override;

  // Debug channel: appends the line to DebugWindow and raises OnDebugMessage.
  // Types: 0 command log and errors, 1 progress and listings, 3 full tables,
  // 4 refused requests and inconsistencies.
  void DebugMsg(const std::string& message, uint8_t mType);
  TOnDebugMsg OnDebugMessage;
  TMemo* DebugWindow() const { return debug_window_; }
  void SetDebugWindow(TMemo* memo) { debug_window_ = memo; }

  // The device lock serialises the writer thread against host calls.
  void Lock() { lock_.Enter(); }
  void Unlock() { lock_.Leave(); }

  bool ASPIInitialized() const;
  uint16_t DeviceMaxWriteSpeed() const { return device_max_write_speed_; }
  uint16_t DeviceMaxReadSpeed() const { return device_max_read_speed_; }
  uint32_t DeviceBufferSize() const { return device_buffer_size_; }
  void SetDeviceBufferSize(uint32_t v) { device_buffer_size_ = v; }
  uint32_t DeviceFreeBufferSize() const { return device_free_buffer_size_; }
  void SetDeviceFreeBufferSize(uint32_t v) { device_free_buffer_size_ = v; }
  bool UnderrunProtection() const { return underrun_protection_; }
  void SetUnderrunProtection(bool v) { underrun_protection_ = v; }
  bool DoDebug() const { return do_debug_; }
  void SetDoDebug(bool v) { do_debug_ = v; }
  uint16_t ReadSpeed() const { return read_speed_; }
  void SetReadSpeed(uint16_t v) { read_speed_ = v; }
  uint16_t WriteSpeed() const { return write_speed_; }
  void SetWriteSpeed(uint16_t v) { write_speed_ = v; }
  bool Erasing() const { return erasing_; }
  bool FinalizeDisc() const { return finalize_disc_; }
  void SetFinalizeDisc(bool v) { finalize_disc_ = v; }
  bool TestWrite() const { return test_write_; }
  void SetTestWrite(bool v) { test_write_ = v; }

  TDeviceChangedEvent OnDeviceChange;
  TEraseDoneEvent OnEraseDone;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

  TCriticalSection lock_;
  uint8_t ha_id_ = 254, target_ = 254, lun_ = 254;  // 254 everywhere: none selected
  uint8_t adapter_count_ = 0;
  TMemo* debug_window_ = nullptr;
  bool underrun_protection_ = false;
  bool test_write_ = false;
  std::string last_error_;
  bool do_debug_ = false;
  TStringList device_list_;
  bool target_busy_ = false;
  uint16_t device_max_write_speed_ = 0, device_max_read_speed_ = 0;
  uint32_t device_buffer_size_ = 0, device_free_buffer_size_ = 0;
  bool finalize_disc_ = false;
  bool erasing_ = false;
  uint8_t last_sense_[33] = {};
  uint16_t read_speed_ = 0, write_speed_ = 0;
};

}  // namespace orlix
