// orlix mkiso: builds an ISO 9660 + Joliet (+ El Torito) image file from
// host files and folders. The image is written under a temporary name in the
// target's folder and renamed only once it is complete; a block device named
// with --force is written where it stands.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "burner/burner.h"
#include "cli/command.h"
#include "cli/exit_status.h"
#include "cli/image_options.h"
#include "cli/output_target.h"
#include "cli/progress_bar.h"
#include "cli/recording_watch.h"
#include "framework/exceptions.h"
#include "iso/tree.h"
#include "messages/messages.h"
#include "platform/console.h"
#include "platform/file_io.h"
#include "platform/file_kind.h"
#include "platform/file_search.h"
#include "platform/interrupt.h"

namespace orlix::cli {
namespace {

const ImageWording kWording{"image not written", "writes the image"};

struct MkisoOptions {
  std::string output;
  bool list = false, quiet = false, threaded = false, force = false;
  ImageOptions image;
};

class MkisoRun {
 public:
  explicit MkisoRun(const MkisoOptions& options) : o_(options), burner_(nullptr), names_(burner_) {}

  int Run() {
    const auto start = std::chrono::steady_clock::now();
    if (int rc = CheckOutput(o_.output, o_.force, target_); rc != 0) return rc;
    if (int rc = RefuseOutputAsSource(target_, o_.image); rc != 0) return rc;
    if (int rc = ConfigureImage(burner_, o_.image); rc != 0) return rc;
    if (int rc = FillImageTree(burner_, o_.image, kWording, names_); rc != 0) return rc;
    LeaveOutOutput(burner_, target_);
    if (int rc = Prepare(); rc != 0) return rc;
    if (int rc = Write(); rc != 0) return rc;
    if (!o_.quiet) Summary(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return RenamedStatus(kExitOk, names_);
  }

 private:
  int Prepare() {
    std::vector<std::string> layout_lines;
    const bool list = o_.list;
    if (list) {
      burner_.SetDoDebug(true);
      burner_.OnDebugMessage = [&](TComponent*, const std::string& text, uint8_t type) {
        if (type == 1) layout_lines.push_back(text);
      };
    }
    SortForImage();
    burner_.PrepareISO();
    names_.Flush();
    burner_.SetDoDebug(false);
    burner_.OnDebugMessage = nullptr;
    if (int rc = CheckPreparedImage(burner_, o_.image); rc != 0) return rc;
    if (list) {
      std::string out;
      for (const std::string& line : layout_lines) out += line + "\n";
      burner_.OnDebugMessage = [&](TComponent*, const std::string& text, uint8_t) { out += text + "\n"; };
      burner_.Print_D1();
      std::fwrite(out.data(), 1, out.size(), stdout);
      std::fflush(stdout);
    }
    burner_.OnDebugMessage = nullptr;
    return 0;
  }

  int Write() {
    const int64_t bytes = (o_.threaded ? burner_.GetImageSize() : burner_.ImageSectors()) * 2048;
    if (target_.in_place && target_.size >= 0 && bytes > target_.size)
      return Fail(o_.output + ": the image needs " + std::to_string(bytes) + " bytes; the device holds " +
                  std::to_string(target_.size));
    // The same folder as the target, so that the rename cannot cross file
    // systems; a clock tick keeps two runs apart.
    const std::string file =
        target_.in_place ? target_.path : target_.path + ".orlix-" + std::to_string(TempTag()) + ".tmp";
    std::string problems;
    burner_.OnDebugMessage = [&](TComponent*, const std::string& text, uint8_t type) {
      if (type == 0 || type == 4) problems += "\n  " + text;
    };
    // Caught from here on, so that no half-written temporary file is left.
    InstallInterruptHandlers();
    std::string result;
    int status = o_.threaded ? WriteThreaded(file, result) : WriteDirect(file, result);
    burner_.OnDebugMessage = nullptr;
    if (status == kExitOk && !IsSuccess(result)) status = Fail("image not written: " + result + problems);
    if (status == kExitOk && InterruptReceived() != TInterrupt::None) status = Stopped(InterruptReceived());
    if (status == kExitOk && !target_.in_place) status = Rename(file);
    if (status != kExitOk && !target_.in_place) FileDelete(file);
    RestoreInterruptHandlers();
    return status;
  }

  int Rename(const std::string& temp) {
    // A replaced image keeps who may read it, as cp keeps it.
    if (target_.replaces) FileCopyModeAndOwner(target_.path, temp);
    // Renaming does not replace an existing file on every platform.
    bool renamed = FileRename(temp, target_.path);
    if (!renamed && FileExists(target_.path) && FileDelete(target_.path))
      renamed = FileRename(temp, target_.path);
    if (!renamed) return Fail(o_.output + ": " + OsErrorMessage(LastOsError()));
    return kExitOk;
  }

  int Stopped(TInterrupt interrupt) {
    Fail(target_.in_place ? "stopped; " + o_.output + " holds an incomplete image"
                          : "stopped; no image written");
    return InterruptExitStatus(interrupt);
  }

  int WriteDirect(const std::string& temp, std::string& result) {
    result = "unset";
    burner_.OnWriteDone = [&](TComponent*, const std::string& error) { result = error; };
    ProgressBar bar(!o_.quiet && IsTerminal(2));
    burner_.OnSaveProgress = [&](int64_t done, int64_t total) {
      // The save has no other way out: it unwinds, closing what it opened.
      if (InterruptReceived() != TInterrupt::None) throw StopRequest{};
      ProgressFacts facts;
      facts.done = done;
      facts.total = total;
      bar.Update(facts);
    };
    int status = kExitOk;
    try {
      burner_.SaveToISOFile(temp, true);
    } catch (const StopRequest&) {
      bar.Clear();
      status = Stopped(InterruptReceived());
    } catch (const std::exception& e) {  // file errors, and running out of memory
      status = Fail(std::string(e.what()) + "; no image written");
    }
    burner_.OnSaveProgress = nullptr;
    burner_.OnWriteDone = nullptr;
    return status;
  }

  // Through the recording threads, as a recording reads its sources.
  int WriteThreaded(const std::string& temp, std::string& result) {
    RecordingWatch watch(burner_, {!o_.quiet && IsTerminal(2), false});
    const int32_t started = burner_.SaveToISOFile(temp, false);
    if (started == 0 || (started < 0 && !watch.Done() && !burner_.RecordingActive()))
      return Fail("the image writer did not start; no image written");
    watch.Wait();
    result = watch.Result();
    if (watch.Interrupt() != TInterrupt::None && !IsSuccess(result)) return Stopped(watch.Interrupt());
    return kExitOk;
  }

  void Summary(double seconds) const {
    int64_t files = 0;
    for (int32_t i = 0; i < FileCounter; ++i) files += (Files[i]->Attr & faDirectory) == 0;
    const int64_t sectors = o_.threaded ? burner_.GetImageSize() : burner_.ImageSectors();
    const int64_t bytes = sectors * 2048;
    const std::string renamed =
        names_.RenamedCount() > 0 ? ", " + std::to_string(names_.RenamedCount()) + " renamed (named above)" : "";
    std::fprintf(stderr,
                 "orlix: %s: %lld files, %d directories, %lld sectors, %lld bytes, %.2f s, %.1f MB/s%s\n",
                 o_.output.c_str(), static_cast<long long>(files), burner_.GetDirsCount(),
                 static_cast<long long>(sectors), static_cast<long long>(bytes), seconds,
                 seconds > 0 ? bytes / seconds / 1e6 : 0.0, renamed.c_str());
  }

  static long TempTag() {
    return static_cast<long>(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007);
  }

  // Thrown out of the direct save when the user stops it.
  struct StopRequest {};

  const MkisoOptions& o_;
  OutputTarget target_;
  TOrlixBurner burner_;
  NameReport names_;  // after the burner: it lets the burner's event go first
};

const CommandRegistration registration("mkiso", [](CLI::App& app, int& exit_code) {
  auto o = std::make_shared<MkisoOptions>();
  CLI::App* cmd =
      app.add_subcommand("mkiso", "Build an ISO 9660 + Joliet image file from host files and folders");
  cmd->add_option("-o,--output", o->output,
                  "Image file to write (a link is followed; an existing file keeps its mode)")
      ->required();
  cmd->add_flag("--force", o->force,
                "Let -o name a block device (a USB stick, a partition): the image is written onto it");
  AddImageOptions(*cmd, o->image, kWording);
  cmd->add_flag("--list", o->list, "Print the layout lines and the tree on stdout");
  cmd->add_flag("-q,--quiet", o->quiet, "No progress bar and no summary");
  cmd->add_flag("--threaded", o->threaded,
                "Write through the recording threads, as a recording reads the files (tiny images are "
                "padded to 300 sectors)");
  cmd->footer(
      "Folders are added recursively; a folder's content, not the folder itself, goes into the image "
      "folder. --dest applies to the PATHs after it, until the next --dest:\n"
      "  orlix mkiso -o disc.iso photos --dest \\DOCS letters notes.txt\n"
      "Files the tree refuses (too long names, same names, unreadable files) are named on stderr and no "
      "image is written unless --skip-refused is given. Names written differently on the disc (Joliet "
      "names cut to fit or holding characters Joliet forbids, ISO 9660 names already taken, duplicates "
      "renamed by --rename-duplicates) are named on stderr as renamed; so are volume texts cut or mapped "
      "to fit their fields, which change no exit status. Host folders that hold no file are kept unless "
      "--no-empty-dirs is given; a folder whose files --mask or --archive-only left out is not empty and "
      "is left out with them.\n"
      "The output is replaced only when it is a regular file (it keeps its mode, and its owner where "
      "allowed); a link is followed to its target; a device, FIFO or socket is refused, except a block "
      "device with --force, which is written in place. An output inside a source folder is left out of "
      "the image, and an output that is one of the sources is refused. FIFOs, sockets, devices and "
      "links that lead nowhere are left out and named, as other refusals.\n"
      "Exit status: 0 image written; 1 error (nothing written); 2 files left out (nothing written), or "
      "the image written with entries renamed; 64 usage error; 130, 143 or 129 stopped by Ctrl-C, "
      "SIGTERM or SIGHUP (nothing written; the temporary file is removed).");
  cmd->callback([o, cmd, &exit_code] {
    CollectGrafts(*cmd, o->image);
    MkisoRun run(*o);
    exit_code = run.Run();
  });
});

}  // namespace
}  // namespace orlix::cli
