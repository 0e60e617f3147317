// Identity, readiness, the tray, speeds and the buffer.
#include <algorithm>
#include <cstring>

#include "vrecorder/clock.h"
#include "vrecorder/recorder.h"

namespace orlix::vrec {

namespace {

uint16_t SlowestRead(const Medium& m) { return m.dvd ? 1385 : 176; }

void PutText(Bytes& b, size_t at, const char* text, size_t width) {
  size_t n = std::strlen(text);
  for (size_t i = 0; i < width; ++i) b[at + i] = static_cast<uint8_t>(i < n ? text[i] : ' ');
}

}  // namespace

Sense Recorder::TestUnitReady(Command&) { return kGood; }

Sense Recorder::Rezero(Command&) { return kGood; }

Sense Recorder::RequestSense(Command& c) {
  if (c.cdb[1] & 0x01) return kInvalidFieldInCdb;  // descriptor format
  // Reports the drive's present condition: the sense of a failed command
  // already went back with it.
  Sense now = kGood;
  if (faults_.not_ready > 0)
    now = kBecomingReady;
  else if (Busy())
    now = BusySense();
  else if (!MediumPresent())
    now = NoMedium();
  Bytes sense(18, 0);
  sense[0] = 0x70;
  sense[2] = now.key;
  sense[7] = 10;
  sense[12] = now.asc;
  sense[13] = now.ascq;
  if (now.progress >= 0) {
    sense[15] = 0x80;
    Put16(&sense[16], static_cast<uint32_t>(now.progress));
  }
  c.Answer(sense, c.cdb[4]);
  return kGood;
}

Sense Recorder::Inquiry(Command& c) {
  if ((c.cdb[1] & 0x01) || c.cdb[2] != 0) return kInvalidFieldInCdb;  // no vital product data pages
  Bytes d(96, 0);
  d[0] = 0x05;  // CD/DVD device
  d[1] = 0x80;  // removable medium
  d[2] = 0x05;  // SPC-3
  d[3] = 0x12;  // hierarchical addressing, response data format 2
  d[4] = static_cast<uint8_t>(d.size() - 5);
  PutText(d, 8, "ORLIX", 8);
  PutText(d, 16, "VIRTUAL RECORDER", 16);
  PutText(d, 32, "1.00", 4);
  PutText(d, 36, "SOFTWARE MMC DRIVE", 20);
  Put16(&d[58], 0x03A0);  // MMC-5
  Put16(&d[60], 0x0300);  // SPC-3
  c.Answer(d, Get16(c.cdb + 3));
  return kGood;
}

Sense Recorder::StartStopUnit(Command& c) {
  const bool load_eject = c.cdb[4] & 0x02;
  const bool start = c.cdb[4] & 0x01;
  if (!load_eject || (c.cdb[4] & 0xF0)) return kGood;  // spindle and power changes cost nothing here
  if (start) {
    tray_open_ = false;
    return kGood;
  }
  if (prevented_) return kRemovalPrevented;
  tray_open_ = true;
  cue_sheet_sent_ = false;
  pregap_sent_ = 0;
  EndSimulation();
  PersistIfChanged();
  return kGood;
}

Sense Recorder::PreventAllow(Command& c) {
  prevented_ = c.cdb[4] & 0x01;
  return kGood;
}

Sense Recorder::ReadCapacity(Command& c) {
  Bytes d(8, 0);
  Put32(&d[0], disc_->LastLba());
  Put32(&d[4], kBlockSize);
  c.Answer(d, 8);
  return kGood;
}

Sense Recorder::SynchronizeCache(Command& c) {
  const bool immediate = c.cdb[1] & 0x02;
  const bool simulating = Simulating();
  Disc& disc = Target();
  int64_t ms = buffer_.DrainMs(NowMs());
  // In session-at-once recording the drive closes the session once the data
  // announced by the cue sheet has been written and flushed.
  if (cue_sheet_sent_ && WriteType() == 2 && disc.state().open_recorded > 0) {
    Sense s = disc.CloseSession(NextSessionAllowed());
    if (!s.ok()) return s;
    cue_sheet_sent_ = false;
    pregap_sent_ = 0;
    ms += CloseMs();
    if (simulating) EndSimulation();
  }
  LongOperation(ms, immediate, kLongWriteInProgress);
  return simulating || Persist() ? kGood : kWriteError;
}

Sense Recorder::SetCdSpeed(Command& c) {
  const Medium& m = SpeedMedium();
  const uint32_t read = Get16(c.cdb + 2);
  const uint32_t write = Get16(c.cdb + 4);
  read_speed_ = static_cast<uint16_t>(std::clamp<uint32_t>(read, SlowestRead(m), m.max_read_speed));
  write_speed_ = ChooseWriteSpeed(write);
  ApplyBufferRate();
  return kGood;
}

Sense Recorder::ReadBufferCapacity(Command& c) {
  const int64_t free = buffer_.Free(NowMs());
  Bytes d(12, 0);
  Put16(&d[0], 10);
  if (c.cdb[1] & 0x01) {
    d[7] = 0x01;  // block data returned
    Put32(&d[8], static_cast<uint32_t>(free / kBlockSize));
  } else {
    Put32(&d[4], static_cast<uint32_t>(DriveBuffer::kCapacity));
    Put32(&d[8], static_cast<uint32_t>(free));
  }
  c.Answer(d, Get16(c.cdb + 7));
  return kGood;
}

Sense Recorder::SendOpc(Command&) { return disc_->Pressed() ? kIncompatibleMedium : kGood; }

Sense Recorder::SetStreaming(Command& c) {
  const uint8_t type = c.cdb[8];
  const uint32_t length = Get16(c.cdb + 9);
  if (type != 0x00 && type != 0x05) return kInvalidFieldInCdb;
  if (type == 0x00 && length < 28) return kParameterListLength;
  Bytes descriptor;
  if (!c.Take(length, descriptor) || type != 0x00) return kGood;  // cache zones are not modelled
  // A performance descriptor: sizes in kB per times in ms give the speeds,
  // rounded down to those the medium has, as SET CD SPEED does.
  const Medium& m = SpeedMedium();
  if (descriptor[0] & 0x04) {  // restore the drive's defaults
    read_speed_ = m.max_read_speed;
    write_speed_ = ChooseWriteSpeed(UINT16_MAX);
  } else {
    // A zero time leaves that speed as it was.
    const uint32_t read_ms = Get32(&descriptor[16]), write_ms = Get32(&descriptor[24]);
    if (read_ms > 0) {
      const uint64_t read = uint64_t{Get32(&descriptor[12])} * 1000 / read_ms;
      read_speed_ = static_cast<uint16_t>(std::clamp<uint64_t>(read, SlowestRead(m), m.max_read_speed));
    }
    if (write_ms > 0) {
      const uint64_t write = uint64_t{Get32(&descriptor[20])} * 1000 / write_ms;
      write_speed_ = ChooseWriteSpeed(static_cast<uint32_t>(std::min<uint64_t>(write, UINT32_MAX)));
    }
  }
  ApplyBufferRate();
  return kGood;
}

}  // namespace orlix::vrec
