// A reader component registered beside the burner. It is a placeholder: a
// drive (TSCSIDevice) with one operation that does nothing yet.
#pragma once

#include "device/scsi_device.h"

namespace orlix {

class TCDReader : public TSCSIDevice {
 public:
  using TSCSIDevice::TSCSIDevice;
  void MakeISOImage() {}
};

// Places TCDReader on the palette page of the burner.
void RegisterCDReader();

}  // namespace orlix
