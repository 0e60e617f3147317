#include "device/scsi_device.h"

#include "transport/transport_state.h"

namespace orlix {

TSCSIDevice::TSCSIDevice(TComponent* owner) : TComponent(owner) {
  if (GetASPIInitialized()) {
    GetHostAdapterInfo(0);
    ScanDevices();
  }
}

TSCSIDevice::~TSCSIDevice() = default;

void TSCSIDevice::DebugMsg(const std::string& message, uint8_t mType) {
  if (debug_window_) debug_window_->Append(message);
  if (OnDebugMessage) OnDebugMessage(this, message, mType);
}

bool TSCSIDevice::InitializeASPI(bool TryInternalFirst, const std::string& LibraryPath) {
  bool ok = _InitializeASPI(TryInternalFirst, LibraryPath);
  if (!ASPILayerError.empty()) DebugMsg(">>> " + ASPILayerError, 0);
  if (ok) {
    GetHostAdapterInfo(0);
    ScanDevices();
  }
  return ok;
}

bool TSCSIDevice::DeInitializeASPI() { return _DeInitializeASPI(); }

bool TSCSIDevice::GetASPIInitialized() const { return ASPIDLLLoaded; }

uint32_t TSCSIDevice::SendRequest(void* srb) {
  // A layer that is gone must not be called.
  if (!ASPIDLLLoaded || !SendASPI32Command) return SS_ILLEGAL_MODE;
  return SendASPI32Command(srb);
}

void TSCSIDevice::SetDebugWindow(TMemo* memo) {
  if (memo == debug_window_) return;
  if (debug_window_) RemoveFreeNotification(debug_window_);
  debug_window_ = memo;
  if (memo) FreeNotification(memo);
}

void TSCSIDevice::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component != nullptr && component == debug_window_)
    debug_window_ = nullptr;
}

}  // namespace orlix
