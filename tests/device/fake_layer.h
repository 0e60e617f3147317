// A stand-in ASPI layer behind the two entry points: it records every
// request block and answers like a small set of drives.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "framework/sleep.h"
#include "transport/transport_state.h"

namespace orlix::test {

struct FakeDrive {
  uint8_t type = 5;
  std::string identity = "VENDOR  PRODUCT NAME    1.00";  // INQUIRY bytes 8-35
  int bios_drive = -1;                                    // answer of get-disk-info
};

class FakeLayer {
 public:
  using Address = std::tuple<uint8_t, uint8_t, uint8_t>;

  uint8_t adapters = 1;
  std::map<Address, FakeDrive> drives;
  // Execute requests as received (before the answer), and the other blocks.
  std::vector<TSRB_ExecSCSICmd> executed;
  std::vector<uint8_t> other_codes;
  void* last_abort_target = nullptr;
  // Answers an execute request for an existing drive other than INQUIRY;
  // the default completes it.
  std::function<void(TSRB_ExecSCSICmd&)> answer;

  FakeLayer() {
    current = this;
    SendASPI32Command = &Send;
    GetASPI32SupportInfo = &Info;
    ASPIDLLLoaded = true;
    ASPILayerName = "fake layer";
    // Drive-letter look-ups must not see the machine's own drives.
    PassThrough.is_cd_drive = [](int) { return false; };
    PassThrough.open = [](int) { return kNoDriveHandle; };
  }
  ~FakeLayer() {
    ASPIDLLLoaded = false;
    SendASPI32Command = nullptr;
    GetASPI32SupportInfo = nullptr;
    ASPILayerName.clear();
    PassThrough = SystemPassThrough();
    SetSleepSpeedup(1);
    current = nullptr;
  }

  FakeDrive& Add(uint8_t ha, uint8_t target, uint8_t lun = 0) { return drives[{ha, target, lun}]; }
  const TSRB_ExecSCSICmd& Last() const { return executed.back(); }
  int CountOp(uint8_t op) const {
    int n = 0;
    for (const auto& r : executed) n += r.CDBByte[0] == op;
    return n;
  }

  static inline FakeLayer* current = nullptr;

 private:
  static uint32_t Info() { return 0x0100u | current->adapters; }

  static uint32_t Send(void* block) {
    FakeLayer& f = *current;
    auto* header = static_cast<TSRB_Header*>(block);
    if (header->SRB_Cmd != SC_EXEC_SCSI_CMD) f.other_codes.push_back(header->SRB_Cmd);
    switch (header->SRB_Cmd) {
      case SC_HA_INQUIRY: {
        auto* ha = static_cast<TSRB_HAInquiry*>(block);
        ha->HA_Count = f.adapters;
        std::memcpy(ha->HA_ManagerId, "FAKE ASPI LAYER ", 16);
        std::memcpy(ha->HA_Identifier, "FAKE 0", 6);
        return ha->SRB_Status = SS_COMP;
      }
      case SC_ABORT_SRB: {
        auto* abort = static_cast<TSRB_Abort*>(block);
        f.last_abort_target = abort->SRB_ToAbort;
        return abort->SRB_Status = SS_COMP;
      }
      case SC_GET_DISK_INFO: {
        auto* disk = static_cast<TSRB_GetDiskInfo*>(block);
        auto it = f.drives.find({disk->SRB_HaId, disk->SRB_Target, disk->SRB_Lun});
        if (it == f.drives.end() || it->second.bios_drive < 0) return disk->SRB_Status = SS_ERR;
        disk->SRB_Int13HDriveInfo = static_cast<uint8_t>(it->second.bios_drive);
        return disk->SRB_Status = SS_COMP;
      }
      case SC_EXEC_SCSI_CMD:
        return Execute(*static_cast<TSRB_ExecSCSICmd*>(block));
      default:
        return header->SRB_Status = SS_ERR;
    }
  }

  static uint32_t Execute(TSRB_ExecSCSICmd& srb) {
    FakeLayer& f = *current;
    f.executed.push_back(srb);
    auto it = f.drives.find({srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun});
    if (it == f.drives.end()) return srb.SRB_Status = SS_NO_DEVICE;
    if (srb.CDBByte[0] == 0x12) {
      auto* data = static_cast<uint8_t*>(srb.SRB_BufPointer);
      data[0] = it->second.type;
      std::memcpy(data + 8, it->second.identity.data(), std::min<size_t>(28, it->second.identity.size()));
      return srb.SRB_Status = SS_COMP;
    }
    if (f.answer) {
      f.answer(srb);
      return srb.SRB_Status;
    }
    return srb.SRB_Status = SS_COMP;
  }
};

// Fills a fixed-format sense answer into a request that failed.
inline void CheckCondition(TSRB_ExecSCSICmd& srb, uint8_t key, uint8_t asc, uint8_t ascq,
                           uint8_t extra = 10) {
  srb.SRB_Status = SS_ERR;
  srb.SRB_TargStat = STATUS_CHKCOND;
  srb.SenseArea[0] = 0x70;
  srb.SenseArea[2] = key;
  srb.SenseArea[7] = extra;
  srb.SenseArea[12] = asc;
  srb.SenseArea[13] = ascq;
}

}  // namespace orlix::test
