// Building an execute-command request: zero-filled, flags, 24 sense bytes,
// the operation code and the data buffer; the builders fill in the rest.
#pragma once

#include <cstdint>
#include <cstring>

#include "transport/srb.h"

namespace orlix {

constexpr uint8_t kFlagsNone = SRB_EVENT_NOTIFY;               // 0x40
constexpr uint8_t kFlagsIn = SRB_EVENT_NOTIFY | SRB_DIR_IN;    // 0x48
constexpr uint8_t kFlagsOut = SRB_EVENT_NOTIFY | SRB_DIR_OUT;  // 0x50

inline TSRB_ExecSCSICmd Request(uint8_t flags, uint8_t op, uint8_t cdb_length, const void* buffer = nullptr,
                                uint32_t length = 0) {
  TSRB_ExecSCSICmd srb;
  std::memset(&srb, 0, sizeof srb);
  srb.SRB_Flags = flags;
  srb.SRB_SenseLen = 24;
  srb.SRB_CDBLen = cdb_length;
  srb.SRB_BufLen = length;
  srb.SRB_BufPointer = const_cast<void*>(buffer);
  srb.CDBByte[0] = op;
  return srb;
}

}  // namespace orlix
