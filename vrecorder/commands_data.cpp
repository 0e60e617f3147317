// READ (10), READ CD and WRITE (10).
#include <cstring>

#include "vrecorder/recorder.h"

namespace orlix::vrec {

namespace {

// The pre-gap before the first track written session-at-once, sent at
// negative addresses relative to the track start.
constexpr int64_t kPregap = 150;

}  // namespace

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
  if (uint64_t{count} * per_block > c.data_len) {
    c.short_data = true;
    return kGood;
  }
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
  Disc& disc = *disc_;

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
    // Pre-gap blocks of a session-at-once track: the drive generates them.
    const int64_t signed_lba = static_cast<int32_t>(lba);
    const int64_t track_start = disc.state().next_start;
    if (WriteType() == 2 && disc.state().open_recorded == 0 && signed_lba >= track_start - kPregap &&
        signed_lba + count <= track_start)
      return kGood;
  }

  Sense s = disc.CheckWrite(lba, count);
  if (!s.ok()) return s;
  if (MediumErrorIn(lba, count)) return kWriteError;
  if (Simulating()) return kGood;
  if (!file_.Write(lba, count, c.data)) return kWriteError;
  const DiscState before = disc.state();
  disc.CommitWrite(lba, count);
  const DiscState& after = disc.state();
  bool changed = after.high_water != before.high_water || after.formatted != before.formatted ||
                 after.open_recorded != before.open_recorded || disc.Sequential();
  if (changed && !Persist()) return kWriteError;
  return kGood;
}

}  // namespace orlix::vrec
