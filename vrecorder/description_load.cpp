// Reading FILE.desc back. The description may have been edited by hand or
// cut short by a full disk, so every field is checked against its range and
// against the others before the drive trusts it, and a refusal names the line.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <vector>

#include "vrecorder/disc_file.h"

namespace orlix::vrec {

namespace {

constexpr const char* kMagic = "orlix-vdisc 1";
constexpr uint64_t kMaxBlocks = UINT32_MAX - 1;

// Every line SaveDescription writes once; a description lacking one was cut
// short.
constexpr const char* kRequired[] = {"profile",         "capacity",   "formatted",     "finalized",
                                     "closed-sessions", "next-start", "open-recorded", "high-water",
                                     "session-size",    "timestamp",  "busy"};

struct Line {
  size_t number = 0;
  std::string text;
};

class Loader {
 public:
  explicit Loader(std::string path) : path_(std::move(path)) {}

  bool Parse(const std::string& content, DiscState& s);
  bool Check(const DiscState& s);
  const std::string& error() const { return error_; }

 private:
  bool Wrong(const Line& line, const std::string& what) {
    error_ =
        path_ + " is damaged: line " + std::to_string(line.number) + ": " + what + " (\"" + line.text + "\")";
    return false;
  }
  // A whole decimal number: stream extraction would wrap "-5" into a huge
  // unsigned value and take "12abc" as 12.
  static bool Number(const std::string& word, uint64_t max, uint64_t& out);
  bool Field(const Line& line, const std::vector<std::string>& words, size_t i, const char* name,
             uint64_t max, uint64_t& out);
  bool ParseLine(const Line& line, DiscState& s);

  std::string path_, error_;
  std::map<std::string, Line> seen_;
  std::vector<Line> track_lines_;
};

bool Loader::Number(const std::string& word, uint64_t max, uint64_t& out) {
  if (word.empty() || word.size() > 20) return false;
  uint64_t v = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (v > (UINT64_MAX - digit) / 10) return false;
    v = v * 10 + digit;
  }
  if (v > max) return false;
  out = v;
  return true;
}

bool Loader::Field(const Line& line, const std::vector<std::string>& words, size_t i, const char* name,
                   uint64_t max, uint64_t& out) {
  if (i >= words.size()) return Wrong(line, std::string("no ") + name);
  if (!Number(words[i], max, out))
    return Wrong(line, std::string(name) + " must be 0 to " + std::to_string(max));
  return true;
}

bool Loader::ParseLine(const Line& line, DiscState& s) {
  std::istringstream in(line.text);
  std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
  if (words.empty()) return true;
  const std::string& key = words[0];
  size_t fields = 1;
  uint64_t v = 0;
  if (key == "track") {
    Track t;
    uint64_t session, start, size, recorded, reserved, closed;
    if (!Field(line, words, 1, "session", kMaxBlocks, session) ||
        !Field(line, words, 2, "start", kMaxBlocks, start) ||
        !Field(line, words, 3, "size", kMaxBlocks, size) ||
        !Field(line, words, 4, "recorded", kMaxBlocks, recorded) ||
        !Field(line, words, 5, "reserved", 1, reserved) || !Field(line, words, 6, "closed", 1, closed))
      return false;
    t.session = static_cast<uint32_t>(session);
    t.start = static_cast<uint32_t>(start);
    t.size = static_cast<uint32_t>(size);
    t.recorded = static_cast<uint32_t>(recorded);
    t.reserved = reserved != 0;
    t.closed = closed != 0;
    s.tracks.push_back(t);
    track_lines_.push_back(line);
    fields = 6;
  } else if (key == "profile") {
    const Medium* m = words.size() > 1 ? FindMedium(words[1]) : nullptr;
    if (!m) return Wrong(line, "unknown profile (one of " + MediumNames() + ")");
    s.profile = m->profile;
  } else if (key == "capacity") {
    if (!Field(line, words, 1, "capacity", kMaxBlocks, v)) return false;
    if (v == 0) return Wrong(line, "capacity must be 1 to " + std::to_string(kMaxBlocks));
    s.capacity = static_cast<uint32_t>(v);
  } else if (key == "formatted" || key == "finalized") {
    if (!Field(line, words, 1, key.c_str(), 1, v)) return false;
    (key == "formatted" ? s.formatted : s.finalized) = v != 0;
  } else if (key == "closed-sessions" || key == "next-start" || key == "open-recorded" ||
             key == "high-water" || key == "session-size") {
    // Their bound is the capacity, checked once every line is read.
    if (!Field(line, words, 1, key.c_str(), kMaxBlocks, v)) return false;
    const auto n = static_cast<uint32_t>(v);
    if (key == "closed-sessions") s.closed_sessions = n;
    if (key == "next-start") s.next_start = n;
    if (key == "open-recorded") s.open_recorded = n;
    if (key == "high-water") s.high_water = n;
    if (key == "session-size") s.session_size = n;
  } else if (key == "timestamp") {
    // "-" or the 14 digits a host sends (YYYYMMDDhhmmss).
    const std::string stamp = words.size() > 1 ? words[1] : "";
    uint64_t ignored;
    if (stamp != "-" && (stamp.size() != 14 || !Number(stamp, UINT64_MAX, ignored)))
      return Wrong(line, "timestamp must be - or 14 digits");
    s.timestamp = stamp == "-" ? "" : stamp;
  } else if (key == "busy") {
    uint64_t start, end, asc, ascq;
    if (!Field(line, words, 1, "start", INT64_MAX, start) || !Field(line, words, 2, "end", INT64_MAX, end) ||
        !Field(line, words, 3, "ASC", 255, asc) || !Field(line, words, 4, "ASCQ", 255, ascq))
      return false;
    if (end < start) return Wrong(line, "a busy period cannot end before it starts");
    s.busy = BusyPeriod{static_cast<int64_t>(start), static_cast<int64_t>(end), static_cast<uint8_t>(asc),
                        static_cast<uint8_t>(ascq)};
    fields = 4;
  } else {
    return true;  // unknown keys are left for newer versions
  }
  if (key != "track") {
    if (seen_.count(key))
      return Wrong(line, key + " given twice (first on line " + std::to_string(seen_[key].number) + ")");
    seen_[key] = line;
  }
  if (words.size() > fields + 1) return Wrong(line, "more fields than " + key + " takes");
  return true;
}

bool Loader::Parse(const std::string& content, DiscState& s) {
  std::istringstream in(content);
  std::string text;
  Line line;
  if (!std::getline(in, text) || text != kMagic) {
    error_ = path_ + " is not a virtual disc description";
    return false;
  }
  line.number = 1;
  while (std::getline(in, text)) {
    line = Line{line.number + 1, text};
    if (!ParseLine(line, s)) return false;
  }
  // Every line ends with one: a last line without it was cut off.
  if (content.back() != '\n') return Wrong(line, "cut short: the last line has no end");
  for (const char* key : kRequired)
    if (!seen_.count(key)) {
      error_ = path_ + " is damaged: cut short, no \"" + key + "\" line";
      return false;
    }
  return true;
}

// Rejects descriptions that would put tracks outside the medium or out of
// order, so that a damaged file cannot mislead the rules.
bool Loader::Check(const DiscState& s) {
  const std::string capacity = " (the capacity is " + std::to_string(s.capacity) + ")";
  for (const char* key : {"next-start", "open-recorded", "high-water", "session-size"}) {
    const uint32_t v = std::string(key) == "next-start"      ? s.next_start
                       : std::string(key) == "open-recorded" ? s.open_recorded
                       : std::string(key) == "high-water"    ? s.high_water
                                                             : s.session_size;
    if (v > s.capacity)
      return Wrong(seen_[key], std::string(key) + " lies past the end of the disc" + capacity);
  }
  if (uint64_t{s.next_start} + s.open_recorded > s.capacity && s.open_recorded)
    return Wrong(seen_["open-recorded"], "the open track runs past the end of the disc" + capacity);

  const Medium& medium = *MediumForProfile(s.profile);
  uint64_t end = 0;
  uint32_t session = 0;
  for (size_t i = 0; i < s.tracks.size(); ++i) {
    const Track& t = s.tracks[i];
    const Line& line = track_lines_[i];
    if (t.start < end) return Wrong(line, "the track starts inside the one before");
    if (uint64_t{t.start} + t.size > s.capacity)
      return Wrong(line, "the track runs past the end of the disc" + capacity);
    if (t.recorded > t.size) return Wrong(line, "more blocks recorded than the track holds");
    if (t.session == 0) return Wrong(line, "sessions count from 1");
    if (t.session < session)
      return Wrong(line, "the track's session comes before the one of the track before");
    if (t.session > s.closed_sessions + 1)
      return Wrong(line, "the track's session lies past the open one (closed sessions: " +
                             std::to_string(s.closed_sessions) + ")");
    if (t.session > session + 1)
      return Wrong(line, "session " + std::to_string(session + 1) + " has no track");
    end = uint64_t{t.start} + t.size;
    session = t.session;
  }
  if (s.next_start < end && !s.finalized)
    return Wrong(seen_["next-start"], "the next track would start inside the last one");
  // Every closed session holds a track, and a pressed disc holds its content
  // as one: a description without them lost its track lines.
  if (medium.recording != Recording::kOverwrite) {
    const uint32_t last = s.tracks.empty() ? 0 : s.tracks.back().session;
    if (last < s.closed_sessions)
      return Wrong(seen_["closed-sessions"], std::to_string(s.closed_sessions) + " closed sessions, but " +
                                                 (last ? "tracks only up to session " + std::to_string(last)
                                                       : std::string("no track line")));
    if (medium.recording == Recording::kPressed && s.tracks.empty())
      return Wrong(seen_["profile"], "a pressed disc without its track line");
    if (medium.recording == Recording::kSequential && s.tracks.empty() && s.next_start != 0)
      return Wrong(seen_["next-start"], "the next track starts after tracks the description does not hold");
  }
  return true;
}

uint64_t Blocks(uintmax_t bytes) { return (bytes + kBlockSize - 1) / kBlockSize; }

// Blocks the disc file must reach: those written and not yet padded by a
// close (a closed track's padding reads as zeros without being stored).
uint64_t WrittenEnd(const DiscState& s, const Medium& medium) {
  if (medium.recording == Recording::kPressed) return 0;  // a pressed disc may be all zeros
  if (medium.recording == Recording::kOverwrite) return s.high_water;
  uint64_t end = 0;
  for (const Track& t : s.tracks)
    if (!t.closed && t.recorded) end = std::max<uint64_t>(end, uint64_t{t.start} + t.recorded);
  if (s.open_recorded) end = std::max<uint64_t>(end, uint64_t{s.next_start} + s.open_recorded);
  return end;
}

// The disc file must fit the description: larger than the capacity, or
// shorter than what was written, it belongs to another disc or lost data.
bool CheckDiscFile(const std::string& disc_path, const DiscState& s, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(disc_path, ec);
  if (!fs::exists(status)) {
    error =
        "no such disc file: " + disc_path + " (its description " + DescriptionPath(disc_path) + " is there)";
    return false;
  }
  if (!fs::is_regular_file(status)) {
    error = disc_path + " is not a regular file";
    return false;
  }
  const uintmax_t size = fs::file_size(disc_path, ec);
  if (ec) {
    error = "cannot read the size of " + disc_path + ": " + ec.message();
    return false;
  }
  const uint64_t written = WrittenEnd(s, *MediumForProfile(s.profile));
  if (Blocks(size) > s.capacity || Blocks(size) < written) {
    error = disc_path + " holds " + std::to_string(Blocks(size)) + " blocks, but its description " +
            DescriptionPath(disc_path) +
            (Blocks(size) > s.capacity ? " gives a capacity of " + std::to_string(s.capacity)
                                       : " records " + std::to_string(written) + " written") +
            ": the two do not belong together";
    return false;
  }
  return true;
}

}  // namespace

bool LoadDescription(const std::string& disc_path, DiscState& state, std::string& error) {
  const std::string path = DescriptionPath(disc_path);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    error = std::filesystem::exists(disc_path, ec) ? disc_path + " is not a virtual disc (no " + path + ")"
                                                   : "no such disc file: " + disc_path;
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot read " + path;
    return false;
  }
  const std::string content{std::istreambuf_iterator<char>(file), {}};
  Loader loader(path);
  DiscState s;
  if (!loader.Parse(content, s) || !loader.Check(s)) {
    error = loader.error();
    return false;
  }
  if (!CheckDiscFile(disc_path, s, error)) return false;
  state = s;
  return true;
}

}  // namespace orlix::vrec
