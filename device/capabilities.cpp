// Capability probing and write-method detection: placeholders that report
// nothing until the mode-page code is in.
#include "device/scsi_device.h"

namespace orlix {

bool TSCSIDevice::GetDeviceCapabilities(bool) { return false; }

void TSCSIDevice::GetWriteMethods() {}

}  // namespace orlix
