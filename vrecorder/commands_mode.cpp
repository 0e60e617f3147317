// MODE SENSE (10) and MODE SELECT (10): write parameters (05h), capabilities
// and speeds (2Ah) and, when configured, a vendor page (30h).
#include <algorithm>
#include <cstring>

#include "vrecorder/recorder.h"

namespace orlix::vrec {

namespace {

constexpr uint8_t kPageCurrent = 0, kPageChangeable = 1, kPageDefault = 2, kPageSaved = 3;
constexpr size_t kWriteParametersLength = 52;
constexpr uint16_t kBufferKb = 2048;

void FillDefaultWriteParameters(bool dvd, uint8_t* p) {
  std::memset(p, 0, kWriteParametersLength);
  p[0] = 0x05;
  p[1] = kWriteParametersLength - 2;
  if (dvd) {
    p[2] = 0x00;  // incremental
    p[3] = 0x25;  // fixed packets, track mode 5
    Put32(p + 10, 16);
  } else {
    p[2] = 0x01;  // track-at-once
    p[3] = 0x04;  // data track, recorded uninterrupted
  }
  p[4] = 0x08;  // mode 1, 2048 bytes
  Put16(p + 14, 150);
}

}  // namespace

void Recorder::DefaultWriteParameters() { FillDefaultWriteParameters(SpeedMedium().dvd, page05_); }

Bytes Recorder::WriteParametersPage(uint8_t page_control) const {
  Bytes p(page05_, page05_ + kWriteParametersLength);
  if (page_control == kPageDefault) FillDefaultWriteParameters(SpeedMedium().dvd, p.data());
  if (page_control == kPageChangeable) {
    std::fill(p.begin() + 2, p.end(), 0xFF);
    p[2] = 0x7F;
    p[4] = 0x0F;
    p[6] = 0x00;
    p[7] = 0x3F;
    p[9] = 0x00;
  }
  return p;
}

Bytes Recorder::CapabilitiesPage(uint8_t page_control) const {
  const Medium& m = SpeedMedium();
  const std::vector<uint16_t>& speeds = m.write_speeds;
  const uint16_t max_write = speeds.empty() ? 0 : speeds.front();
  Bytes p(32 + 4 * speeds.size(), 0);
  p[0] = 0x2A;
  p[1] = static_cast<uint8_t>(p.size() - 2);
  if (page_control == kPageChangeable) return p;  // nothing here can be changed
  const bool current = page_control == kPageCurrent;
  p[2] = 0x3F;  // reads CD-R, CD-RW, method 2, DVD-ROM, DVD-R, DVD-RAM
  p[3] = 0x37;  // writes CD-R, CD-RW, DVD-R, DVD-RAM; test write
  p[4] = 0xF1;  // underrun protection, multisession, mode 2 forms 1 and 2, audio
  p[5] = 0x23;  // ISRC, accurate CD-DA stream, CD-DA commands
  p[6] = static_cast<uint8_t>(0x29 | (prevented_ ? 0x02 : 0));  // tray, eject, lock (and its state)
  Put16(&p[8], m.max_read_speed);
  Put16(&p[10], 256);  // volume levels
  Put16(&p[12], kBufferKb);
  Put16(&p[14], current ? read_speed_ : m.max_read_speed);
  Put16(&p[18], max_write);
  Put16(&p[20], current ? write_speed_ : max_write);
  Put16(&p[22], 1);  // copy management revision
  Put16(&p[28], current ? write_speed_ : max_write);
  Put16(&p[30], static_cast<uint32_t>(speeds.size()));
  for (size_t i = 0; i < speeds.size(); ++i) Put16(&p[32 + 4 * i + 2], speeds[i]);
  return p;
}

Bytes Recorder::VendorPage() const {
  Bytes p(16, 0);
  p[0] = 0x30;
  p[1] = 14;
  std::memcpy(&p[2], "ORLIX LINK", 10);
  return p;
}

Sense Recorder::ModeSense10(Command& c) {
  const uint8_t page_control = c.cdb[2] >> 6;
  const uint8_t page = c.cdb[2] & 0x3F;
  if (page_control == kPageSaved) return kSavingNotSupported;
  if (c.cdb[3] != 0) return kInvalidFieldInCdb;  // no subpages

  Bytes d(8, 0);
  auto add = [&](const Bytes& p) { d.insert(d.end(), p.begin(), p.end()); };
  auto write_parameters = [&] { return WriteParametersPage(page_control); };
  switch (page) {
    case 0x05:
      add(write_parameters());
      break;
    case 0x2A:
      add(CapabilitiesPage(page_control));
      break;
    case 0x30:
      if (!settings_.vendor_page) return kInvalidFieldInCdb;
      add(VendorPage());
      break;
    case 0x3F:
      add(write_parameters());
      add(CapabilitiesPage(page_control));
      if (settings_.vendor_page) add(VendorPage());
      break;
    default:
      return kInvalidFieldInCdb;
  }
  Put16(&d[0], static_cast<uint32_t>(d.size() - 2));
  c.Answer(d, Get16(c.cdb + 7));
  return kGood;
}

// Which write parameters a drive takes with the loaded medium: CDs take every
// write type, raw only with raw block types; DVD-R and sequential DVD-RW take
// incremental, track-at-once (recorded as incremental) and disc-at-once, but
// not raw; DVD+R, DVD+RW, DVD-RAM and restricted overwrite DVD-RW ignore the
// page except that they cannot simulate and cannot write raw.
Sense Recorder::CheckWriteParameters(const uint8_t* p) const {
  const uint8_t write_type = p[2] & 0x0F;
  const bool test_write = p[2] & 0x10;
  const uint8_t block_type = p[4] & 0x0F;
  const bool fixed_packet = p[3] & 0x20;
  if (write_type > 3) return kInvalidFieldInParameters;  // layer jump: no dual-layer media
  const Medium& m = SpeedMedium();
  if (!m.dvd) {
    if ((block_type >= 4 && block_type <= 7) || block_type >= 14) return kInvalidFieldInParameters;
    if (write_type == 3 && (block_type < 1 || block_type > 3)) return kInvalidFieldInParameters;
    if (write_type == 0 && fixed_packet && Get32(p + 10) == 0) return kInvalidFieldInParameters;
    return kGood;
  }
  if (write_type == 3) return kInvalidFieldInParameters;
  const bool simulates =
      m.profile == kProfileDvdR || m.profile == kProfileDvdRwSequential || m.profile == kProfileDvdRom;
  if (test_write && !simulates) return kInvalidFieldInParameters;
  return kGood;
}

Sense Recorder::ModeSelect10(Command& c) {
  if (!(c.cdb[1] & 0x10)) return kInvalidFieldInCdb;  // pages must be in page format
  const uint32_t length = Get16(c.cdb + 7);
  Bytes list;
  if (!c.Take(length, list)) return kGood;
  if (length < 8) return length == 0 ? kGood : kParameterListLength;
  size_t at = 8 + Get16(&list[6]);  // past any block descriptors
  if (at > list.size()) return kParameterListLength;
  while (at < list.size()) {
    if (at + 2 > list.size()) return kParameterListLength;
    const uint8_t page = list[at] & 0x3F;
    const size_t page_length = list[at + 1];
    if (at + 2 + page_length > list.size()) return kParameterListLength;
    const uint8_t* p = &list[at];
    switch (page) {
      case 0x05: {
        if (page_length < 14) return kParameterListLength;  // up to the audio pause length
        Sense s = CheckWriteParameters(p);
        if (!s.ok()) return s;
        const uint8_t old_write_type = WriteType();
        const uint8_t old_test_write = page05_[2] & 0x10;
        std::memcpy(page05_ + 2, p + 2, std::min(page_length, kWriteParametersLength - 2));
        if (WriteType() != old_write_type) {
          cue_sheet_sent_ = false;
          pregap_sent_ = 0;
        }
        // Turning the test write on or off starts from the real medium.
        if ((page05_[2] & 0x10) != old_test_write) EndSimulation();
        break;
      }
      case 0x30:
        if (!settings_.vendor_page) return kInvalidFieldInParameters;
        break;
      default:  // capabilities and everything else cannot be set
        return kInvalidFieldInParameters;
    }
    at += 2 + page_length;
  }
  return kGood;
}

}  // namespace orlix::vrec
