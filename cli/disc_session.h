// What `ls`, `extract`, `sessions` and `burn --append` share: choosing a
// session of the disc in the drive, reading it into the tree, finding its
// entries by path, and the host names they may be written under.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>
#include <vector>

#include "burner/burner.h"

namespace orlix::cli {

// The last session.
constexpr int kLastSession = -1;

// Adds --session N: 1 to 127 a session, -1 the last, -2 the one before.
void AddSessionOption(CLI::App& command, int& session, const std::string& help);

// Reads session `session` of the disc in the opened drive into the empty
// tree. 0 when read (problems found on the way are named on stderr unless
// `quiet`, and counted in `problems`); 1 with a message when the disc holds
// no session or the session cannot be read.
int ReadSession(TOrlixBurner& burner, int session, bool quiet, size_t& problems);

// For burn --append: carries session `session` forward into the tree built
// from the command line, whose entries keep their places. A disc without a
// session carries nothing (a note unless `quiet`). 0; 1 with a message when
// the session cannot be read; 2 when it is damaged or entries were left
// out, unless `skip_refused`.
int CarryForward(TOrlixBurner& burner, int session, bool quiet, bool skip_refused);

// An entry of the tree by its path on the disc ("/docs/a.txt", "\docs",
// "" and "/" for the root); either separator, any case. For a file the
// host name (without the dot the tree adds to names without one) is found
// too.
struct DiscEntry {
  PDEntry dir = nullptr;   // a folder
  PFEntry file = nullptr;  // a file
  bool Found() const { return dir != nullptr || file != nullptr; }
};
DiscEntry FindOnDisc(TOrlixBurner& burner, const std::string& path);

// The name an entry is written under on the host: its long name, less the
// dot the tree gives a file name without one.
std::string HostName(const TFEntry& entry);

// `text` with control characters shown as '?': names from a disc may hold
// anything, and a terminal must not take them as commands.
std::string Printable(const std::string& text);

// Why `name` must not be used for a file or folder inside a destination
// folder: "" when it may. Refused: empty names, "." and "..", separators,
// drive and stream forms (":"), NUL, and device names ("CON", "aux.txt").
std::string UnsafeHostName(const std::string& name);

// The session's number, start sector, sector count and volume name, as the
// drive and the session's primary descriptor tell them.
struct SessionFacts {
  int number = 0;
  uint32_t start = 0, sectors = 0;
  std::string volume;
};
// Every closed session of the disc in the opened drive; false when the
// drive does not tell where one starts.
bool ListSessions(TOrlixBurner& burner, std::vector<SessionFacts>& sessions);

}  // namespace orlix::cli
