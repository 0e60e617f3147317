// Where a session of the disc in the drive lies. Recorders tell it through
// READ TRACK INFORMATION; read-only drives (and many older ones) know only
// the table of contents, which is asked when the first of those requests is
// refused.
#pragma once

#include <cstdint>

#include "device/scsi_device.h"

namespace orlix {

struct SessionPlace {
  uint32_t start = 0;    // the session's first sector
  uint32_t sectors = 0;  // as the drive counts them; 0 when it does not tell
};

// Session `session` (1 for the first) of the disc in the drive. False when
// the drive names no such session or answers neither way.
bool FindSessionPlace(TSCSIDevice& drive, int session, SessionPlace& place);

}  // namespace orlix
