// Used, free and total blocks of the disc, each with the fallbacks that
// drives lacking one command or another need. Every count a drive reports is
// checked against what the medium can hold; one beyond that, or a zero where
// the disc holds blocks, counts as a failed answer.
#include <algorithm>

#include "device/device_state.h"
#include "device/scsi_device.h"

namespace orlix {

namespace {

constexpr uint32_t kUnknownTotal = 0xFFFFFFFF;
constexpr uint32_t kNoAddressValue = 0xFFFFFFFF;
// A block count some drives report for media they cannot size; never a total.
constexpr uint32_t kBogusFormatCapacity = 0xFFFD0001;
// Track information byte 7: the last recorded address is valid.
constexpr uint8_t kLastRecordedValid = 0x02;
// A lead-out this early on a disc that reads further is not the disc's end.
constexpr uint32_t kEarliestLeadOut = 20000;

uint8_t TrackByte(uint32_t track) { return static_cast<uint8_t>(std::min<uint32_t>(track, 0xFF)); }

bool Plausible(uint64_t count, uint32_t limit) { return count > 0 && count <= limit; }

// A random-writable disc (DVD-RAM) has no sessions: its status is "other".
bool RandomWritable() { return (DiscInfo[2] & 0x03) == kDiscOther; }

}  // namespace

uint32_t TSCSIDevice::BlockLimit() { return MediumBlockLimit(DiscType()); }

bool TSCSIDevice::CapacityCount(uint32_t& blocks, uint32_t limit) {
  uint32_t last = 0, block_length = 0;
  // READ CAPACITY answers the address of the last block.
  if (!ReadCapacity(last, block_length) || !Plausible(uint64_t{last} + 1, limit)) return false;
  blocks = last + 1;
  return true;
}

uint32_t TSCSIDevice::UsedBlocksOnDisc() {
  const uint32_t limit = BlockLimit();
  const uint16_t sessions = SessionsOnDisc();
  // What a random-writable disc holds is what its one track reports as
  // recorded: there is no session to count past.
  if (RandomWritable() && ReadTrackInformation(1)) {
    if (!(TrackInfo()[7] & kLastRecordedValid)) return 0;
    const uint64_t recorded = uint64_t{TrackInfoLastRecorded()} + 1;
    return Plausible(recorded, limit) ? static_cast<uint32_t>(recorded) : 0;
  }
  const uint32_t track = sessions + 1u;
  uint32_t used = 0;
  if (ReadTrackInformation(TrackByte(track))) {
    used = TrackInfoNextWritable();
    if (used == kNoAddressValue) used = TrackInfoSize();
    if (used > limit) used = 0;
    if (track == 1 || used != 0) return used;
  }
  uint32_t last = 0, block_length = 0;
  if (ReadCapacity(last, block_length)) {
    // Unformatted media answer an address that is none.
    if (!Plausible(uint64_t{last} + 1, limit)) {
      uint32_t blocks = 0;
      if (!GetFormatCapacity(blocks, block_length) || !Plausible(blocks, limit)) return 0;
      return blocks;
    }
    return last + 1;
  }
  if (ReadTrackInformation(TrackByte(sessions + 1u)) && TrackInfoFreeBlocks() <= limit)
    return TrackInfoFreeBlocks();
  return used;
}

uint32_t TSCSIDevice::FreeBlocksOnDisc() {
  const uint8_t medium = DiscType();
  const uint32_t limit = MediumBlockLimit(medium);
  // The drive reports the free space for the write mode programmed, and a
  // closed disc leaves no room for a next session.
  const bool finalize = finalize_disc_;
  finalize_disc_ = true;
  SetWriteParams(false, underrun_protection_, false, MediumIs);
  finalize_disc_ = finalize;

  if (DiscStatus() == kDiscComplete) return 0;
  ReadDiscInformation();
  const bool random_writable = RandomWritable();
  const uint8_t last_track = DiscInfo[6];
  if (!ReadTrackInformation(medium == kMediumDVDRAM ? 1 : 0xFF) && !ReadTrackInformation(last_track))
    return 0;
  uint32_t free = std::max(TrackInfoFreeBlocks(), TrackInfoSize());
  if (free > limit) return 0;
  // What is recorded on a random-writable disc is used, not free, so that
  // used and free add up to the total.
  if (random_writable && (TrackInfo()[7] & kLastRecordedValid))
    free -= std::min<uint32_t>(free, TrackInfoLastRecorded() + 1);
  return free;
}

uint32_t TSCSIDevice::TotalBlocksOnDisc() {
  const uint32_t limit = BlockLimit();
  uint32_t total = kUnknownTotal;
  const int16_t status = DiscStatus();
  if (status == kDiscEmpty) {
    total = FreeBlocksOnDisc();
  } else {
    const uint16_t sessions = SessionsOnDisc();
    uint32_t blocks = 0, block_length = 0, readable = 0;
    // On a complete disc nothing follows the last readable block: a lead-out
    // the ATIP places beyond it is not this disc's end.
    bool atip = ReadAtip() && Plausible(AtipLeadOutBlocks(), limit);
    if (atip && status == kDiscComplete && CapacityCount(readable, limit) && AtipLeadOutBlocks() > readable)
      atip = false;
    const auto format_capacity = [&] {
      return GetFormatCapacity(blocks, block_length) &&
             (blocks == kBogusFormatCapacity || Plausible(blocks, limit));
    };
    if (atip) {
      total = AtipLeadOutBlocks();
      if (total < kEarliestLeadOut && CapacityCount(readable, limit) && readable > total) total = readable;
    } else if (format_capacity()) {
      total = blocks;
      if (blocks == kBogusFormatCapacity) {
        total = kUnknownTotal;
        if (ReadTrackInformation(TrackByte(sessions + 1u)) || ReadTrackInformation(TrackByte(sessions))) {
          const uint64_t end = uint64_t{TrackInfoStart()} + TrackInfoFreeBlocks();
          if (Plausible(end, limit)) total = static_cast<uint32_t>(end);
        }
      }
    } else {
      if (ReadTrackInformation(TrackByte(sessions))) {
        const uint64_t end = uint64_t{TrackInfoStart()} + TrackInfoFreeBlocks();
        if (Plausible(end, limit)) return static_cast<uint32_t>(end);
      }
      if (format_capacity() && blocks != kBogusFormatCapacity) return blocks;
    }
  }
  if (total == kUnknownTotal) total = UsedBlocksOnDisc();
  return total;
}

}  // namespace orlix
