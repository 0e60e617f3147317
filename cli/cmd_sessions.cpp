// orlix sessions: the sessions of the disc in the drive.
#include <cstdio>
#include <memory>

#include "cli/command.h"
#include "cli/disc_session.h"
#include "cli/drive_option.h"
#include "cli/exit_status.h"

namespace orlix::cli {
namespace {

int RunSessions(DriveOptions& drive) {
  TOrlixBurner burner(nullptr);
  std::string error;
  if (!OpenDrive(burner, drive, error)) return Fail(error);
  if (!burner.GetDiscInformation().Ready) return Fail("no disc in the drive, or the drive is not ready");
  std::vector<SessionFacts> sessions;
  if (!ListSessions(burner, sessions)) return Fail("the drive does not tell where each session starts");
  if (sessions.empty()) {
    if (!drive.quiet) std::fprintf(stderr, "orlix: the disc holds no session\n");
    return kExitOk;
  }
  std::printf("%-7s  %10s  %10s  %s\n", "session", "start", "sectors", "volume");
  for (const SessionFacts& s : sessions)
    std::printf("%-7d  %10u  %10u  %s\n", s.number, s.start, s.sectors, Printable(s.volume).c_str());
  return kExitOk;
}

const CommandRegistration registration("sessions", [](CLI::App& app, int& exit_code) {
  auto drive = std::make_shared<DriveOptions>();
  CLI::App* cmd = app.add_subcommand("sessions", "List the sessions of the disc in the drive");
  AddDriveOptions(*cmd, *drive);
  cmd->footer(
      "One line per closed session: its number, first sector, size in 2048-byte sectors and volume name. "
      "A DVD+RW or DVD-RAM has one session, the file system last recorded on it.\n"
      "Exit status: 0 listed (also when there is none); 1 error; 64 usage error.");
  cmd->callback([drive, &exit_code] { exit_code = RunSessions(*drive); });
});

}  // namespace
}  // namespace orlix::cli
