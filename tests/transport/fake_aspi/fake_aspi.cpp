// A stand-in ASPI manager for the layer-selection tests: it tells which copy
// was loaded through the adapter count it reports.
#include <cstdint>

#include "transport/srb.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

#ifndef FAKE_ASPI_LACKS_SEND
EXPORT uint32_t SendASPI32Command(void* srb) {
  auto* header = static_cast<orlix::TSRB_Header*>(srb);
  if (header->SRB_Cmd == orlix::SC_HA_INQUIRY) {
    auto* ha = static_cast<orlix::TSRB_HAInquiry*>(srb);
    ha->HA_Count = 1;
    return ha->SRB_Status = orlix::SS_COMP;
  }
  return header->SRB_Status = orlix::SS_NO_DEVICE;
}
#endif

EXPORT uint32_t GetASPI32SupportInfo() { return 0x0100u | FAKE_ASPI_ID; }
