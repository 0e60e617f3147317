#include "cli/disc_session.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "cli/exit_status.h"
#include "device/session_place.h"
#include "framework/bytes.h"

namespace orlix::cli {

namespace {

constexpr int kMaxSessionNumber = 127;  // the import takes a signed byte

std::string SessionCheck(const std::string& text) {
  try {
    size_t used = 0;
    const int n = std::stoi(text, &used);
    if (used == text.size() && n != 0 && n >= -kMaxSessionNumber && n <= kMaxSessionNumber) return "";
  } catch (const std::exception&) {
  }
  return "a session number from 1 to 127, or -1 for the last, -2 for the one before it..., not \"" + text +
         "\"";
}

std::string UpperAscii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// "/a/b/" or "a\b" as the tree's "\a\b"; "" for the root.
std::string TreePath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (!path.empty() && path[0] != '\\') path.insert(path.begin(), '\\');
  return path;
}

void TellProblems(const TOrlixBurner& burner, bool quiet) {
  if (quiet) return;
  for (const std::string& p : burner.ImportProblems()) std::fprintf(stderr, "orlix: %s\n", Printable(p).c_str());
}

std::string Trimmed(const uint8_t* text, size_t size) {
  std::string s(reinterpret_cast<const char*>(text), size);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

}  // namespace

void AddSessionOption(CLI::App& cmd, int& session, const std::string& help) {
  cmd.add_option("--session", session, help)
      ->check(CLI::Validator(SessionCheck, "N"))
      ->allow_extra_args(false);
}

int ReadSession(TOrlixBurner& burner, int session, bool quiet, size_t& problems) {
  const int sessions = burner.SessionsOnDisc();
  if (sessions == 0) return Fail("the disc in the drive holds no session");
  if (session > sessions)
    return Fail("the disc holds " + std::to_string(sessions) + " session(s); there is no session " +
                std::to_string(session));
  const bool read = burner.ImportSession(static_cast<int8_t>(session), nullptr);
  problems = burner.ImportProblems().size();
  if (!read) {
    const std::string why = problems > 0 ? burner.ImportProblems().front() : "its file system was not found";
    return Fail((session == kLastSession ? std::string("the last session") : "session " + std::to_string(session)) +
                " cannot be read: " + Printable(why));
  }
  TellProblems(burner, quiet);
  return kExitOk;
}

int CarryForward(TOrlixBurner& burner, int session, bool quiet, bool skip_refused) {
  if (burner.SessionsOnDisc() == 0) {
    if (!quiet) std::fprintf(stderr, "orlix: the disc holds no session yet: nothing to carry forward\n");
    return kExitOk;
  }
  // The files given on the command line take the place of old ones.
  burner.SetReplaceFile(false);
  const bool read = burner.ImportSession(static_cast<int8_t>(session), nullptr);
  const size_t problems = burner.ImportProblems().size();
  if (!read)
    return Fail("the session to carry forward cannot be read: " +
                Printable(problems > 0 ? burner.ImportProblems().front() : "its file system was not found"));
  if (problems == 0) return kExitOk;
  TellProblems(burner, quiet);
  if (skip_refused) return kExitOk;
  return Fail("nothing recorded: the session carried forward is damaged or has entries left out (named "
              "above; --skip-refused records without them)",
              kExitLeftOut);
}

DiscEntry FindOnDisc(TOrlixBurner& burner, const std::string& path) {
  DiscEntry found;
  const std::string tree_path = TreePath(path);
  if (tree_path.empty()) {
    found.dir = burner.Root();
    return found;
  }
  const size_t cut = tree_path.rfind('\\');
  PDEntry parent = burner.FindDir(tree_path.substr(0, cut));
  if (parent == nullptr) return found;
  const std::string name = tree_path.substr(cut + 1);
  PFEntry entry = burner.FindFile(parent, name);
  // A file recorded without a dot is listed without the one the tree gave it.
  if (entry == nullptr && name.find('.') == std::string::npos) entry = burner.FindFile(parent, name + ".");
  if (entry == nullptr) return found;
  if (entry->Dir != nullptr)
    found.dir = entry->Dir;
  else if (!(entry->Attr & faDirectory))
    found.file = entry;
  return found;
}

std::string HostName(const TFEntry& entry) {
  std::string name = entry.LongName;
  if (entry.Dir == nullptr && name.size() > 1 && name.back() == '.' && name.find('.') == name.size() - 1)
    name.pop_back();
  return name;
}

std::string Printable(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return out;
}

std::string UnsafeHostName(const std::string& name) {
  if (name.empty()) return "it is empty";
  if (name == "." || name == "..") return "it names a folder above or itself";
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos)
    return "it holds a path separator";
  if (name.find(':') != std::string::npos) return "it holds a drive or stream separator (:)";
  if (name.find('\0') != std::string::npos) return "it holds a NUL character";
  // Windows opens a device for these names, with any extension, whatever
  // folder they are in; a disc copied there must not reach one.
  std::string stem = UpperAscii(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  for (const char* d : kDevices)
    if (stem == d) return "it is a device name";
  if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
      stem[3] >= '1' && stem[3] <= '9')
    return "it is a device name";
  return "";
}

bool ListSessions(TOrlixBurner& burner, std::vector<SessionFacts>& sessions) {
  sessions.clear();
  const int count = burner.SessionsOnDisc();
  for (int n = 1; n <= count; ++n) {
    SessionPlace place;
    if (!FindSessionPlace(burner, n, place)) return false;
    SessionFacts facts;
    facts.number = n;
    facts.start = place.start;
    facts.sectors = place.sectors;
    uint8_t d[2048];
    for (uint32_t lba = facts.start + 16; lba <= facts.start + 36; ++lba) {
      std::memset(d, 0, sizeof d);
      if (!burner.Read10(lba, 1, d, sizeof d) || std::memcmp(d + 1, "CD001", 5) != 0) continue;
      if (d[0] == 255) break;
      if (d[0] != 1) continue;
      facts.volume = Trimmed(d + 40, 32);
      // The volume's own size: on media without sessions the drive's one
      // track covers the whole disc.
      const uint32_t end = GetLE32(d + 80);
      if (end > facts.start) facts.sectors = end - facts.start;
      break;
    }
    sessions.push_back(facts);
  }
  return true;
}

}  // namespace orlix::cli
