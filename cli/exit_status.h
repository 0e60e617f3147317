// The tool's exit statuses, the same for every sub-command, and the one way
// a failure is told.
#pragma once

#include <cstdio>
#include <string>

namespace orlix::cli {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
// Files or folders were left out of the tree (nothing was written), or the
// work was done with entries renamed on the disc.
constexpr int kExitLeftOut = 2;
// The command line could not be understood.
constexpr int kExitUsage = 64;
// Stopped by a signal: 128 plus its number, as shells report it.
constexpr int kExitHangUp = 129;
constexpr int kExitInterrupted = 130;
constexpr int kExitTerminated = 143;

// The last message Fail told, for reports that repeat it (--json).
inline std::string& LastFailure() {
  static std::string message;
  return message;
}

// Tells the user on stderr what went wrong; returns `status`.
inline int Fail(const std::string& message, int status = kExitError) {
  std::fprintf(stderr, "orlix: %s\n", message.c_str());
  LastFailure() = message;
  return status;
}

}  // namespace orlix::cli
