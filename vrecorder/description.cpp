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

// Rejects descriptions that would put tracks outside the medium or out of
// order, so that a damaged file cannot mislead the rules.
bool Consistent(const DiscState& s) {
  uint64_t end = 0;
  uint32_t session = 1;
  for (const Track& t : s.tracks) {
    if (t.start < end || uint64_t{t.start} + t.size > s.capacity || t.recorded > t.size) return false;
    if (t.session < session || t.session > s.closed_sessions + 1) return false;
    end = uint64_t{t.start} + t.size;
    session = t.session;
  }
  if (s.next_start < end && !s.finalized) return false;
  if (uint64_t{s.next_start} + s.open_recorded > s.capacity && s.open_recorded) return false;
  return s.high_water <= s.capacity && s.session_size <= s.capacity;
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

bool LoadDescription(const std::string& disc_path, DiscState& state, std::string& error) {
  const std::string path = DescriptionPath(disc_path);
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = disc_path + " is not a virtual disc (no " + path + ")";
    return false;
  }
  std::string line;
  if (!std::getline(file, line) || line != kMagic) {
    error = path + " is not a virtual disc description";
    return false;
  }
  DiscState s;
  bool have_profile = false, have_capacity = false;
  while (std::getline(file, line)) {
    std::istringstream in(line);
    std::string key;
    if (!(in >> key)) continue;
    bool ok = true;
    if (key == "profile") {
      std::string text;
      in >> text;
      const Medium* m = FindMedium(text);
      ok = m != nullptr;
      if (m) s.profile = m->profile;
      have_profile = ok;
    } else if (key == "capacity") {
      ok = static_cast<bool>(in >> s.capacity);
      have_capacity = ok;
    } else if (key == "formatted") {
      ok = static_cast<bool>(in >> s.formatted);
    } else if (key == "finalized") {
      ok = static_cast<bool>(in >> s.finalized);
    } else if (key == "closed-sessions") {
      ok = static_cast<bool>(in >> s.closed_sessions);
    } else if (key == "next-start") {
      ok = static_cast<bool>(in >> s.next_start);
    } else if (key == "open-recorded") {
      ok = static_cast<bool>(in >> s.open_recorded);
    } else if (key == "high-water") {
      ok = static_cast<bool>(in >> s.high_water);
    } else if (key == "session-size") {
      ok = static_cast<bool>(in >> s.session_size);
    } else if (key == "timestamp") {
      in >> s.timestamp;
      if (s.timestamp == "-") s.timestamp.clear();
    } else if (key == "busy") {
      int asc = 0, ascq = 0;
      ok = static_cast<bool>(in >> s.busy.start_ms >> s.busy.end_ms >> asc >> ascq);
      s.busy.asc = static_cast<uint8_t>(asc);
      s.busy.ascq = static_cast<uint8_t>(ascq);
    } else if (key == "track") {
      Track t;
      ok = static_cast<bool>(in >> t.session >> t.start >> t.size >> t.recorded >> t.reserved >> t.closed);
      s.tracks.push_back(t);
    }  // unknown keys are left for newer versions
    if (!ok) {
      error = path + ": bad line \"" + line + "\"";
      return false;
    }
  }
  if (!have_profile || !have_capacity || !Consistent(s)) {
    error = path + " is damaged";
    return false;
  }
  state = s;
  return true;
}

std::string DescribeDisc(const DiscState& state) {
  Disc disc(state);
  const DiscState& s = disc.state();
  std::ostringstream out;
  char profile[8];
  std::snprintf(profile, sizeof profile, "0x%04X", s.profile);
  out << "medium: " << disc.medium().title << " (profile " << profile << ")\n";
  out << "capacity: " << s.capacity << " blocks\n";
  out << "status: " << StatusText(disc.Status()) << ", last session "
      << SessionStateText(disc.LastSessionState()) << "\n";
  if (!disc.Overwrite()) {
    out << "sessions: " << disc.Sessions() << " (" << s.closed_sessions << " closed)\n";
    for (size_t i = 0; i < s.tracks.size(); ++i) {
      const Track& t = s.tracks[i];
      out << "track " << i + 1 << ": session " << t.session << ", start " << t.start << ", size " << t.size
          << ", recorded " << t.recorded << (t.reserved ? ", reserved" : "")
          << (t.closed ? ", closed" : ", open") << "\n";
    }
    if (auto inv = disc.TrackByNumber(0xFF))
      out << "next writable address: " << inv->next_writable << " (" << inv->free << " blocks free)\n";
  } else if (disc.Overwrite()) {
    out << "formatted: " << (s.formatted ? "yes" : "no") << "\n";
    if (s.profile == kProfileDvdRwRestricted) out << "formatted session: " << s.session_size << " blocks\n";
    out << "highest block written: " << (s.high_water ? std::to_string(s.high_water - 1) : "none") << "\n";
  }
  if (!s.timestamp.empty()) out << "time stamp: " << s.timestamp << "\n";
  return out.str();
}

}  // namespace orlix::vrec
