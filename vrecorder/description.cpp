// FILE.desc: one "key values..." line per fact, "track" lines in disc order.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "vrecorder/disc_file.h"

namespace orlix::vrec {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMagic = "orlix-vdisc 1";

const char* StatusText(uint8_t status) {
  static const char* const texts[] = {"blank", "appendable", "complete", "random access"};
  return texts[status & 3];
}

const char* SessionStateText(uint8_t state) {
  static const char* const texts[] = {"empty", "incomplete", "damaged", "complete"};
  return texts[state & 3];
}

}  // namespace

std::string DescriptionPath(const std::string& disc_path) { return disc_path + ".desc"; }

bool SaveDescription(const std::string& disc_path, const DiscState& s, std::string& error) {
  std::ostringstream out;
  char profile[8];
  std::snprintf(profile, sizeof profile, "0x%04X", s.profile);
  out << kMagic << "\n"
      << "profile " << profile << "\n"
      << "capacity " << s.capacity << "\n"
      << "formatted " << s.formatted << "\n"
      << "finalized " << s.finalized << "\n"
      << "closed-sessions " << s.closed_sessions << "\n"
      << "next-start " << s.next_start << "\n"
      << "open-recorded " << s.open_recorded << "\n"
      << "high-water " << s.high_water << "\n"
      << "session-size " << s.session_size << "\n"
      << "timestamp " << (s.timestamp.empty() ? "-" : s.timestamp) << "\n"
      << "busy " << s.busy.start_ms << " " << s.busy.end_ms << " " << int{s.busy.asc} << " "
      << int{s.busy.ascq} << "\n";
  for (const Track& t : s.tracks)
    out << "track " << t.session << " " << t.start << " " << t.size << " " << t.recorded << " " << t.reserved
        << " " << t.closed << "\n";

  const std::string path = DescriptionPath(disc_path);
  const std::string temp = path + ".new";
  {
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    file << out.str();
    file.flush();
    if (!file) {
      error = "cannot write " + temp;
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) {
    error = "cannot replace " + path + ": " + ec.message();
    return false;
  }
  return true;
}

std::string DescribeDisc(const DiscState& state) {
  Disc disc(state);
  const DiscState& s = disc.state();
  std::ostringstream out;
  char profile[8];
  std::snprintf(profile, sizeof profile, "0x%04X", s.profile);
  // Worded as `orlix info` words the same facts.
  out << "disc: " << disc.medium().title << "\n";
  out << "profile: " << profile << "\n";
  out << "capacity: " << s.capacity << " blocks\n";
  out << "status: " << StatusText(disc.Status()) << "\n";
  out << "last session: " << SessionStateText(disc.LastSessionState()) << "\n";
  // Sessions on the disc: an empty one open for writing is not counted.
  uint32_t sessions = disc.Status() == 0 ? 0 : disc.Sessions();
  if (disc.LastSessionState() == 0 && sessions > 0) --sessions;
  out << "sessions: " << sessions << "\n";
  if (!disc.Overwrite()) {
    out << "closed sessions: " << s.closed_sessions << "\n";
    for (size_t i = 0; i < s.tracks.size(); ++i) {
      const Track& t = s.tracks[i];
      out << "track " << i + 1 << ": session " << t.session << ", start " << t.start << ", size " << t.size
          << ", recorded " << t.recorded << (t.reserved ? ", reserved" : "")
          << (t.closed ? ", closed" : ", open") << "\n";
    }
    if (auto inv = disc.TrackByNumber(0xFF))
      out << "next writable address: " << inv->next_writable << " (" << inv->free << " blocks free)\n";
  } else {
    out << "formatted: " << (s.formatted ? "yes" : "no") << "\n";
    if (s.profile == kProfileDvdRwRestricted) out << "formatted session: " << s.session_size << " blocks\n";
    out << "highest block written: " << (s.high_water ? std::to_string(s.high_water - 1) : "none") << "\n";
  }
  if (!s.timestamp.empty()) out << "time stamp: " << s.timestamp << "\n";
  return out.str();
}

}  // namespace orlix::vrec
