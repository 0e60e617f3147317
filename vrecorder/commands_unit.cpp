// Identity, readiness, the tray, speeds and the buffer.
#include <algorithm>
#include <cstring>

#include "vrecorder/recorder.h"

namespace orlix::vrec {

namespace {

constexpr uint32_t kBufferBytes = 2 * 1024 * 1024;

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

Sense Recorder::SynchronizeCache(Command&) {
  if (!file_.Flush()) return kWriteError;
  // In session-at-once recording the drive closes the session once the data
  // announced by the cue sheet has been written and flushed.
  if (cue_sheet_sent_ && WriteType() == 2 && disc_->state().open_recorded > 0) {
    cue_sheet_sent_ = false;
    Sense s = disc_->CloseSession(NextSessionAllowed());
    if (!s.ok()) return s;
    if (!Persist()) return kWriteError;
  }
  return kGood;
}

Sense Recorder::SetCdSpeed(Command& c) {
  const Medium& m = SpeedMedium();
  const uint32_t read = Get16(c.cdb + 2);
  const uint32_t write = Get16(c.cdb + 4);
  const uint16_t slowest_read = m.dvd ? 1385 : 176;
  read_speed_ = static_cast<uint16_t>(std::clamp<uint32_t>(read, slowest_read, m.max_read_speed));
  if (!m.write_speeds.empty()) {
    // The fastest supported speed that does not exceed the request, else the
    // slowest one.
    write_speed_ = m.write_speeds.back();
    for (uint16_t s : m.write_speeds) {
      if (s <= write) {
        write_speed_ = s;
        break;
      }
    }
  }
  return kGood;
}

Sense Recorder::ReadBufferCapacity(Command& c) {
  // Data goes to the disc file at once, so the buffer is always empty.
  Bytes d(12, 0);
  Put16(&d[0], 10);
  if (c.cdb[1] & 0x01) {
    Put32(&d[8], kBufferBytes / kBlockSize);
  } else {
    Put32(&d[4], kBufferBytes);
    Put32(&d[8], kBufferBytes);
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
  c.Take(length, descriptor);  // accepted as sent: performance is not modelled
  return kGood;
}

}  // namespace orlix::vrec
