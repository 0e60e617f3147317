// ASPI request blocks: the byte layout that crosses the boundary to an
// outside ASPI manager (and to the virtual recorder). In 32-bit builds the
// layout is the classic one; in 64-bit builds the pointer fields are
// pointer-sized, in the same order. Shared by the library and the recorder.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orlix {

// Request codes.
constexpr uint8_t SC_HA_INQUIRY = 0x00;
constexpr uint8_t SC_GET_DEV_TYPE = 0x01;
constexpr uint8_t SC_EXEC_SCSI_CMD = 0x02;
constexpr uint8_t SC_ABORT_SRB = 0x03;
constexpr uint8_t SC_RESET_DEV = 0x04;
constexpr uint8_t SC_GET_DISK_INFO = 0x06;

// SRB_Flags.
constexpr uint8_t SRB_DIR_IN = 0x08;   // device to host
constexpr uint8_t SRB_DIR_OUT = 0x10;  // host to device
constexpr uint8_t SRB_EVENT_NOTIFY = 0x40;

// SRB_Status.
constexpr uint8_t SS_PENDING = 0x00;
constexpr uint8_t SS_COMP = 0x01;
constexpr uint8_t SS_ABORTED = 0x02;
constexpr uint8_t SS_ABORT_FAIL = 0x03;
constexpr uint8_t SS_ERR = 0x04;
constexpr uint8_t SS_INVALID_CMD = 0x80;
constexpr uint8_t SS_INVALID_HA = 0x81;
constexpr uint8_t SS_NO_DEVICE = 0x82;
constexpr uint8_t SS_INVALID_SRB = 0xE0;
constexpr uint8_t SS_BUFFER_ALIGN = 0xE1;
constexpr uint8_t SS_ILLEGAL_MODE = 0xE2;  // no layer active or no device selected
constexpr uint8_t SS_NO_ASPI = 0xE3;
constexpr uint8_t SS_FAILED_INIT = 0xE4;
constexpr uint8_t SS_ASPI_IS_BUSY = 0xE5;
constexpr uint8_t SS_BUFFER_TOO_BIG = 0xE6;
constexpr uint8_t SS_NO_ADAPTERS = 0xE8;

// SRB_HaStat.
constexpr uint8_t HASTAT_OK = 0x00;
constexpr uint8_t HASTAT_TIMEOUT = 0x09;
constexpr uint8_t HASTAT_COMMAND_TIMEOUT = 0x0B;
constexpr uint8_t HASTAT_MESSAGE_REJECT = 0x0D;
constexpr uint8_t HASTAT_BUS_RESET = 0x0E;
constexpr uint8_t HASTAT_PARITY_ERROR = 0x0F;
constexpr uint8_t HASTAT_REQUEST_SENSE_FAILED = 0x10;
constexpr uint8_t HASTAT_SEL_TO = 0x11;
constexpr uint8_t HASTAT_DO_DU = 0x12;
constexpr uint8_t HASTAT_BUS_FREE = 0x13;

// SRB_TargStat (SCSI status byte).
constexpr uint8_t STATUS_GOOD = 0x00;
constexpr uint8_t STATUS_CHKCOND = 0x02;
constexpr uint8_t STATUS_BUSY = 0x08;
constexpr uint8_t STATUS_RESCONF = 0x18;
constexpr uint8_t STATUS_QUEUE_FULL = 0x28;

constexpr int kSenseLen = 33;  // sense area of the execute block
constexpr int kCdbLen = 16;

#pragma pack(push, 1)

struct TSRB_Header {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
};

struct TSRB_ExecSCSICmd {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint16_t SRB_Rsvd1;
  uint32_t SRB_BufLen;
  void* SRB_BufPointer;
  uint8_t SRB_SenseLen;
  uint8_t SRB_CDBLen;
  uint8_t SRB_HaStat;
  uint8_t SRB_TargStat;
  // With SRB_EVENT_NOTIFY: the completion event, signalled by the layer when
  // it finishes a request it left pending. On Linux an eventfd descriptor
  // (signal it by writing an 8-byte 1); on Windows an event handle.
  void* SRB_PostProc;
  uint8_t SRB_Rsvd2[20];
  uint8_t CDBByte[kCdbLen];
  uint8_t SenseArea[kSenseLen];
};

struct TSRB_HAInquiry {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t HA_Count;
  uint8_t HA_SCSI_ID;
  char HA_ManagerId[16];
  char HA_Identifier[16];
  uint8_t HA_Unique[16];  // 0-1 alignment mask, 3 max targets, 4-7 max transfer
  uint16_t HA_Rsvd1;
};

struct TSRB_GDEVBlock {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint8_t SRB_DeviceType;  // 5 CD/DVD, 0x1F unknown
  uint8_t SRB_Rsvd1;
};

struct TSRB_Abort {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  void* SRB_ToAbort;
};

struct TSRB_BusDeviceReset {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint8_t SRB_Rsvd1[12];
  uint8_t SRB_HaStat;
  uint8_t SRB_TargStat;
  void* SRB_PostProc;
  uint8_t SRB_Rsvd2[36];
};

struct TSRB_GetDiskInfo {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint8_t SRB_DriveFlags;
  uint8_t SRB_Int13HDriveInfo;
  uint8_t SRB_Heads;
  uint8_t SRB_Sectors;
  uint8_t SRB_Rsvd1[10];
};

#pragma pack(pop)

// Extra bytes each pointer field takes beyond the 32-bit layout.
constexpr size_t kPtrExtra = sizeof(void*) - 4;

static_assert(sizeof(TSRB_Header) == 8);
static_assert(sizeof(TSRB_ExecSCSICmd) == 97 + 2 * kPtrExtra);
static_assert(offsetof(TSRB_ExecSCSICmd, SRB_BufLen) == 12);
static_assert(offsetof(TSRB_ExecSCSICmd, SRB_BufPointer) == 16);
static_assert(offsetof(TSRB_ExecSCSICmd, SRB_SenseLen) == 20 + kPtrExtra);
static_assert(offsetof(TSRB_ExecSCSICmd, SRB_TargStat) == 23 + kPtrExtra);
static_assert(offsetof(TSRB_ExecSCSICmd, SRB_PostProc) == 24 + kPtrExtra);
static_assert(offsetof(TSRB_ExecSCSICmd, CDBByte) == 48 + 2 * kPtrExtra);
static_assert(offsetof(TSRB_ExecSCSICmd, SenseArea) == 64 + 2 * kPtrExtra);
static_assert(sizeof(TSRB_HAInquiry) == 60);
static_assert(offsetof(TSRB_HAInquiry, HA_Unique) == 42);
static_assert(sizeof(TSRB_GDEVBlock) == 12);
static_assert(sizeof(TSRB_Abort) == 12 + kPtrExtra);
static_assert(sizeof(TSRB_BusDeviceReset) == 64 + kPtrExtra);
static_assert(offsetof(TSRB_BusDeviceReset, SRB_PostProc) == 24);
static_assert(sizeof(TSRB_GetDiskInfo) == 24);

// The two entry points of an ASPI manager (C linkage in the library).
extern "C" {
typedef uint32_t (*TSendASPI32Command)(void* srb);
typedef uint32_t (*TGetASPI32SupportInfo)();
}

}  // namespace orlix
