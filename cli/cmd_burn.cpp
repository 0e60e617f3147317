// orlix burn: builds the file system of host files and folders (the image
// options of mkiso) and records it on the disc in the drive.
#include <cstdio>
#include <memory>

#include "cli/command.h"
#include "cli/disc_session.h"
#include "cli/exit_status.h"
#include "cli/image_options.h"
#include "cli/record_options.h"
#include "device/device_state.h"

namespace orlix::cli {
namespace {

const ImageWording kWording{"nothing recorded", "records the rest"};
constexpr int kMaxCacheMB = 1024;

struct BurnOptions {
  RecordOptions record;
  bool sao = false;
  int cache_mb = 0;  // 0: the burner's default
  bool append = false;
  int session = 0;  // 0: none given
  ImageOptions image;
};

int RunBurn(TOrlixBurner& burner, BurnOptions& o, RecordRun& run) {
  NameReport names(burner);
  // What the command line gets wrong is told before the drive is touched.
  if (int rc = ConfigureImage(burner, o.image); rc != kExitOk) return run.Failed(LastFailure(), rc);
  if (int rc = run.OpenAndCheck(false); rc != kExitOk) return rc;
  if (int rc = FillImageTree(burner, o.image, kWording, names); rc != kExitOk)
    return run.Failed(LastFailure(), rc);
  // The tree's report took the debug channel over.
  WireDebugOutput(burner, o.record.drive);
  // Before sorting: the files carried forward take their places in name order.
  if (o.append || o.session != 0) {
    const int session = o.session != 0 ? o.session : kLastSession;
    if (int rc = CarryForward(burner, session, o.record.drive.quiet, o.image.skip_refused); rc != kExitOk)
      return run.Failed(LastFailure(), rc);
  }
  run.SetRecordingOptions();
  if (o.cache_mb > 0) burner.SetBufferSize(o.cache_mb * 1048576);
  // Decides the pregap the preparation lays out.
  wms = o.sao;
  SortForImage();
  burner.PrepareCD();
  names.Flush();
  if (int rc = CheckPreparedImage(burner, o.image); rc != kExitOk) return run.Failed(LastFailure(), rc);
  if (int rc = run.CheckFits(burner.GetImageSize(), burner.NextWritableAddress()); rc != kExitOk) return rc;
  run.Report().renamed_entries = names.RenamedCount();
  const int status = run.Record([&] { return burner.BurnCD(); });
  if (status == kExitOk && names.RenamedCount() > 0 && !o.record.drive.quiet)
    std::fprintf(stderr, "orlix: %zu %s renamed on the disc (named above)\n", names.RenamedCount(),
                 names.RenamedCount() == 1 ? "entry" : "entries");
  return RenamedStatus(status, names);
}

const CommandRegistration registration("burn", [](CLI::App& app, int& exit_code) {
  auto o = std::make_shared<BurnOptions>();
  CLI::App* cmd = app.add_subcommand("burn", "Record host files and folders on the disc in the drive");
  AddRecordOptions(*cmd, o->record);
  cmd->add_flag("--sao", o->sao, "Session at once on CD (otherwise track at once)");
  cmd->add_option("--cache", o->cache_mb, "Read-ahead cache in MB (at least 2; default 4)")
      ->check(CLI::Range(2, kMaxCacheMB));
  cmd->add_flag("--append", o->append,
               "Carry the disc's last session forward: its files stay visible beside the new ones, and a file "
               "given again replaces the old one");
  AddSessionOption(*cmd, o->session, "Carry this session forward instead of the last (implies --append)");
  AddImageOptions(*cmd, o->image, kWording);
  cmd->footer(
      "The files become an ISO 9660 + Joliet file system, as with mkiso, recorded as a new session (from "
      "the start of a DVD+RW or DVD-RAM). Without -d: $ORLIX_DEVICE, else the first system drive, else the "
      "virtual recorder's default disc. Ctrl-C stops the recording.\n"
      "Names written differently on the disc are named on stderr as renamed, and empty host folders are "
      "kept unless --no-empty-dirs is given, as with mkiso.\n"
      "Exit status: 0 recorded; 1 error (no disc, a disc that cannot take it, a failed recording or "
      "verify); 2 files left out (nothing recorded), or recorded with entries renamed; 64 usage error; "
      "130, 143 or 129 stopped by Ctrl-C, SIGTERM or SIGHUP.");
  cmd->callback([o, cmd, &exit_code] {
    CollectGrafts(*cmd, o->image);
    TOrlixBurner burner(nullptr);
    RecordRun run(burner, o->record);
    exit_code = RunBurn(burner, *o, run);
    run.PrintJson();
  });
});

}  // namespace
}  // namespace orlix::cli
