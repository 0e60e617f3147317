// What the drive tells of the medium: TOC, ATIP, disc and track information,
// format capacities and DVD structures.
#include <cctype>

#include "vrecorder/recorder.h"

namespace orlix::vrec {

namespace {

constexpr uint8_t kDataTrackControl = 0x14;   // ADR 1, data recorded uninterrupted
constexpr uint32_t kDvdDataStart = 0x030000;  // first physical sector of the data zone

void PutAddress(uint8_t* p, uint32_t lba, bool msf) {
  if (msf) {
    p[0] = 0;
    PutMsf(p + 1, lba);
  } else {
    Put32(p, lba);
  }
}

void PutTocEntry(Bytes& d, uint8_t number, uint32_t lba, bool msf) {
  size_t at = d.size();
  d.resize(at + 8, 0);
  d[at + 1] = kDataTrackControl;
  d[at + 2] = number;
  PutAddress(&d[at + 4], lba, msf);
}

void PutCapacity(Bytes& d, uint32_t blocks, uint8_t type_byte, uint32_t parameter) {
  size_t at = d.size();
  d.resize(at + 8, 0);
  Put32(&d[at], blocks);
  d[at + 4] = type_byte;
  Put24(&d[at + 5], parameter);
}

}  // namespace

Sense Recorder::ReadToc(Command& c) {
  const bool msf = c.cdb[1] & 0x02;
  uint8_t format = c.cdb[2] & 0x0F;
  if (format == 0 && (c.cdb[9] & 0xC0)) format = c.cdb[9] >> 6;  // the older place of the format
  const uint8_t track = c.cdb[6];
  const uint32_t allocation = Get16(c.cdb + 7);
  const Disc& disc = *disc_;
  Bytes d(4, 0);

  if (format == 4) {  // ATIP: recordable CDs only
    if (!CdRecordable()) return kInvalidFieldInCdb;
    d.resize(28, 0);
    d[4] = 0x54;                                                // indicative writing power, reference speed
    d[6] = disc.state().profile == kProfileCdRw ? 0xC0 : 0x80;  // bit 6: rewritable
    d[8] = 97;                                                  // start of the lead-in, 97:26:66
    d[9] = 26;
    d[10] = 66;
    PutMsf(&d[12], disc.state().capacity);  // last possible start of the lead-out
    Put16(&d[0], static_cast<uint32_t>(d.size() - 2));
    c.Answer(d, allocation);
    return kGood;
  }
  if (format > 1) return kInvalidFieldInCdb;

  uint32_t lead_out = 0;
  std::vector<TrackView> tracks = disc.TocTracks(lead_out);
  if (tracks.empty()) return kInvalidFieldInCdb;  // nothing recorded yet
  const uint8_t first = static_cast<uint8_t>(tracks.front().number);
  const uint8_t last = static_cast<uint8_t>(tracks.back().number);

  if (format == 1) {  // session information
    uint32_t session = disc.LastCompleteSession();
    auto head = disc.FirstTrackOfSession(session);
    if (!head) return kInvalidFieldInCdb;
    d[2] = 1;
    d[3] = static_cast<uint8_t>(session);
    PutTocEntry(d, static_cast<uint8_t>(head->number), head->start, msf);
  } else {
    if (track != 0 && track != 0xAA && track > last) return kInvalidFieldInCdb;
    d[2] = first;
    d[3] = last;
    for (const TrackView& t : tracks)
      if (track != 0xAA && t.number >= track) PutTocEntry(d, static_cast<uint8_t>(t.number), t.start, msf);
    PutTocEntry(d, 0xAA, lead_out, msf);
  }
  Put16(&d[0], static_cast<uint32_t>(d.size() - 2));
  c.Answer(d, allocation);
  return kGood;
}

Sense Recorder::ReadDiscInformation(Command& c) {
  if (c.cdb[1] & 0x07) return kInvalidFieldInCdb;  // only standard disc information
  const Disc& disc = Shown();
  const DiscState& s = disc.state();
  Bytes d(34, 0);
  Put16(&d[0], 32);
  d[2] = static_cast<uint8_t>((disc.medium().blankable || disc.Overwrite() ? 0x10 : 0) |
                              (disc.LastSessionState() << 2) | disc.Status());
  d[3] = 1;
  d[4] = static_cast<uint8_t>(disc.Sessions());
  d[5] = static_cast<uint8_t>(disc.FirstTrackInLastSession());
  d[6] = static_cast<uint8_t>(disc.LastTrackInLastSession());
  d[9] = static_cast<uint8_t>(disc.Sessions() >> 8);
  d[10] = static_cast<uint8_t>(disc.FirstTrackInLastSession() >> 8);
  d[11] = static_cast<uint8_t>(disc.LastTrackInLastSession() >> 8);
  if (!disc.Dvd() && !disc.Pressed()) d[7] |= 0x20;                 // unrestricted use
  if (s.profile == kProfileDvdPlusRw && s.formatted) d[7] |= 0x03;  // background format complete
  d[8] = disc.Dvd() ? 0x00 : 0x20;                                  // CD-ROM XA

  // Start of the next lead-in and last possible start of the lead-out.
  bool open = disc.Sequential() && !s.finalized;
  if (!disc.Dvd()) {
    if (open) {
      // The disc's own lead-in for the first session, else the lead-in
      // (4500) and pre-gap (150) before the open session's first track.
      uint32_t lead_in = MsfToLba(97, 26, 66);
      if (s.closed_sessions > 0) lead_in = disc.FirstTrackOfSession(s.closed_sessions + 1)->start - 4650;
      PutMsf(&d[17], lead_in);
      PutMsf(&d[21], s.capacity);
    } else {
      Put32(&d[16], 0xFFFFFFFF);
      Put32(&d[20], 0xFFFFFFFF);
    }
  } else {
    Put32(&d[16], open ? s.next_start : 0xFFFFFFFF);
    Put32(&d[20], disc.Pressed() ? 0xFFFFFFFF : s.capacity);
  }
  c.Answer(d, Get16(c.cdb + 7));
  return kGood;
}

Sense Recorder::ReadTrackInformation(Command& c) {
  const uint8_t address_type = c.cdb[1] & 0x03;
  const uint32_t value = Get32(c.cdb + 2);
  const Disc& disc = Shown();
  std::optional<TrackView> t;
  switch (address_type) {
    case 0:
      t = disc.TrackContaining(value);
      if (!t) return kLbaOutOfRange;
      break;
    case 1:
      if (value != 0) t = disc.TrackByNumber(value);
      break;
    case 2:
      t = disc.FirstTrackOfSession(value);
      break;
  }
  if (!t) return kInvalidFieldInCdb;
  if (t->number == disc.InvisibleTrackNumber() && AwaitingPregap(disc)) t->next_writable = PregapNextAddress(disc);
  Bytes d(48, 0);
  Put16(&d[0], 46);
  d[2] = static_cast<uint8_t>(t->number);
  d[3] = static_cast<uint8_t>(t->session);
  d[5] = t->incremental ? 0x05 : 0x04;  // data track, incremental or uninterrupted
  // Incremental DVD recording writes variable packets: FP stays clear.
  d[6] = static_cast<uint8_t>((t->reserved ? 0x80 : 0) | (t->blank ? 0x40 : 0) | (t->incremental ? 0x20 : 0) |
                              0x01);  // data mode 1
  d[7] = static_cast<uint8_t>((t->last_recorded_valid ? 0x02 : 0) | (t->next_writable_valid ? 0x01 : 0));
  Put32(&d[8], t->start);
  Put32(&d[12], t->next_writable_valid ? t->next_writable : 0);
  Put32(&d[16], t->free);
  Put32(&d[20], t->incremental ? 16 : 0);
  Put32(&d[24], t->size);
  Put32(&d[28], t->last_recorded_valid ? t->last_recorded : 0);
  d[32] = static_cast<uint8_t>(t->number >> 8);
  d[33] = static_cast<uint8_t>(t->session >> 8);
  c.Answer(d, Get16(c.cdb + 7));
  return kGood;
}

Sense Recorder::ReadFormatCapacities(Command& c) {
  constexpr uint8_t kUnformatted = 0x01, kFormatted = 0x02, kNoMedia = 0x03;
  Bytes d(4, 0);
  if (!MediumPresent()) {
    PutCapacity(d, SpeedMedium().default_blocks, kNoMedia, kBlockSize);
  } else {
    const Disc& disc = *disc_;
    const DiscState& s = disc.state();
    bool formatted = disc.Overwrite() ? s.formatted : !disc.IsBlank();
    PutCapacity(d, s.capacity, formatted ? kFormatted : kUnformatted, kBlockSize);
    switch (s.profile) {
      case kProfileDvdPlusRw:
        PutCapacity(d, s.capacity, 0x26 << 2, 0);
        break;
      case kProfileDvdRam:
        PutCapacity(d, s.capacity, 0x00 << 2, kBlockSize);
        break;
      case kProfileDvdRwRestricted:
        PutCapacity(d, s.capacity, 0x10 << 2, 16);
        PutCapacity(d, s.capacity, 0x13 << 2, 16);
        PutCapacity(d, s.capacity, 0x15 << 2, 16);
        break;
      case kProfileDvdRwSequential:
        PutCapacity(d, s.capacity, 0x10 << 2, 16);
        PutCapacity(d, s.capacity, 0x15 << 2, 16);
        break;
    }
  }
  d[3] = static_cast<uint8_t>(d.size() - 4);
  c.Answer(d, Get16(c.cdb + 7));
  return kGood;
}

Sense Recorder::ReadDvdStructure(Command& c) {
  const uint8_t layer = c.cdb[6];
  const uint8_t format = c.cdb[7];
  const uint32_t allocation = Get16(c.cdb + 8);
  const Disc& disc = *disc_;
  if (!disc.Dvd()) return kCannotReadMedium;
  if (layer != 0) return kInvalidFieldInCdb;  // single-layer media only
  // Each answer is sized once: growing a 4-byte header in place trips a
  // false bounds warning of GCC 12.
  Bytes d;
  switch (format) {
    case 0x00: {  // physical format information
      d.assign(4 + 2048, 0);
      const Medium& m = disc.medium();
      d[4] = m.book_type;
      d[5] = 0x0F;  // 120 mm, maximum rate not given
      // Layer type: embossed, recordable or rewritable.
      if (m.recording == Recording::kPressed)
        d[6] = 0x01;
      else if (m.blankable || m.recording == Recording::kOverwrite)
        d[6] = 0x04;
      else
        d[6] = 0x02;
      d[7] = 0x10;  // 0.267 um per bit, 0.74 um track pitch
      Put32(&d[8], kDvdDataStart);
      Put32(&d[12], kDvdDataStart + disc.state().capacity - 1);
      break;
    }
    case 0x01:  // copyright: no protection, all regions
      d.assign(8, 0);
      break;
    case 0x04:  // manufacturing information
      d.assign(4 + 2048, 0);
      break;
    case 0xFF: {  // the structures this drive returns
      const uint8_t formats[] = {0x00, 0x01, 0x04, 0xFF};
      d.assign(4 + 4 * sizeof formats, 0);
      for (size_t i = 0; i < sizeof formats; ++i) {
        const uint8_t f = formats[i];
        d[4 + 4 * i] = f;
        d[4 + 4 * i + 1] = 0x40;  // readable
        Put16(&d[4 + 4 * i + 2], f == 0x01 ? 4 : f == 0xFF ? 20 : 2048);
      }
      break;
    }
    default:
      return kInvalidFieldInCdb;
  }
  Put16(&d[0], static_cast<uint32_t>(d.size() - 2));
  c.Answer(d, allocation);
  return kGood;
}

Sense Recorder::SendDvdStructure(Command& c) {
  const uint8_t format = c.cdb[7];
  const uint32_t length = Get16(c.cdb + 8);
  Disc& disc = *disc_;
  if (!disc.Dvd()) return kIncompatibleMedium;
  Bytes list;
  switch (format) {
    case 0x0F: {  // time stamp of the recording
      uint16_t p = disc.state().profile;
      if (p != kProfileDvdR && p != kProfileDvdRwSequential) return kIncompatibleMedium;
      if (length < 22) return kParameterListLength;
      if (!c.Take(length, list)) return kGood;
      std::string stamp(list.begin() + 8, list.begin() + 22);
      for (char ch : stamp)
        if (!std::isdigit(static_cast<unsigned char>(ch))) return kInvalidFieldInParameters;
      const bool simulating = Simulating();
      Target().state().timestamp = stamp;
      return simulating || Persist() ? kGood : kWriteError;
    }
    case 0x04:  // user specific data
    case 0x05:  // copyright management
      c.Take(length, list);
      return kGood;
    default:
      return kInvalidFieldInCdb;
  }
}

}  // namespace orlix::vrec
