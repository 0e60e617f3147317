// The state of the medium in the drive and the rules by which it changes:
// sessions and tracks of write-once media, the formatted area of overwritable
// media, what may be read and where the next write may go.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vrecorder/media.h"
#include "vrecorder/sense.h"

namespace orlix::vrec {

// A track of sequential media other than the invisible one (the track being
// written at the end of the open session, which is implicit).
struct Track {
  uint32_t session = 0;
  uint32_t start = 0;
  uint32_t size = 0;      // blocks the track spans
  uint32_t recorded = 0;  // blocks written from its start
  bool reserved = false;  // its size was fixed by RESERVE TRACK
  bool closed = false;
};

// A blank or format started with the immediate bit: the drive is not ready
// until end_ms (wall-clock milliseconds, so that another process sees it).
struct BusyPeriod {
  int64_t start_ms = 0;
  int64_t end_ms = 0;
  uint8_t asc = 0;
  uint8_t ascq = 0;
};

struct DiscState {
  uint16_t profile = kProfileNone;
  uint32_t capacity = 0;
  bool formatted = false;  // overwritable media
  bool finalized = false;  // sequential media: no further session
  uint32_t closed_sessions = 0;
  std::vector<Track> tracks;
  uint32_t next_start = 0;     // start of the invisible track
  uint32_t open_recorded = 0;  // blocks written into the invisible track
  uint32_t high_water = 0;     // overwritable media: one past the highest block written
  uint32_t session_size = 0;   // DVD-RW restricted overwrite: the formatted session
  std::string timestamp;       // DVD-R time stamp, as sent
  BusyPeriod busy;
};

// What READ TRACK INFORMATION reports of one track.
struct TrackView {
  uint32_t number = 0;
  uint32_t session = 0;
  uint32_t start = 0;
  uint32_t size = 0;
  uint32_t free = 0;
  uint32_t next_writable = 0;
  uint32_t last_recorded = 0;
  bool next_writable_valid = false;
  bool last_recorded_valid = false;
  bool blank = false;
  bool reserved = false;
  bool incremental = false;  // DVD incremental recording with fixed packets
};

// Blocks of the disc file kept after an operation; kKeepAll leaves them.
constexpr uint32_t kKeepAll = UINT32_MAX;

class Disc {
 public:
  Disc() = default;
  explicit Disc(DiscState state) : s_(std::move(state)) {}

  DiscState& state() { return s_; }
  const DiscState& state() const { return s_; }
  const Medium& medium() const;
  bool Pressed() const { return medium().recording == Recording::kPressed; }
  bool Sequential() const { return medium().recording == Recording::kSequential; }
  bool Overwrite() const { return medium().recording == Recording::kOverwrite; }
  bool Dvd() const { return medium().dvd; }

  // Disc information.
  uint8_t Status() const;            // 0 empty, 1 appendable, 2 complete, 3 other
  uint8_t LastSessionState() const;  // 0 empty, 1 incomplete, 3 complete
  uint32_t Sessions() const;
  uint32_t FirstTrackInLastSession() const;
  uint32_t LastTrackInLastSession() const;
  bool IsBlank() const;
  // Sequential media: the open session holds a track or recorded blocks.
  bool OpenSessionHasData() const;
  bool HasInvisibleTrack() const { return Sequential() && !s_.finalized; }
  uint32_t InvisibleTrackNumber() const { return static_cast<uint32_t>(s_.tracks.size()) + 1; }

  // Track number 0xFF names the invisible track.
  std::optional<TrackView> TrackByNumber(uint32_t number) const;
  std::optional<TrackView> TrackContaining(uint32_t lba) const;
  std::optional<TrackView> FirstTrackOfSession(uint32_t session) const;
  // The tracks a table of contents lists, and where its lead-out starts.
  std::vector<TrackView> TocTracks(uint32_t& lead_out) const;
  uint32_t LastCompleteSession() const;
  // READ CAPACITY: the last readable block (0 when nothing is readable).
  uint32_t LastLba() const;

  Sense CheckRead(uint32_t lba, uint32_t count) const;
  Sense CheckWrite(uint32_t lba, uint32_t count) const;
  void CommitWrite(uint32_t lba, uint32_t count);

  Sense ReserveTrack(uint32_t blocks);
  Sense CloseTrack(uint32_t number);
  Sense CloseSession(bool next_session_allowed);
  Sense Finalize();
  Sense Blank(uint8_t type, uint32_t& keep);
  Sense Format(uint8_t type, uint32_t blocks, uint32_t& keep);

  // Gaps between tracks and sessions of sequential media.
  uint32_t TrackGap() const { return Dvd() ? 0 : 150; }
  uint32_t SessionGap(uint32_t closed_sessions) const;

 private:
  uint32_t Align(uint32_t lba) const;
  uint32_t LastTrackEnd() const;
  uint32_t RestrictedSessionExtent() const;
  TrackView ViewOf(size_t index) const;
  TrackView InvisibleView() const;
  TrackView WholeDiscView() const;
  void ResetSequential();

  DiscState s_;
};

}  // namespace orlix::vrec
