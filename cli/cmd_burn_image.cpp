// orlix burn-image: records an image file on the disc in the drive, from
// sector 0.
#include <memory>

#include "cli/command.h"
#include "cli/exit_status.h"
#include "cli/record_options.h"
#include "platform/file_io.h"
#include "platform/file_search.h"

namespace orlix::cli {
namespace {

struct BurnImageOptions {
  RecordOptions record;
  std::string image;
};

int RunBurnImage(TOrlixBurner& burner, BurnImageOptions& o, RecordRun& run) {
  const int32_t attr = FileGetAttr(o.image);
  if (attr < 0 || (attr & faDirectory)) return run.Refuse(o.image + ": no such image file", kExitError);
  const THandle file = FileOpen(o.image, fmOpenRead | fmShareDenyNone);
  if (file == kInvalidHandle) return run.Refuse(o.image + ": " + OsErrorMessage(LastOsError()), kExitError);
  const int64_t size = FileSeek(file, 0, 2);
  FileClose(file);
  if (size <= 0) return run.Refuse(o.image + ": the image file is empty", kExitError);
  run.Report().image_bytes = size;
  if (int rc = run.OpenAndCheck(true); rc != kExitOk) return rc;
  const int64_t sectors = (size + 2047) / 2048;
  // Short images are padded to the minimum a recording takes.
  const int64_t recorded = burner.WritePostGap() ? std::max<int64_t>(sectors, 300) : sectors;
  if (int rc = run.CheckFits(recorded, 0); rc != kExitOk) return rc;
  run.SetRecordingOptions();
  return run.Record([&] { return burner.BurnISOImage(o.image); });
}

const CommandRegistration registration("burn-image", [](CLI::App& app, int& exit_code) {
  auto o = std::make_shared<BurnImageOptions>();
  CLI::App* cmd = app.add_subcommand("burn-image", "Record an image file on the disc in the drive");
  AddRecordOptions(*cmd, o->record);
  cmd->add_option("IMAGE", o->image, "Image file (2048-byte sectors), recorded from sector 0")->required();
  cmd->footer(
      "The disc must be blank, or a DVD+RW, DVD-RAM or restricted-overwrite DVD-RW, whose start is "
      "overwritten. Without -d: $ORLIX_DEVICE, else the first system drive, else the virtual recorder's "
      "default disc. Ctrl-C stops the recording.\n"
      "Exit status: 0 recorded; 1 error; 64 usage error; 130, 143 or 129 stopped by Ctrl-C, SIGTERM or "
      "SIGHUP.");
  cmd->callback([o, &exit_code] {
    TOrlixBurner burner(nullptr);
    RecordRun run(burner, o->record);
    exit_code = RunBurnImage(burner, *o, run);
    run.PrintJson();
  });
});

}  // namespace
}  // namespace orlix::cli
