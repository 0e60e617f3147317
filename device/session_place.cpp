#include "device/session_place.h"

#include "framework/bytes.h"

namespace orlix {

namespace {

constexpr uint8_t kLeadOutTrack = 0xAA;
constexpr uint8_t kFirstTrackPoint = 0xA0;  // full TOC: PMIN names the session's first track
constexpr uint8_t kLeadOutPoint = 0xA2;     // full TOC: where the session's lead-out starts
constexpr size_t kTocHeader = 4, kTrackEntry = 8, kFullTocEntry = 11;
constexpr uint32_t kLbaZeroFrames = 150;  // block 0 is at 00:02:00

// READ TRACK INFORMATION for the session's first track. `answered` tells
// whether the drive took the command at all.
bool FromTrackInformation(TSCSIDevice& drive, int session, SessionPlace& place, bool& answered) {
  answered = false;
  // Track numbers run on across sessions, and a session may hold more than
  // one track.
  for (int track = session; track <= 0xFF; ++track) {
    if (!drive.ReadTrackInformation(static_cast<uint8_t>(track))) break;
    answered = true;
    const int of = drive.TrackInfo()[2] | drive.TrackInfo()[33] << 8;
    if (of == session || of == 0) {  // 0: a drive that does not tell
      place.start = drive.TrackInfoStart();
      place.sectors = drive.TrackInfoSize();
      return true;
    }
    if (of > session) break;
  }
  return false;
}

// The answer's own length, within what was asked for: a pass-through layer
// may pad a short answer with zeros up to the allocation length.
size_t AnswerBytes(const uint8_t* answer, size_t asked) {
  const size_t told = size_t{GetBE16(answer)} + 2;
  return told < asked ? told : asked;
}

// READ TOC (format 0) entry of one track, or of the lead-out. Its entry is
// looked for: a drive may list the tracks before the one asked for too.
bool TrackStart(TSCSIDevice& drive, uint8_t track, uint32_t& start) {
  uint8_t toc[kTocHeader + 31 * kTrackEntry] = {};
  if (!drive.ReadTOC(0, toc, sizeof toc, track, false, 0)) return false;
  const size_t bytes = AnswerBytes(toc, sizeof toc);
  for (size_t p = kTocHeader; p + kTrackEntry <= bytes; p += kTrackEntry) {
    if (toc[p + 2] != track) continue;
    start = GetBE32(toc + p + 4);
    return true;
  }
  return false;
}

// The first and last track numbers of the disc.
bool TrackRange(TSCSIDevice& drive, int& first, int& last) {
  uint8_t toc[kTocHeader + kTrackEntry] = {};
  if (!drive.ReadTOC(0, toc, sizeof toc, 0, false, 0) || AnswerBytes(toc, sizeof toc) < kTocHeader)
    return false;
  first = toc[2];
  last = toc[3];
  return first >= 1 && first <= last && last < kLeadOutTrack;
}

// The full TOC (format 2) from session `session` on: its first track and
// the start of its lead-out.
bool FromFullToc(TSCSIDevice& drive, int session, int& first_track, uint32_t& lead_out) {
  uint8_t toc[255] = {};
  if (!drive.ReadTOC(2, toc, sizeof toc, static_cast<uint8_t>(session), false, 0)) return false;
  const size_t bytes = AnswerBytes(toc, sizeof toc);
  first_track = 0;
  lead_out = 0;
  for (size_t p = kTocHeader; p + kFullTocEntry <= bytes; p += kFullTocEntry) {
    const uint8_t* e = toc + p;
    if (e[0] != session) continue;
    if (e[3] == kFirstTrackPoint) first_track = e[8];
    const uint32_t frames = (uint32_t{e[8]} * 60 + e[9]) * 75 + e[10];
    if (e[3] == kLeadOutPoint && frames > kLbaZeroFrames) lead_out = frames - kLbaZeroFrames;
  }
  return first_track >= 1 && first_track < kLeadOutTrack;
}

// From the table of contents, as a read-only drive answers it.
bool FromToc(TSCSIDevice& drive, int session, SessionPlace& place) {
  // Format 1: the last complete session and its first track.
  uint8_t info[kTocHeader + kTrackEntry] = {};
  if (!drive.ReadTOC(1, info, sizeof info, 0, false, 0) || AnswerBytes(info, sizeof info) < sizeof info)
    return false;
  const int last_session = info[3];
  if (session < 1 || session > last_session) return false;

  if (session == last_session) {
    // Its address, not its track number: some drives leave that 0.
    place.start = GetBE32(info + kTocHeader + 4);
    uint32_t lead_out = 0;
    if (TrackStart(drive, kLeadOutTrack, lead_out) && lead_out > place.start)
      place.sectors = lead_out - place.start;
    return true;
  }
  int track = 0, first = 0, last = 0;
  uint32_t end = 0;
  if (!TrackRange(drive, first, last)) return false;
  if (last - first + 1 == last_session) {
    // Every session holds at least one track: with as many tracks as
    // sessions, each holds exactly one.
    track = first + session - 1;
    TrackStart(drive, static_cast<uint8_t>(track + 1), end);
  } else if (!FromFullToc(drive, session, track, end)) {
    return false;
  }
  if (!TrackStart(drive, static_cast<uint8_t>(track), place.start)) return false;
  place.sectors = end > place.start ? end - place.start : 0;
  return true;
}

}  // namespace

bool FindSessionPlace(TSCSIDevice& drive, int session, SessionPlace& place) {
  place = SessionPlace{};
  bool answered = false;
  if (FromTrackInformation(drive, session, place, answered)) return true;
  // A drive that answers track information is believed when it names no
  // such session.
  return !answered && FromToc(drive, session, place);
}

}  // namespace orlix
