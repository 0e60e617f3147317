// Commands that change the medium's layout: RESERVE TRACK, CLOSE TRACK/
// SESSION, BLANK, FORMAT UNIT and SEND CUE SHEET.
#include "vrecorder/clock.h"
#include "vrecorder/recorder.h"

namespace orlix::vrec {

Sense Recorder::ReserveTrack(Command& c) {
  if (c.cdb[1] & 0x01) return kInvalidFieldInCdb;  // reservation by address is not modelled
  const bool simulating = Simulating();
  Sense s = Target().ReserveTrack(Get32(c.cdb + 5));
  if (!s.ok()) return s;
  return simulating || Persist() ? kGood : kWriteError;
}

Sense Recorder::CloseTrackSession(Command& c) {
  const bool immediate = c.cdb[1] & 0x01;
  const uint8_t function = c.cdb[2] & 0x07;
  const uint32_t track = Get16(c.cdb + 4);
  const bool simulating = Simulating();
  Disc& disc = Target();
  // The drive writes out its buffer before it closes anything.
  const int64_t drain_ms = buffer_.DrainMs(NowMs());
  Sense s = kInvalidFieldInCdb;
  switch (disc.state().profile) {
    case kProfileCdR:
    case kProfileCdRw:
    case kProfileDvdR:
    case kProfileDvdRwSequential:
      // The multisession field of the write parameters decides whether the
      // closed session is the last one.
      if (function == 1) s = disc.CloseTrack(track);
      if (function == 2) s = disc.CloseSession(NextSessionAllowed());
      break;
    case kProfileDvdPlusR:
      if (function == 1) s = disc.CloseTrack(track);
      if (function == 2) s = disc.CloseSession(true);
      if (function == 5 || function == 6) s = disc.Finalize();
      break;
    case kProfileDvdPlusRw:  // stop or complete the background format
    case kProfileDvdRwRestricted:
    case kProfileDvdRam:
      if (function < 1 || function > 3) return kInvalidFieldInCdb;
      LongOperation(drain_ms, immediate, kLongWriteInProgress);
      return PersistIfChanged() ? kGood : kWriteError;
    default:
      return kCannotWriteMedium;
  }
  if (!s.ok()) return s;
  cue_sheet_sent_ = false;
  pregap_sent_ = 0;
  LongOperation(drain_ms + CloseMs(), immediate, kLongWriteInProgress);
  if (simulating) {
    // A simulated session leaves the medium as it was.
    if (function != 1) EndSimulation();
    return kGood;
  }
  return Persist() ? kGood : kWriteError;
}

Sense Recorder::BlankMedium(Command& c) {
  const uint8_t type = c.cdb[1] & 0x07;
  const bool immediate = c.cdb[1] & 0x10;
  uint32_t keep = kKeepAll;
  Sense s = disc_->Blank(type, keep);
  if (!s.ok()) return s;
  if (keep != kKeepAll && !file_.KeepBlocks(keep)) return kWriteError;
  cue_sheet_sent_ = false;
  pregap_sent_ = 0;
  EndSimulation();
  LongOperation(type == 0 ? settings_.op_ms : QuickMs(), immediate, kOperationInProgress);
  return Persist() ? kGood : kWriteError;
}

Sense Recorder::FormatUnit(Command& c) {
  const bool format_data = c.cdb[1] & 0x10;
  const uint8_t format_code = c.cdb[1] & 0x07;
  Disc& disc = *disc_;
  bool immediate = false;
  uint32_t blocks = 0;
  uint8_t type = 0;
  if (format_data) {
    if (format_code != 1) return kInvalidFieldInCdb;
    Bytes header;
    if (!c.Take(4, header)) return kGood;
    const uint32_t descriptor_length = Get16(&header[2]);
    if (descriptor_length < 8) return kParameterListLength;
    Bytes list;
    if (!c.Take(4 + descriptor_length, list)) return kGood;
    immediate = list[1] & 0x02;
    blocks = Get32(&list[4]);
    type = list[8] >> 2;
  } else {
    // Without a list each medium gets its full format.
    switch (disc.state().profile) {
      case kProfileDvdPlusRw:
        type = 0x26;
        break;
      case kProfileDvdRwSequential:
      case kProfileDvdRwRestricted:
        type = 0x10;
        break;
    }
  }
  uint32_t keep = kKeepAll;
  Sense s = disc.Format(type, blocks, keep);
  if (!s.ok()) return s;
  if (keep != kKeepAll && !file_.KeepBlocks(keep)) return kWriteError;
  cue_sheet_sent_ = false;
  pregap_sent_ = 0;
  EndSimulation();
  int64_t ms = settings_.op_ms;
  if (type == 0x15) ms = QuickMs();
  if (type == 0x13) ms = CloseMs();
  LongOperation(ms, immediate, kFormatInProgress);
  return Persist() ? kGood : kWriteError;
}

Sense Recorder::SendCueSheet(Command& c) {
  const uint32_t length = Get24(c.cdb + 6);
  if (!CdRecordable()) return kIncompatibleMedium;
  const Disc& disc = Target();
  if (disc.state().finalized || WriteType() != 2 || disc.OpenSessionHasData()) return kSequenceError;
  if (length == 0 || length % 8 != 0) return kInvalidFieldInCdb;
  Bytes sheet;
  if (!c.Take(length, sheet)) return kGood;
  bool lead_out = false;
  for (size_t at = 0; at < sheet.size(); at += 8) {
    const uint8_t adr = sheet[at] & 0x0F;
    const uint8_t track = sheet[at + 1];
    if (adr == 2 || adr == 3) continue;  // catalogue number, ISRC
    if (adr != 1 || (track > 99 && track != 0xAA)) return kInvalidFieldInParameters;
    if (sheet[at + 6] >= 60 || sheet[at + 7] >= 75) return kInvalidFieldInParameters;
    if (track == 0xAA) lead_out = true;
  }
  if (!lead_out) return kInvalidFieldInParameters;
  cue_sheet_sent_ = true;
  pregap_sent_ = 0;
  return kGood;
}

}  // namespace orlix::vrec
