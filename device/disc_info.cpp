// Disc status, sessions, erasability and the disc summary record.
#include <cstring>

#include "device/byte_order.h"
#include "device/device_state.h"
#include "device/scsi_device.h"

namespace orlix {

namespace {

constexpr uint32_t kNoAddressValue = 0xFFFFFFFF;  // a next writable address that is not valid

uint8_t DiscStatusBits() { return DiscInfo[2] & 0x03; }
uint8_t LastSessionBits() { return (DiscInfo[2] >> 2) & 0x03; }
bool ErasableBit() { return (DiscInfo[2] & 0x10) != 0; }

}  // namespace

namespace {

// Bytes 12-14 of the ATIP, the last field this code reads, must be in the
// answer.
constexpr uint16_t kAtipShortestLength = 13;
constexpr uint32_t kLbaZeroFrames = 150;  // block 0 is at 00:02:00

bool ValidMsf(const uint8_t* msf) { return msf[0] <= 99 && msf[1] < 60 && msf[2] < 75; }

}  // namespace

bool TSCSIDevice::ReadAtip() {
  std::memset(atip_, 0, sizeof atip_);
  if (!ReadTOC(4, atip_, sizeof atip_, 0, true, 0)) return false;
  // A drive that knows no ATIP may send a table of contents instead, whose
  // header names tracks where the ATIP's is reserved; its track entries then
  // read as times with frames of 0xAA.
  return GetBE16(atip_) >= kAtipShortestLength && atip_[2] == 0 && atip_[3] == 0 && ValidMsf(atip_ + 8) &&
         ValidMsf(atip_ + 12) && HMSFToFrames(0, atip_[12], atip_[13], atip_[14]) > kLbaZeroFrames;
}

uint32_t TSCSIDevice::AtipLeadOutBlocks() const {
  // The last possible start of the lead-out as an address: the blocks
  // before it.
  return HMSFToFrames(0, atip_[12], atip_[13], atip_[14]) - kLbaZeroFrames;
}

int16_t TSCSIDevice::DiscStatus() { return ReadDiscInformation() ? DiscStatusBits() : -1; }

int16_t TSCSIDevice::LastSessionStatus() { return ReadDiscInformation() ? LastSessionBits() : -1; }

uint16_t TSCSIDevice::SessionsOnDisc() {
  if (!ReadDiscInformation()) {
    // A read-only drive may know no disc information: its table of contents
    // names the last complete session.
    uint8_t info[12] = {};
    if (!ReadTOC(1, info, sizeof info, 0, false, 0) || GetBE16(info) < 10) return 0;
    return info[3];
  }
  if (DiscStatusBits() == kDiscEmpty) return 0;
  uint16_t sessions = DiscInfo[4];
  // An empty session open for writing is not one on the disc.
  if (LastSessionBits() == kSessionEmpty && sessions > 0) --sessions;
  return sessions;
}

bool TSCSIDevice::Erasable() {
  if (ReadDiscInformation()) return ErasableBit();
  MediumIs = DiscType();
  return MediumIs == kMediumDVDRAM || IsDvdRw(MediumIs) || MediumIs == kMediumDVDPlusRW;
}

TDisc TSCSIDevice::GetDiscInformation() {
  disc_ = TDisc{};
  if (!TestUnitReady(5000)) {
    WaitForReady(3000, 5000);
    if (!TestUnitReady(5000)) return disc_;
  }
  disc_.Ready = 1;

  std::memset(TocBuf, 0, sizeof TocBuf);
  if (ReadTOC(0, TocBuf, sizeof TocBuf, 0, false, 0)) {
    std::memset(TocBuf, 0, sizeof TocBuf);
    if (ReadTOC(1, TocBuf, 4, 0, false, 0)) {
      disc_.FirstSession = TocBuf[2];
      disc_.LastSession = TocBuf[3];
    }
    disc_.Capacity = ReadAtip() && AtipLeadOutBlocks() <= kCdMaxBlocks ? AtipLeadOutBlocks() : 0;
    disc_.Medium = "CD-ROM";
  }
  const uint32_t limit = BlockLimit();

  std::memset(ConfigBuf, 0, sizeof ConfigBuf);
  if (GetConfigData(2, 0, ConfigBuf, sizeof ConfigBuf)) {
    disc_.Profile = GetBE16(ConfigBuf + 6);
    bool rewritable = false;
    disc_.Medium = ProfileName(disc_.Profile, rewritable);
    disc_.Rewritable = rewritable ? 1 : 0;
  }
  // CD media keep their free space in the invisible track, DVD media in the
  // first one.
  // A track whose figures add up beyond what the medium can hold counts as
  // not answered.
  uint64_t track_end = 0;
  uint32_t next = 0;
  if (ReadTrackInformation(DiscType() < kMediumDVDROM ? 0xFF : 1)) {
    next = TrackInfoNextWritable();
    // A track that cannot take more data reports no valid address: what it
    // holds is its size.
    if (next == kNoAddressValue) next = TrackInfoSize();
    track_end = uint64_t{next} + TrackInfoFreeBlocks();
    if (track_end > limit) track_end = 0;
  }
  if (track_end > 0) {
    disc_.Blocks = next;
    disc_.Capacity = static_cast<uint32_t>(track_end);
    disc_.BlockSize = 2048;
    ReadDiscInformation();
  } else {
    uint32_t blocks = 0, block_length = 0;
    if (GetFormatCapacity(blocks, block_length) && blocks > 0 && blocks <= limit) {
      disc_.Blocks = blocks;
      disc_.BlockSize = block_length;
      if (disc_.Blocks > disc_.Capacity) disc_.Capacity = disc_.Blocks;
    }
  }

  if (ReadDiscInformation()) {
    disc_.LastSessionState = LastSessionBits();
    disc_.Rewritable = ErasableBit() ? 1 : 0;
    disc_.Status = DiscStatusBits();
  } else {
    uint32_t last = 0, block_length = 0;
    // The last block's address: one block fewer than the disc holds.
    if (ReadCapacity(last, block_length) && last < limit) {
      disc_.Blocks = last + 1;
      disc_.BlockSize = block_length;
    }
    if (ReadTrackInformation(0)) disc_.Medium = "CD-ROM";
  }
  if (disc_.Blocks > disc_.Capacity) disc_.Capacity = disc_.Blocks;
  return disc_;
}

}  // namespace orlix
