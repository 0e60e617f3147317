// Used, free and total blocks of the disc, each with the fallbacks that
// drives lacking one command or another need.
#include <algorithm>

#include "device/device_state.h"
#include "device/scsi_device.h"

namespace orlix {

namespace {

constexpr uint32_t kUnknownTotal = 0xFFFFFFFF;
constexpr uint32_t kNoAddressValue = 0xFFFFFFFF;
// Above this, a last block address is not one (unformatted media).
constexpr uint32_t kImplausibleLastBlock = 0x7F000000;
// A block count some drives report for media they cannot size; never a total.
constexpr uint32_t kBogusFormatCapacity = 0xFFFD0001;

uint8_t TrackByte(uint32_t track) { return static_cast<uint8_t>(std::min<uint32_t>(track, 0xFF)); }

}  // namespace

uint32_t TSCSIDevice::UsedBlocksOnDisc() {
  const uint16_t sessions = SessionsOnDisc();
  const uint32_t track = sessions + 1u;
  uint32_t used = 0;
  if (ReadTrackInformation(TrackByte(track))) {
    used = TrackInfoNextWritable();
    if (used == kNoAddressValue) used = TrackInfoSize();
    if (track == 1 || used != 0) return used;
  }
  uint32_t last = 0, block_length = 0;
  if (ReadCapacity(last, block_length)) {
    if (last > kImplausibleLastBlock) {
      uint32_t blocks = 0;
      if (!GetFormatCapacity(blocks, block_length)) return 0;
      last = blocks;
    }
    return last;
  }
  if (ReadTrackInformation(TrackByte(sessions + 1u))) return TrackInfoFreeBlocks();
  return used;
}

uint32_t TSCSIDevice::FreeBlocksOnDisc() {
  const uint8_t medium = DiscType();
  // The drive reports the free space for the write mode programmed, and a
  // closed disc leaves no room for a next session.
  const bool finalize = finalize_disc_;
  finalize_disc_ = true;
  SetWriteParams(false, underrun_protection_, false, MediumIs);
  finalize_disc_ = finalize;

  if (DiscStatus() == kDiscComplete) return 0;
  ReadDiscInformation();
  const uint8_t last_track = DiscInfo[6];
  if (!ReadTrackInformation(medium == kMediumDVDRAM ? 1 : 0xFF) && !ReadTrackInformation(last_track))
    return 0;
  return std::max(TrackInfoFreeBlocks(), TrackInfoSize());
}

uint32_t TSCSIDevice::TotalBlocksOnDisc() {
  uint32_t total = kUnknownTotal;
  if (DiscStatus() == kDiscEmpty) {
    total = FreeBlocksOnDisc();
  } else {
    const uint16_t sessions = SessionsOnDisc();
    uint32_t blocks = 0, block_length = 0;
    if (ReadAtip()) {
      total = AtipLeadOutFrames();
      uint32_t last = 0;
      if (total < 20000 && ReadCapacity(last, block_length) && last > total) total = last;
    } else if (GetFormatCapacity(blocks, block_length)) {
      total = blocks;
      if (blocks == kBogusFormatCapacity) {
        total = 0;
        if (ReadTrackInformation(TrackByte(sessions + 1u)) || ReadTrackInformation(TrackByte(sessions)))
          total = TrackInfoStart() + TrackInfoFreeBlocks();
      }
    } else {
      if (ReadTrackInformation(TrackByte(sessions))) return TrackInfoStart() + TrackInfoFreeBlocks();
      if (GetFormatCapacity(blocks, block_length) && blocks != kBogusFormatCapacity) return blocks;
    }
  }
  if (total == kUnknownTotal) total = UsedBlocksOnDisc();
  return total;
}

}  // namespace orlix
