// READ (10), READ CD and WRITE (10).
#include <algorithm>

#include "vrecorder/recorder.h"

namespace orlix::vrec {

Sense Recorder::Read10(Command& c) {
  const uint32_t lba = Get32(c.cdb + 2);
  const uint32_t count = Get16(c.cdb + 7);
  if (uint64_t{count} * kBlockSize > c.data_len) {
    c.short_data = true;
    return kGood;
  }
  Sense s = disc_->CheckRead(lba, count);
  if (!s.ok()) return s;
  if (MediumErrorIn(lba, count)) return kUnrecoveredReadError;
  if (count > 0 && !file_.Read(lba, count, c.data)) return kUnrecoveredReadError;
  return kGood;
}

Sense Recorder::ReadCd(Command& c) {
  const uint32_t lba = Get32(c.cdb + 2);
  const uint32_t count = Get24(c.cdb + 6);
  const uint8_t fields = c.cdb[9];
  if (disc_->Dvd()) return kIllegalModeForTrack;
  // Only the 2048 user bytes of mode 1 sectors, or nothing at all.
  if ((fields != 0x10 && fields != 0x00) || (c.cdb[10] & 0x07)) return kInvalidFieldInCdb;
  const uint32_t per_block = fields ? kBlockSize : 0;
  if (uint64_t{count} * per_block != c.data_len) return InvalidFieldAt(6);  // the transfer length
  Sense s = disc_->CheckRead(lba, count);
  if (!s.ok()) return s;
  if (MediumErrorIn(lba, count)) return kUnrecoveredReadError;
  if (per_block && count > 0 && !file_.Read(lba, count, c.data)) return kUnrecoveredReadError;
  return kGood;
}

Sense Recorder::Write10(Command& c) {
  const uint32_t lba = Get32(c.cdb + 2);
  const uint32_t count = Get16(c.cdb + 7);
  if (uint64_t{count} * kBlockSize > c.data_len) {
    c.short_data = true;
    return kGood;
  }
  if (count == 0) return kGood;
  const bool simulating = Simulating();
  Disc& disc = Target();

  // Leading blocks that belong to the pre-gap: taken in order, not recorded.
  uint32_t pregap = 0;
  if (CdRecordable()) {
    const uint8_t block_type = page05_[4] & 0x0F;
    switch (WriteType()) {
      case 2:  // session-at-once: the cue sheet describes the blocks
        if (!cue_sheet_sent_) return kSequenceError;
        break;
      case 3:  // raw blocks of 2352 bytes and more are not modelled
        return kIllegalModeForTrack;
      default:
        if (block_type != 8 && block_type != 10) return kIllegalModeForTrack;  // 2048-byte blocks only
    }
    if (AwaitingPregap(disc)) {
      if (lba != PregapNextAddress(disc)) return kInvalidWriteAddress;
      pregap = std::min(count, kCdPregap - pregap_sent_);
    }
  }
  // One transfer may run from the end of the pre-gap into the track
  // (addresses below 0 wrap, so this lands on the track start).
  const uint32_t start = lba + pregap;
  const uint32_t blocks = count - pregap;
  if (blocks > 0) {
    Sense s = disc.CheckWrite(start, blocks);
    if (!s.ok()) return s;
    if (MediumErrorIn(start, blocks)) return kWriteError;
  }

  FillBuffer(int64_t{count} * kBlockSize);
  pregap_sent_ += pregap;
  if (blocks == 0) return kGood;
  const uint8_t* data = c.data + uint64_t{pregap} * kBlockSize;
  if (!simulating) {
    if (!file_.Write(start, blocks, data)) return kWriteError;
    StoreCorruptedBlocks(start, blocks, data);
  }
  const bool was_formatted = disc.state().formatted;
  disc.CommitWrite(start, blocks);
  if (simulating) return kGood;
  // The count of written blocks is saved at SYNCHRONIZE CACHE; a DVD+RW
  // formatting itself on its first write is a change of the medium, saved now.
  dirty_ = true;
  if (disc.state().formatted != was_formatted && !Persist()) return kWriteError;
  return kGood;
}

}  // namespace orlix::vrec
