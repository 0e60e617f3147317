#include "vrecorder/disc.h"

#include <algorithm>

#include "vrecorder/bytes.h"

namespace orlix::vrec {

namespace {

// Lead-out, lead-in and pre-gap between the sessions of a CD: 6750 + 4500 +
// 150 after the first session, 2250 + 4500 + 150 after later ones.
constexpr uint32_t kCdFirstSessionGap = 11400;
constexpr uint32_t kCdSessionGap = 6900;
// Border-out and border-in of DVD-R/-RW: 32 MiB after the first border,
// 6 MiB after later ones. Session closure of DVD+R: 4 MiB.
constexpr uint32_t kDvdMinusFirstBorder = 16384;
constexpr uint32_t kDvdMinusBorder = 3072;
constexpr uint32_t kDvdPlusSessionGap = 2048;
// ECC block of DVD: tracks start on its boundaries.
constexpr uint32_t kEccBlock = 16;
// A CD holds at most 99 tracks.
constexpr size_t kCdMaxTracks = 99;

bool Within(uint32_t lba, uint32_t count, uint64_t end) { return uint64_t{lba} + count <= end; }

// A track closed before its reserved size is full keeps that size: the drive
// pads the rest, which then reads as recorded.
void CloseAndPad(Track& t) {
  if (t.closed) return;
  t.closed = true;
  t.recorded = t.size;
}

}  // namespace

const Medium& Disc::medium() const {
  static const Medium none{kProfileNone, "", "", false, Recording::kPressed, false, false, 0, 0, {}, 0};
  const Medium* m = MediumForProfile(s_.profile);
  return m ? *m : none;
}

uint32_t Disc::Align(uint32_t lba) const { return Dvd() ? AlignUp(lba, kEccBlock) : lba; }

uint32_t Disc::SessionGap(uint32_t closed_sessions) const {
  if (!Dvd()) return closed_sessions <= 1 ? kCdFirstSessionGap : kCdSessionGap;
  if (s_.profile == kProfileDvdPlusR) return kDvdPlusSessionGap;
  return closed_sessions <= 1 ? kDvdMinusFirstBorder : kDvdMinusBorder;
}

uint32_t Disc::LastTrackEnd() const {
  return s_.tracks.empty() ? 0 : s_.tracks.back().start + s_.tracks.back().size;
}

bool Disc::OpenSessionHasData() const {
  if (s_.open_recorded > 0) return true;
  for (const Track& t : s_.tracks)
    if (t.session > s_.closed_sessions) return true;
  return false;
}

bool Disc::IsBlank() const {
  if (Sequential()) return s_.tracks.empty() && s_.open_recorded == 0 && s_.closed_sessions == 0;
  if (Overwrite()) return !s_.formatted;
  return false;
}

uint8_t Disc::Status() const {
  if (Pressed()) return 2;
  if (Overwrite()) {
    if (s_.profile == kProfileDvdRam) return 3;
    return s_.formatted ? 2 : 0;
  }
  if (s_.finalized) return 2;
  return IsBlank() ? 0 : 1;
}

uint8_t Disc::LastSessionState() const {
  if (!Sequential()) return Status() == 0 ? 0 : 3;
  if (s_.finalized) return 3;
  return OpenSessionHasData() ? 1 : 0;
}

uint32_t Disc::Sessions() const {
  if (!Sequential()) return 1;
  return s_.finalized ? s_.closed_sessions : s_.closed_sessions + 1;
}

uint32_t Disc::FirstTrackInLastSession() const {
  if (!Sequential()) return 1;
  uint32_t session = s_.finalized ? s_.closed_sessions : s_.closed_sessions + 1;
  for (size_t i = 0; i < s_.tracks.size(); ++i)
    if (s_.tracks[i].session == session) return static_cast<uint32_t>(i) + 1;
  return InvisibleTrackNumber();
}

uint32_t Disc::LastTrackInLastSession() const {
  if (!Sequential()) return 1;
  return s_.finalized ? static_cast<uint32_t>(s_.tracks.size()) : InvisibleTrackNumber();
}

uint32_t Disc::RestrictedSessionExtent() const {
  return std::min(s_.capacity, std::max(s_.session_size, AlignUp(s_.high_water, kEccBlock)));
}

TrackView Disc::ViewOf(size_t index) const {
  const Track& t = s_.tracks[index];
  TrackView v;
  v.number = static_cast<uint32_t>(index) + 1;
  v.session = t.session;
  v.start = t.start;
  v.size = t.size;
  v.blank = t.recorded == 0;
  v.reserved = t.reserved;
  v.incremental = Dvd() && s_.profile != kProfileDvdPlusR;
  if (!t.closed) {
    v.next_writable_valid = true;
    v.next_writable = t.start + t.recorded;
    v.free = t.size - t.recorded;
  }
  if (t.recorded > 0) {
    v.last_recorded_valid = true;
    v.last_recorded = t.closed ? t.start + t.size - 1 : t.start + t.recorded - 1;
  }
  return v;
}

TrackView Disc::InvisibleView() const {
  TrackView v;
  v.number = InvisibleTrackNumber();
  v.session = s_.closed_sessions + 1;
  v.start = s_.next_start;
  v.next_writable_valid = true;
  v.next_writable = s_.next_start + s_.open_recorded;
  v.size = s_.capacity > s_.next_start ? s_.capacity - s_.next_start : 0;
  v.free = s_.capacity > v.next_writable ? s_.capacity - v.next_writable : 0;
  v.blank = s_.open_recorded == 0;
  v.incremental = Dvd() && s_.profile != kProfileDvdPlusR;
  if (s_.open_recorded > 0) {
    v.last_recorded_valid = true;
    v.last_recorded = v.next_writable - 1;
  }
  return v;
}

TrackView Disc::WholeDiscView() const {
  TrackView v;
  v.number = 1;
  v.session = 1;
  v.size = s_.capacity;
  if (Pressed()) {
    v.last_recorded_valid = s_.capacity > 0;
    v.last_recorded = s_.capacity ? s_.capacity - 1 : 0;
    return v;
  }
  if (s_.profile == kProfileDvdRwRestricted) {
    v.size = RestrictedSessionExtent();
    v.free = s_.capacity - v.size;
  } else {
    v.free = s_.capacity;
    v.blank = !s_.formatted;
  }
  if (s_.high_water > 0) {
    v.last_recorded_valid = true;
    v.last_recorded = s_.high_water - 1;
  }
  return v;
}

std::optional<TrackView> Disc::TrackByNumber(uint32_t number) const {
  if (!Sequential()) {
    if (number == 1) return WholeDiscView();
    return std::nullopt;
  }
  if (number >= 1 && number <= s_.tracks.size()) return ViewOf(number - 1);
  if (HasInvisibleTrack() && (number == 0xFF || number == InvisibleTrackNumber())) return InvisibleView();
  return std::nullopt;
}

std::optional<TrackView> Disc::TrackContaining(uint32_t lba) const {
  if (!Sequential()) {
    if (lba < s_.capacity) return WholeDiscView();
    return std::nullopt;
  }
  for (size_t i = 0; i < s_.tracks.size(); ++i)
    if (lba >= s_.tracks[i].start && lba - s_.tracks[i].start < s_.tracks[i].size) return ViewOf(i);
  if (HasInvisibleTrack() && lba >= s_.next_start && lba < s_.capacity) return InvisibleView();
  return std::nullopt;
}

std::optional<TrackView> Disc::FirstTrackOfSession(uint32_t session) const {
  if (!Sequential()) {
    if (session == 1) return WholeDiscView();
    return std::nullopt;
  }
  for (size_t i = 0; i < s_.tracks.size(); ++i)
    if (s_.tracks[i].session == session) return ViewOf(i);
  if (HasInvisibleTrack() && session == s_.closed_sessions + 1) return InvisibleView();
  return std::nullopt;
}

std::vector<TrackView> Disc::TocTracks(uint32_t& lead_out) const {
  std::vector<TrackView> out;
  lead_out = 0;
  if (!Sequential()) {
    if (Status() == 0) return out;
    out.push_back(WholeDiscView());
    lead_out = s_.capacity;
    return out;
  }
  for (size_t i = 0; i < s_.tracks.size(); ++i) {
    if (!s_.tracks[i].closed || s_.tracks[i].recorded == 0) continue;
    out.push_back(ViewOf(i));
    lead_out = s_.tracks[i].start + s_.tracks[i].size;
  }
  return out;
}

uint32_t Disc::LastCompleteSession() const {
  if (!Sequential()) return 1;
  return std::max<uint32_t>(s_.closed_sessions, 1);
}

uint32_t Disc::LastLba() const {
  if (Pressed()) return s_.capacity ? s_.capacity - 1 : 0;
  if (Overwrite()) return s_.formatted && s_.capacity ? s_.capacity - 1 : 0;
  uint32_t end = 0;
  for (const Track& t : s_.tracks)
    if (t.recorded > 0) end = t.closed ? t.start + t.size : t.start + t.recorded;
  if (s_.open_recorded > 0) end = s_.next_start + s_.open_recorded;
  return end ? end - 1 : 0;
}

Sense Disc::CheckRead(uint32_t lba, uint32_t count) const {
  if (count == 0) return kGood;
  if (!Sequential()) {
    if (Overwrite() && !s_.formatted) return kLbaOutOfRange;
    return Within(lba, count, s_.capacity) ? kGood : kLbaOutOfRange;
  }
  // Recorded areas may touch (DVD tracks follow one another without a gap),
  // so walk the request across them.
  uint64_t pos = lba;
  const uint64_t end = uint64_t{lba} + count;
  while (pos < end) {
    uint64_t reach = 0;
    for (const Track& t : s_.tracks) {
      uint64_t readable = t.closed ? (t.recorded ? t.size : 0) : t.recorded;
      if (pos >= t.start && pos < t.start + readable) reach = t.start + readable;
    }
    if (pos >= s_.next_start && pos < uint64_t{s_.next_start} + s_.open_recorded)
      reach = uint64_t{s_.next_start} + s_.open_recorded;
    if (reach == 0) return kLbaOutOfRange;
    pos = reach;
  }
  return kGood;
}

Sense Disc::CheckWrite(uint32_t lba, uint32_t count) const {
  if (Pressed()) return kCannotWriteMedium;
  if (Overwrite()) return Within(lba, count, s_.capacity) ? kGood : kLbaOutOfRange;
  if (s_.finalized) return kInvalidWriteAddress;
  // A full reserved track ends where the next track starts on DVD: its end
  // is that track's address, not its own.
  for (const Track& t : s_.tracks) {
    if (t.closed || t.recorded == t.size || lba != t.start + t.recorded) continue;
    return Within(lba, count, uint64_t{t.start} + t.size) ? kGood : kInvalidWriteAddress;
  }
  if (lba == s_.next_start + s_.open_recorded) {
    if (!Dvd() && s_.tracks.size() >= kCdMaxTracks) return kNoMoreTracks;
    return Within(lba, count, s_.capacity) ? kGood : kLbaOutOfRange;
  }
  return lba >= s_.capacity ? kLbaOutOfRange : kInvalidWriteAddress;
}

void Disc::CommitWrite(uint32_t lba, uint32_t count) {
  if (Overwrite()) {
    s_.formatted = true;  // a blank DVD+RW formats itself in the background
    s_.high_water = std::max(s_.high_water, lba + count);
    return;
  }
  for (Track& t : s_.tracks) {
    if (!t.closed && t.recorded < t.size && lba == t.start + t.recorded) {
      t.recorded += count;
      return;
    }
  }
  if (lba == s_.next_start + s_.open_recorded) s_.open_recorded += count;
}

Sense Disc::ReserveTrack(uint32_t blocks) {
  if (!Sequential()) return kIncompatibleMedium;
  if (s_.finalized || s_.open_recorded > 0) return kSequenceError;
  if (blocks == 0) return kInvalidFieldInCdb;
  if (!Dvd() && s_.tracks.size() >= kCdMaxTracks) return kNoMoreTracks;
  uint32_t size = Align(blocks);
  if (uint64_t{s_.next_start} + size > s_.capacity) return kLbaOutOfRange;
  Track t;
  t.session = s_.closed_sessions + 1;
  t.start = s_.next_start;
  t.size = size;
  t.reserved = true;
  s_.tracks.push_back(t);
  s_.next_start = Align(t.start + size + TrackGap());
  return kGood;
}

Sense Disc::CloseTrack(uint32_t number) {
  if (!Sequential()) return kIncompatibleMedium;
  if (s_.finalized) return kSequenceError;
  if (number == 0xFF || number == InvisibleTrackNumber()) {
    if (s_.open_recorded == 0) return kGood;
    Track t;
    t.session = s_.closed_sessions + 1;
    t.start = s_.next_start;
    t.size = s_.open_recorded;
    t.recorded = s_.open_recorded;
    t.closed = true;
    s_.tracks.push_back(t);
    s_.next_start = Align(t.start + t.size + TrackGap());
    s_.open_recorded = 0;
    return kGood;
  }
  if (number == 0 || number > s_.tracks.size()) return kInvalidFieldInCdb;
  CloseAndPad(s_.tracks[number - 1]);
  return kGood;
}

Sense Disc::CloseSession(bool next_session_allowed) {
  if (!Sequential()) return kIncompatibleMedium;
  if (s_.finalized) return kSequenceError;
  if (!OpenSessionHasData()) {
    // Closing the empty session of an appendable disc closes the disc.
    if (s_.closed_sessions == 0 || next_session_allowed) return kSequenceError;
    s_.finalized = true;
    return kGood;
  }
  CloseTrack(InvisibleTrackNumber());
  for (Track& t : s_.tracks) CloseAndPad(t);
  ++s_.closed_sessions;
  s_.next_start = Align(LastTrackEnd() + SessionGap(s_.closed_sessions));
  const bool room = s_.next_start < s_.capacity && (Dvd() || s_.tracks.size() < kCdMaxTracks);
  if (!next_session_allowed || !room) s_.finalized = true;
  return kGood;
}

Sense Disc::Finalize() {
  if (!Sequential()) return kIncompatibleMedium;
  if (s_.finalized) return kSequenceError;
  if (OpenSessionHasData()) return CloseSession(false);
  if (s_.closed_sessions == 0) return kSequenceError;
  s_.finalized = true;
  return kGood;
}

void Disc::ResetSequential() {
  s_.tracks.clear();
  s_.closed_sessions = 0;
  s_.finalized = false;
  s_.next_start = 0;
  s_.open_recorded = 0;
  s_.high_water = 0;
  s_.session_size = 0;
  s_.formatted = false;
  s_.timestamp.clear();
}

Sense Disc::Blank(uint8_t type, uint32_t& keep) {
  keep = kKeepAll;
  if (!medium().blankable) return kIncompatibleMedium;
  if (type == 0 || type == 1) {
    ResetSequential();
    if (s_.profile == kProfileDvdRwRestricted) s_.profile = kProfileDvdRwSequential;
    keep = 0;
    return kGood;
  }
  if (!Sequential() || (type != 5 && type != 6)) return kInvalidFieldInCdb;

  if (type == 5) {  // unclose the last session
    if (OpenSessionHasData() || s_.closed_sessions == 0) return kSequenceError;
    --s_.closed_sessions;
    s_.finalized = false;
    for (Track& t : s_.tracks)
      if (t.session > s_.closed_sessions) t.session = s_.closed_sessions + 1;
    s_.next_start = Align(LastTrackEnd() + TrackGap());
    return kGood;
  }

  // Blank the last session: the open one when it holds data, else the last
  // closed one.
  uint32_t session = OpenSessionHasData() ? s_.closed_sessions + 1 : s_.closed_sessions;
  if (session == 0) return kGood;
  auto first =
      std::find_if(s_.tracks.begin(), s_.tracks.end(), [&](const Track& t) { return t.session >= session; });
  keep = first != s_.tracks.end() ? first->start : s_.next_start;
  s_.tracks.erase(first, s_.tracks.end());
  s_.open_recorded = 0;
  s_.finalized = false;
  s_.closed_sessions = std::min(s_.closed_sessions, session - 1);
  s_.next_start = s_.closed_sessions ? Align(LastTrackEnd() + SessionGap(s_.closed_sessions)) : 0;
  if (s_.closed_sessions == 0) ResetSequential();
  return kGood;
}

Sense Disc::Format(uint8_t type, uint32_t blocks, uint32_t& keep) {
  keep = kKeepAll;
  if (!medium().formattable) return kCannotFormatMedium;
  if (blocks > s_.capacity) return kInvalidFieldInParameters;
  switch (s_.profile) {
    case kProfileDvdPlusRw:
      if (type != 0x26) return kInvalidFieldInParameters;
      s_.formatted = true;
      s_.high_water = 0;
      keep = 0;
      return kGood;
    case kProfileDvdRam:
      if (type != 0x00) return kInvalidFieldInParameters;
      s_.formatted = true;
      s_.high_water = 0;
      keep = 0;
      return kGood;
    case kProfileDvdRwSequential:
    case kProfileDvdRwRestricted:
      if (type == 0x13) {  // quick grow of the formatted session
        if (s_.profile != kProfileDvdRwRestricted) return kInvalidFieldInParameters;
        s_.session_size = std::max(s_.session_size, blocks);
        return kGood;
      }
      if (type != 0x10 && type != 0x15) return kInvalidFieldInParameters;
      ResetSequential();
      s_.profile = kProfileDvdRwRestricted;
      s_.formatted = true;
      s_.session_size = (type == 0x10 && blocks == 0) ? s_.capacity : blocks;
      keep = 0;
      return kGood;
    default:
      return kCannotFormatMedium;
  }
}

}  // namespace orlix::vrec
