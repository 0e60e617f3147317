// One builder per MMC command: CDB, data direction, transfer and time limit.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "device/byte_order.h"
#include "device/device_state.h"
#include "device/request.h"
#include "device/scsi_device.h"
#include "transport/transport_state.h"

namespace orlix {

namespace {

// Sets CloseFH for one command, so that the emulation lets go of the drive.
struct TReleaseHandle {
  TReleaseHandle() { CloseFH = true; }
  ~TReleaseHandle() { CloseFH = false; }
};

}  // namespace

bool TSCSIDevice::TestUnitReady(int Timeout) {
  auto srb = Request(kFlagsNone, 0x00, 6);
  ExecScsiCommand(srb, Timeout);
  return srb.SRB_Status == SS_COMP;
}

int TSCSIDevice::Rewind() {
  auto srb = Request(kFlagsNone, 0x01, 6);
  return ExecScsiCommand(srb, 10000);
}

bool TSCSIDevice::RequestSense(void* Buffer, uint8_t Length) {
  auto srb = Request(kFlagsIn, 0x03, 6, Buffer, Length);
  srb.CDBByte[4] = Length;
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::Inquiry() {
  auto srb = Request(kFlagsIn, 0x12, 6, inquiry_, 128);
  srb.CDBByte[4] = 0x80;
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::LoadMedium(bool Eject) {
  TReleaseHandle release;
  auto srb = Request(kFlagsNone, 0x1B, 6);
  srb.CDBByte[4] = Eject ? 2 : 3;
  ExecScsiCommand(srb, 20000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::LockMedium(bool Allow) {
  TReleaseHandle release;
  auto srb = Request(kFlagsNone, 0x1E, 6);
  srb.CDBByte[4] = Allow ? 0 : 1;
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::ReadCapacity(uint32_t& LastLBA, uint32_t& BlockLength) {
  auto srb = Request(kFlagsIn, 0x25, 10, buf1, 8);
  ExecScsiCommand(srb, 10000);
  if (srb.SRB_Status != SS_COMP) return false;
  LastLBA = GetBE32(buf1);
  BlockLength = GetBE32(buf1 + 4);
  return true;
}

bool TSCSIDevice::Read10(uint32_t LBA, uint16_t Blocks, void* Buffer, uint32_t Length) {
  auto srb = Request(kFlagsIn, 0x28, 10, Buffer, Length);
  PutBE32(srb.CDBByte + 2, LBA);
  PutBE16(srb.CDBByte + 7, Blocks);
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::Write10(uint32_t LBA, uint16_t Blocks, void* Buffer, uint32_t Length, uint8_t Flags) {
  auto srb = Request(Flags, 0x2A, 10, Buffer, Length);
  PutBE32(srb.CDBByte + 2, LBA);
  PutBE16(srb.CDBByte + 7, Blocks);
  // Without a layer or a drive the untouched request still reads "pending":
  // that is no write.
  if (ExecScsiCommand(srb, 120000) != 1) return false;
  return srb.SRB_Status == SS_COMP || srb.SRB_Status == SS_PENDING;
}

bool TSCSIDevice::FlushCache(int Timeout, bool Immed) {
  auto srb = Request(kFlagsNone, 0x35, 10);
  if (Immed) srb.CDBByte[1] = 2;
  ExecScsiCommand(srb, Timeout);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::ReadTOC(uint8_t Format, void* Buffer, uint8_t Length, uint8_t Track, bool MSF,
                          uint8_t Control) {
  auto srb = Request(kFlagsIn, 0x43, 10, Buffer, Length);
  if (MSF) srb.CDBByte[1] = 2;
  srb.CDBByte[2] = Format;
  srb.CDBByte[6] = Track;
  srb.CDBByte[8] = Length;
  srb.CDBByte[9] = Control;
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::GetConfigData(uint8_t RT, uint16_t Feature, void* Buffer, uint32_t Length) {
  auto srb = Request(kFlagsIn, 0x46, 10, Buffer, Length);
  srb.CDBByte[1] = RT;
  PutBE16(srb.CDBByte + 2, Feature);
  // Allocation lengths of the 10-byte commands take bytes 7 and 8.
  PutBE16(srb.CDBByte + 7, static_cast<uint16_t>(Length));
  ExecScsiCommand(srb, 30000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::ReadDiscInformationRaw(void* Buffer, uint32_t Length) {
  std::memset(DiscInfo, 0, sizeof DiscInfo);
  auto srb = Request(kFlagsIn, 0x51, 10, Buffer, Length);
  PutBE16(srb.CDBByte + 7, static_cast<uint16_t>(Length));
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::ReadDiscInformation() {
  std::memset(DiscInfo, 0, sizeof DiscInfo);
  if (!ReadDiscInformationRaw(DiscInfo, sizeof DiscInfo)) return false;
  uint16_t length = GetBE16(DiscInfo);
  std::memcpy(DiscInfo, &length, 2);
  return true;
}

namespace {

// Offsets of the 32-bit fields of the track information kept in host order.
constexpr int kTrackStart = 8, kNextWritable = 12, kFreeBlocks = 16, kPacketSize = 20, kTrackSize = 24,
              kLastRecorded = 28;

uint32_t HostDword(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

bool TSCSIDevice::ReadTrackInformation(uint8_t Track) {
  auto srb = Request(kFlagsIn, 0x52, 10, track_info_, sizeof track_info_);
  srb.CDBByte[1] = 1;
  PutBE32(srb.CDBByte + 2, Track);
  srb.CDBByte[8] = 0x26;
  ExecScsiCommand(srb, 60000);
  if (srb.SRB_Status != SS_COMP) return false;
  uint16_t length = GetBE16(track_info_);
  std::memcpy(track_info_, &length, 2);
  for (int offset : {kTrackStart, kNextWritable, kFreeBlocks, kPacketSize, kTrackSize, kLastRecorded}) {
    uint32_t v = GetBE32(track_info_ + offset);
    std::memcpy(track_info_ + offset, &v, 4);
  }
  return true;
}

uint16_t TSCSIDevice::TrackInfoLength() const {
  uint16_t v;
  std::memcpy(&v, track_info_, 2);
  return v;
}
uint32_t TSCSIDevice::TrackInfoStart() const { return HostDword(track_info_ + kTrackStart); }
uint32_t TSCSIDevice::TrackInfoNextWritable() const { return HostDword(track_info_ + kNextWritable); }
uint32_t TSCSIDevice::TrackInfoFreeBlocks() const { return HostDword(track_info_ + kFreeBlocks); }
uint32_t TSCSIDevice::TrackInfoPacketSize() const { return HostDword(track_info_ + kPacketSize); }
uint32_t TSCSIDevice::TrackInfoSize() const { return HostDword(track_info_ + kTrackSize); }
uint32_t TSCSIDevice::TrackInfoLastRecorded() const { return HostDword(track_info_ + kLastRecorded); }

bool TSCSIDevice::ReserveTrack(uint32_t Size) {
  auto srb = Request(kFlagsNone, 0x53, 12);
  PutBE32(srb.CDBByte + 5, Size);
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::SendOPC() {
  auto srb = Request(kFlagsNone, 0x54, 10);
  srb.CDBByte[1] = 1;
  ExecScsiCommand(srb, 150000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::ModeSelect10(const void* Buffer, uint16_t Length) {
  std::memmove(buf2, Buffer, Length);  // callers may hand buf2 itself
  auto srb = Request(kFlagsOut, 0x55, 10, buf2, Length);
  srb.CDBByte[1] = 0x10;
  PutBE16(srb.CDBByte + 7, Length);
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::ModeSense10(uint8_t PageCode, void* Buffer, int ClearLength, uint16_t Length,
                              bool Default) {
  if (ClearLength >= 0) std::memset(Buffer, 0, static_cast<size_t>(ClearLength) + 1);
  auto srb = Request(kFlagsIn, 0x5A, 10, buf2, Length);
  srb.CDBByte[2] = static_cast<uint8_t>(PageCode | (Default ? 0x80 : 0));
  PutBE16(srb.CDBByte + 7, Length);
  ExecScsiCommand(srb, 20000);
  if (srb.SRB_Status != SS_COMP) return false;
  std::memmove(Buffer, buf2, Length);
  return true;
}

bool TSCSIDevice::CloseTrack(bool Track, bool Immed, bool Finalize, uint8_t) {
  auto srb = Request(kFlagsNone, 0x5B, 10);
  if (Immed) srb.CDBByte[1] = 1;
  srb.CDBByte[2] = Finalize ? 5 : Track ? 1 : 2;
  if (Track) srb.CDBByte[5] = 0xFF;
  ExecScsiCommand(srb, 180000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::CloseTrackDVD(bool Immed, uint8_t Function, uint8_t Byte3, uint8_t TrackHigh,
                                uint8_t TrackLow) {
  auto srb = Request(kFlagsNone, 0x5B, 10);
  if (Immed) srb.CDBByte[1] = 1;
  srb.CDBByte[2] = Function;
  srb.CDBByte[3] = Byte3;
  srb.CDBByte[4] = TrackHigh;
  srb.CDBByte[5] = TrackLow;
  ExecScsiCommand(srb, 180000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::ReadBufferCapacity(uint32_t& Total, uint32_t& Free) {
  std::memset(buf1, 0, 32);
  auto srb = Request(kFlagsIn, 0x5C, 10, buf1, 32);
  srb.CDBByte[8] = 0x20;
  ExecScsiCommand(srb, 10000);
  if (srb.SRB_Status != SS_COMP) {
    device_free_buffer_size_ = 0;
    return false;
  }
  Total = GetBE32(buf1 + 4);
  Free = GetBE32(buf1 + 8);
  device_buffer_size_ = Total;
  // Drives that do not know report the blank length as all ones.
  device_free_buffer_size_ = Free == 0xFFFFFFFF ? Total : Free;
  return true;
}

bool TSCSIDevice::SendCueSheet(const void* Buffer, uint32_t Length) {
  auto srb = Request(kFlagsOut, 0x5D, 10, Buffer, Length);
  PutBE16(srb.CDBByte + 7, static_cast<uint16_t>(Length));
  ExecScsiCommand(srb, 30000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::ReadDVDStructure(uint8_t Layer, uint8_t Format, void* Buffer, uint16_t Length) {
  auto srb = Request(kFlagsIn, 0xAD, 12, Buffer, Length);
  srb.CDBByte[6] = Layer;
  srb.CDBByte[7] = Format;
  PutBE16(srb.CDBByte + 8, Length);
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::SetStreaming(const void* Buffer, uint16_t Length) {
  auto srb = Request(kFlagsOut, 0xB6, 12, Buffer, Length);
  PutBE16(srb.CDBByte + 9, Length);
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::SetCDSpeed(uint32_t ReadSpeed, uint32_t WriteSpeed) {
  auto srb = Request(kFlagsNone, 0xBB, 12);
  PutBE16(srb.CDBByte + 2, ReadSpeed == 0 ? 0xFFFF : static_cast<uint16_t>(ReadSpeed));
  PutBE16(srb.CDBByte + 4, WriteSpeed == 0 ? 0xFFFF : static_cast<uint16_t>(WriteSpeed));
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::ReadCD(uint32_t LBA, uint16_t Blocks, void* Buffer, uint32_t Length, uint8_t SectorType,
                         uint8_t Byte9, uint8_t SubChannel) {
  auto srb = Request(kFlagsIn, 0xBE, 12, Buffer, Length);
  srb.CDBByte[1] = SectorType;
  PutBE32(srb.CDBByte + 2, LBA);
  PutBE16(srb.CDBByte + 7, Blocks);
  srb.CDBByte[9] = Byte9;
  srb.CDBByte[10] = SubChannel;
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::SendDVDStructure(uint8_t Format, const void* Buffer, uint16_t Length) {
  auto srb = Request(kFlagsOut, 0xBF, 12, Buffer, Length);
  srb.CDBByte[7] = Format;
  PutBE16(srb.CDBByte + 8, Length);
  ExecScsiCommand(srb, 10000);
  return srb.SRB_Status == SS_COMP;
}

bool TSCSIDevice::SendDVDStructureTimeStamp(TDateTime Time) {
  uint16_t year, month, day, hour, minute, second, ms;
  DecodeDate(Time, year, month, day);
  DecodeTime(Time, hour, minute, second, ms);
  char digits[32];
  std::snprintf(digits, sizeof digits, "%04u%02u%02u%02u%02u%02u", year % 10000u, month, day, hour, minute,
                second);
  std::memset(buf1, 0, 22);
  PutBE16(buf1, 0x0014);
  std::memcpy(buf1 + 8, digits, 14);
  return SendDVDStructure(0x0F, buf1, 22);
}

bool TSCSIDevice::GetFormatCapacity(uint32_t& Blocks, uint32_t& BlockLength) {
  std::memset(FormatCapacityBuf, 0, sizeof FormatCapacityBuf);
  auto srb = Request(kFlagsIn, 0x23, 10, FormatCapacityBuf, 0xF8);
  srb.CDBByte[8] = 0xF8;
  ExecScsiCommand(srb, 10000);
  if (srb.SRB_Status != SS_COMP) return false;
  Blocks = GetBE32(FormatCapacityBuf + 4);
  BlockLength = GetBE24(FormatCapacityBuf + 9);
  return true;
}

bool TSCSIDevice::UnlockDrive() {
  TReleaseHandle release;
  return TestUnitReady(5000);
}

uint8_t TSCSIDevice::ScsiReset() {
  TSRB_BusDeviceReset srb;
  std::memset(&srb, 0, sizeof srb);
  srb.SRB_Cmd = SC_RESET_DEV;
  srb.SRB_HaId = ha_id_;
  srb.SRB_Target = target_;
  srb.SRB_Lun = lun_;
  SendRequest(&srb);
  return srb.SRB_Status;
}

}  // namespace orlix
