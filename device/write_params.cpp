// The write parameters page (05h): write type, track mode, data block type,
// multisession and packet fields for each medium and the recording options.
#include <algorithm>
#include <cstring>

#include "device/byte_order.h"
#include "device/device_state.h"
#include "device/mode_page.h"
#include "device/scsi_device.h"

namespace orlix {

namespace {

constexpr uint8_t kWriteParamsPageCode = 0x05;
constexpr uint16_t kAudioPause = 150;  // frames between audio tracks
constexpr size_t kModeHeaderLength = 8;

// Page 05h offsets.
constexpr int kPageLength = 1, kWriteType = 2, kTrackMode = 3, kDataBlockType = 4, kLinkSize = 5, kByte6 = 6,
              kPacketSize = 10, kAudioPauseLength = 14;

constexpr uint8_t kBufferUnderrunFree = 0x40;  // byte 2 bit 6
constexpr uint8_t kTestWriteBit = 0x10;        // byte 2 bit 4
constexpr uint8_t kLinkSizeValid = 0x20;       // byte 2 bit 5
constexpr uint8_t kMultisessionBits = 0xC0;    // byte 3 bits 7-6

}  // namespace

bool TSCSIDevice::ReadWriteParamsPage() {
  std::memset(WriteParamsBuf1, 0, sizeof WriteParamsBuf1);
  std::memset(WriteParamsBuf2, 0, sizeof WriteParamsBuf2);
  if (!ModeSense10(kWriteParamsPageCode, WriteParamsBuf1, 511, 512, false)) return false;
  int offset = FindModePage(WriteParamsBuf1, sizeof WriteParamsBuf1, kWriteParamsPageCode);
  if (offset < 0) offset = 8;
  std::memcpy(WriteParamsBuf2, WriteParamsBuf1 + offset,
              sizeof WriteParamsBuf2 - static_cast<size_t>(offset));
  std::memcpy(write_params_, WriteParamsBuf2, sizeof write_params_);
  return true;
}

bool TSCSIDevice::SendWriteParamsPage() {
  // A zero mode parameter header, then the page as long as its length byte
  // says; a drive whose page is longer than the copy gets the rest back as
  // it sent it.
  uint8_t list[kModeHeaderLength + 2 + 255] = {};
  const size_t page_bytes = write_params_[kPageLength] + 2u;
  std::memcpy(list + kModeHeaderLength, WriteParamsBuf2, page_bytes);
  std::memcpy(list + kModeHeaderLength, write_params_, std::min(page_bytes, sizeof write_params_));
  return ModeSelect10(list, static_cast<uint16_t>(kModeHeaderLength + page_bytes));
}

bool TSCSIDevice::SetWriteParams(bool TestWrite, bool Underrun, bool, uint16_t Medium) {
  if (Medium == kMediumDVDRAM) return true;
  if (!ReadWriteParamsPage()) return false;
  uint8_t* P = write_params_;

  P[kPageLength] = 0x32;
  P[kWriteType] = 0x01;      // track at once
  P[kDataBlockType] = 0x08;  // mode 1, 2048 bytes
  P[kTrackMode] = 0x04;      // data, recorded uninterrupted
  if (fwms) {
    P[kWriteType] = 0x02;      // session at once
    P[kDataBlockType] = 0x00;  // raw 2352-byte blocks
  }
  if (Medium == kMediumDVDR || Medium == kMediumDVDRW) {
    P[kWriteType] = 0x20;  // link size valid, incremental
    P[kTrackMode] = 0x05;
  } else if (Medium == kMediumDVDPlusRW || Medium == kMediumDVDPlusR) {
    P[kWriteType] = 0x22;
    P[kTrackMode] |= kMultisessionBits;
  }
  if (f_link_size_valid_) P[kWriteType] |= kLinkSizeValid;

  if (Medium == kMediumDVDR || IsDvdRw(Medium) || Medium == kMediumDVDPlusR) {
    P[kTrackMode] |= 0xE0;  // multisession 11b and fixed packet
  } else if (TestWrite || finalize_disc_) {
    if ((P[kTrackMode] & kMultisessionBits) == kMultisessionBits) P[kTrackMode] &= ~kMultisessionBits;
  } else {
    P[kTrackMode] |= kMultisessionBits;  // keep the next session possible
  }

  if (capabilities_.Contains(dcUnderrunProtection) && Underrun)
    P[kWriteType] |= kBufferUnderrunFree;
  else
    P[kWriteType] &= ~kBufferUnderrunFree;
  if (capabilities_.Contains(dcWriteTest) && TestWrite)
    P[kWriteType] |= kTestWriteBit;
  else
    P[kWriteType] &= ~kTestWriteBit;

  std::memset(P + kLinkSize, 0, 5);  // bytes 5 to 9
  PutBE32(P + kPacketSize, 0);
  if (Medium == kMediumDVDPlusR || Medium == kMediumDVDR) {
    P[kByte6] = 0x10;
    PutBE32(P + kPacketSize, 16);
  }
  if (IsDvdRw(Medium)) {
    P[kWriteType] = 0x60;
    P[kTrackMode] = 0xC5;
    P[kLinkSize] = 0x10;
  }
  if (Medium == kMediumDVDPlusR) {
    P[kTrackMode] = 0xC4;
    P[kByte6] = 0;
  }
  if (Medium == kMediumDVDPlusRW) {
    P[kTrackMode] = 0x04;
    P[kLinkSize] = 0x10;
  }
  PutBE16(P + kAudioPauseLength, kAudioPause);
  return SendWriteParamsPage();
}

bool TSCSIDevice::CheckWriteMethod(TWriteMethod Method) {
  if (!ReadWriteParamsPage()) return false;
  uint8_t* P = write_params_;
  P[kDataBlockType] = 0x00;
  switch (Method) {
    case wmTAO:
      P[kWriteType] = 0x01;
      break;
    case wmSAO:
      P[kWriteType] = 0x02;
      break;
    case wmDAO:
      P[kWriteType] = 0x03;  // raw
      P[kDataBlockType] = 0x01;
      break;
  }
  P[kTrackMode] = 0x00;
  P[8] = 0;
  P[9] = 0;
  PutBE16(P + kAudioPauseLength, kAudioPause);
  return SendWriteParamsPage();
}

void TSCSIDevice::GetWriteMethods() {
  write_methods_ = {};
  for (TWriteMethod method : {wmDAO, wmSAO, wmTAO})
    if (CheckWriteMethod(method)) write_methods_.Include(method);
}

}  // namespace orlix
