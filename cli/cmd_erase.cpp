// orlix erase -d DEV [--quick|--full]: makes a rewritable disc blank again,
// showing its progress, and exits 0 only when the drive reports no
// error at the end.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/command.h"
#include "cli/drive_option.h"
#include "cli/progress_bar.h"
#include "device/device_state.h"
#include "device/erase_thread.h"
#include "framework/thread.h"
#include "platform/console.h"

namespace orlix::cli {
namespace {

struct EraseOptions {
  DriveOptions drive;
  bool quick = false;
  bool full = false;
};

// The drive's progress as it reports it: the tool's bar on a terminal,
// otherwise a line at every tenth.
class EraseProgressShown {
 public:
  EraseProgressShown(bool terminal, bool quiet)
      : terminal_(terminal), quiet_(quiet), bar_(terminal && !quiet) {}

  void Show(int percent) {
    if (quiet_) return;
    percent = std::clamp(percent, 0, 100);
    if (terminal_) {
      ProgressFacts facts;
      facts.phase = "erasing";
      facts.done = percent;
      facts.total = 100;
      facts.bytes = false;
      bar_.Update(facts);
    } else if (percent / 10 > last_ / 10) {
      std::fprintf(stderr, "erasing: %d%%\n", percent / 10 * 10);
    }
    last_ = percent;
  }

  void Done() { bar_.Clear(); }

 private:
  bool terminal_, quiet_;
  ProgressBar bar_;
  int last_ = 0;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "orlix: %s\n", message.c_str());
  return 1;
}

int RunErase(EraseOptions& options) {
  TSCSIDevice device(nullptr);
  std::string error;
  if (!OpenDrive(device, options.drive, error)) return Fail(error);

  const TDisc disc = device.GetDiscInformation();
  if (!disc.Ready) return Fail("no disc in the drive, or the drive is not ready");
  if (!device.Erasable()) {
    const std::string medium = disc.Medium.empty() ? "the disc" : "the " + disc.Medium + " disc";
    return Fail(medium + " in the drive cannot be erased");
  }

  bool done = false, with_error = false;
  device.OnEraseDone = [&](TComponent*, bool failed) {
    done = true;
    with_error = failed;
  };
  const uint8_t type = options.full ? 0 : 1;
  if (!device.EraseDisc(type)) {
    if (done) {
      const std::string why = device.LastError().empty() ? "" : ": " + device.LastError();
      return Fail("the drive refused to erase the disc" + why);
    }
    return Fail("the drive did not become ready; nothing was erased");
  }

  EraseProgressShown progress(IsTerminal(2), options.drive.quiet);
  // The erase thread reports on this thread: pump its calls until it has
  // ended, then the device may go.
  while (!done || device.Erasing() || EraseThreadRunning()) {
    progress.Show(done ? 100 : device.EraseProgress());
    CheckSynchronize(200);
  }
  progress.Show(100);
  progress.Done();
  if (with_error) return Fail("erasing failed: the drive did not leave the disc blank");
  std::printf("erased: %s (%s)\n", disc.Medium.c_str(), options.full ? "full" : "quick");
  return 0;
}

const CommandRegistration registration("erase", [](CLI::App& app, int& exit_code) {
  auto options = std::make_shared<EraseOptions>();
  CLI::App* cmd = app.add_subcommand("erase", "Erase a rewritable disc (CD-RW, DVD-RW, DVD+RW, DVD-RAM)");
  AddDriveOptions(*cmd, options->drive);
  auto* quick = cmd->add_flag("--quick", options->quick,
                              "Minimal blank, or overwrite the start of DVD+RW/DVD-RAM (default)");
  cmd->add_flag("--full", options->full, "Blank or format the whole disc")->excludes(quick);
  cmd->footer(
      "The progress shown is the drive's own where it reports one, else an estimate from the usual duration "
      "of the erase. Exit status 0 only when "
      "the drive reports the disc erased; 1 when the disc cannot be erased, the drive refuses or the erase "
      "fails.");
  cmd->callback([options, &exit_code] { exit_code = RunErase(*options); });
});

}  // namespace
}  // namespace orlix::cli
