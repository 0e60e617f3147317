// The emulation's answers to ASPI request blocks. Every request is finished
// when the call returns: nothing is ever left pending.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "transport/transport_state.h"

namespace orlix {

namespace {

constexpr char kManagerId[17] = "ORLIX SPTI LAYER";  // exactly 16 characters
constexpr uint32_t kInquiryCopy = 36;
constexpr uint32_t kCommandTimeoutSeconds = 120;

uint32_t HostAdapterInquiry(TSRB_HAInquiry& srb) {
  srb.HA_Count = ScsiDrives.adapter_count;
  if (srb.SRB_HaId >= ScsiDrives.adapter_count) return srb.SRB_Status = SS_INVALID_HA;
  srb.HA_SCSI_ID = 7;
  std::memcpy(srb.HA_ManagerId, kManagerId, sizeof srb.HA_ManagerId);
  std::memset(srb.HA_Identifier, 0, sizeof srb.HA_Identifier);
  std::snprintf(srb.HA_Identifier, sizeof srb.HA_Identifier, "SPTI %u", static_cast<unsigned>(srb.SRB_HaId));
  std::memset(srb.HA_Unique, 0, 13);
  srb.HA_Unique[0] = 7;     // buffer alignment mask 0x0007
  srb.HA_Unique[3] = 8;     // targets per adapter
  srb.HA_Unique[6] = 0xFF;  // largest transfer 0x00FF0000
  return srb.SRB_Status = SS_COMP;
}

uint32_t GetDeviceType(TSRB_GDEVBlock& srb) {
  bool found = SPTIFindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun) != 0;
  srb.SRB_DeviceType = found ? 5 : 0x1F;
  return srb.SRB_Status = found ? SS_COMP : SS_NO_DEVICE;
}

uint32_t Execute(TSRB_ExecSCSICmd& srb) {
  int index = SPTIFindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
  if (index == 0) return srb.SRB_Status = SS_NO_DEVICE;
  // The CDB field holds 16 bytes; a longer length would read past it.
  if (srb.SRB_CDBLen == 0 || srb.SRB_CDBLen > kCdbLen) return srb.SRB_Status = SS_INVALID_SRB;
  TSPTIDrive& drive = ScsiDrives.drive[index];

  if (srb.CDBByte[0] == 0x12) {
    // Answered from the probe; never more than the caller's buffer holds.
    if (srb.SRB_HaId >= ScsiDrives.adapter_count) return srb.SRB_Status = SS_INVALID_HA;
    uint32_t n = std::min(kInquiryCopy, srb.SRB_BufLen);
    if (srb.SRB_BufPointer && n > 0) std::memcpy(srb.SRB_BufPointer, drive.inquiry, n);
    return srb.SRB_Status = SS_COMP;
  }

  if (drive.handle == kNoDriveHandle) drive.handle = SPTIOpenDrive(index);
  TPassThroughRequest request;
  std::memcpy(request.cdb, srb.CDBByte, srb.SRB_CDBLen);
  request.cdb_length = srb.SRB_CDBLen;
  request.direction = (srb.SRB_Flags & SRB_DIR_IN)    ? kDataIn
                      : (srb.SRB_Flags & SRB_DIR_OUT) ? kDataOut
                                                      : kNoData;
  request.buffer = srb.SRB_BufPointer;
  request.length = srb.SRB_BufLen;
  request.timeout_seconds = kCommandTimeoutSeconds;
  request.sense_length = static_cast<uint8_t>(std::min<int>(srb.SRB_SenseLen, kPassThroughSenseLen));
  bool sent = drive.handle != kNoDriveHandle && PassThrough.send(drive.handle, request);
  if (sent && request.scsi_status == 0 && request.adapter_status == 0) {
    srb.SRB_Status = SS_COMP;
  } else {
    srb.SRB_Status = SS_ERR;
    // Whatever the system delivered, bounded by what the caller asked for and
    // by the sense area.
    size_t n = std::min<size_t>({request.sense_length, srb.SRB_SenseLen, sizeof srb.SenseArea});
    std::memcpy(srb.SenseArea, request.sense, n);
    srb.SRB_TargStat = request.scsi_status;
    srb.SRB_HaStat = request.adapter_status;
  }
  if (CloseFH && drive.handle != kNoDriveHandle) {
    if (PassThrough.close(drive.handle)) drive.handle = kNoDriveHandle;
  }
  return srb.SRB_Status;
}

}  // namespace

uint32_t __SendASPI32Command(void* srb) {
  if (!srb) return SS_ERR;
  auto* header = static_cast<TSRB_Header*>(srb);
  switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY:
      return HostAdapterInquiry(*static_cast<TSRB_HAInquiry*>(srb));
    case SC_GET_DEV_TYPE:
      return GetDeviceType(*static_cast<TSRB_GDEVBlock*>(srb));
    case SC_EXEC_SCSI_CMD:
      return Execute(*static_cast<TSRB_ExecSCSICmd*>(srb));
    case SC_GET_DISK_INFO:
      header->SRB_Status = SS_PENDING;  // not supported
      return SS_ERR;
    default:
      header->SRB_Status = SS_ERR;
      return SS_ERR;
  }
}

uint32_t __GetASPI32SupportInfo() {
  if (ScsiDrives.adapter_count == 0) return static_cast<uint32_t>(SS_NO_ADAPTERS) << 8;
  return (static_cast<uint32_t>(SS_COMP) << 8) | ScsiDrives.adapter_count;
}

}  // namespace orlix
