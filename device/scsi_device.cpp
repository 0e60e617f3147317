#include "device/scsi_device.h"

namespace orlix {

TSCSIDevice::TSCSIDevice(TComponent* owner) : TComponent(owner) {}

TSCSIDevice::~TSCSIDevice() = default;

void TSCSIDevice::DebugMsg(const std::string& message, uint8_t mType) {
  if (debug_window_) debug_window_->Append(message);
  if (OnDebugMessage) OnDebugMessage(this, message, mType);
}

bool TSCSIDevice::ASPIInitialized() const { return false; }

void TSCSIDevice::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
}

}  // namespace orlix
