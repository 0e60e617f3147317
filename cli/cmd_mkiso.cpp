// orlix mkiso: builds an ISO 9660 + Joliet (+ El Torito) image file from
// host files and folders. The image is written under a temporary name in the
// target's folder and renamed only once it is complete.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "burner/burner.h"
#include "cli/command.h"
#include "cli/tree_report.h"
#include "framework/exceptions.h"
#include "iso/ordering.h"
#include "iso/tree.h"
#include "messages/messages.h"
#include "platform/console.h"
#include "platform/file_io.h"
#include "platform/file_search.h"

namespace orlix::cli {
namespace {

constexpr int kExitError = 1;
constexpr int kExitLeftOut = 2;
// Sector numbers and path-table parent numbers are 32 and 16 bits wide.
constexpr int64_t kMaxImageSectors = (int64_t{1} << 32) - 1;
constexpr int32_t kMaxPathTableDirs = 65535;

struct Graft {
  std::string dest;  // image folder, "\" joined
  std::string path;  // host file or folder
};

struct MkisoOptions {
  std::string output;
  std::string volume = "CDROM", system, volume_set, publisher, preparer, application;
  std::string copyright, abstract, biblio;
  bool no_joliet = false, xa = false, list = false, quiet = false, skip_refused = false;
  std::string boot, date;
  SourceOptions source;
  int32_t max_files = 65535, max_dirs = 8191;
  std::vector<Graft> grafts;
};

// An image path from what the user typed: either separator, one leading "\".
std::string ImagePath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  if (path.empty() || path[0] != '\\') path.insert(path.begin(), '\\');
  while (path.size() > 1 && path.back() == '\\') path.pop_back();
  return path;
}

// "YYYY-MM-DD", optionally followed by " HH:MM:SS" or "THH:MM:SS".
bool ParseDate(const std::string& text, TDateTime& value) {
  unsigned y, mo, d, h = 0, mi = 0, s = 0;
  char sep = 0;
  int used = 0;
  const int n =
      std::sscanf(text.c_str(), "%4u-%2u-%2u%n%c%2u:%2u:%2u%n", &y, &mo, &d, &used, &sep, &h, &mi, &s, &used);
  if (n != 3 && !(n == 7 && (sep == ' ' || sep == 'T'))) return false;
  if (static_cast<size_t>(used) != text.size()) return false;
  TDateTime date, time;
  if (!TryEncodeDate(static_cast<uint16_t>(y), static_cast<uint16_t>(mo), static_cast<uint16_t>(d), date))
    return false;
  if (!TryEncodeTime(static_cast<uint16_t>(h), static_cast<uint16_t>(mi), static_cast<uint16_t>(s), 0, time))
    return false;
  value = date + time;
  return true;
}

std::string Human(double bytes) {
  const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  int u = 0;
  while (bytes >= 1024 && u < 4) bytes /= 1024, ++u;
  char text[32];
  std::snprintf(text, sizeof text, u == 0 ? "%.0f %s" : "%.1f %s", bytes, units[u]);
  return text;
}

// A bar on stderr, redrawn at most ten times a second.
class ProgressBar {
 public:
  using Clock = std::chrono::steady_clock;
  explicit ProgressBar(bool shown) : shown_(shown), start_(Clock::now()) {}

  void Update(int64_t done, int64_t total) {
    if (!shown_ || total <= 0) return;
    const auto now = Clock::now();
    if (now - last_ < std::chrono::milliseconds(100) && done < total) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? done / seconds : 0;
    const int width = 30;
    const int filled = static_cast<int>(width * done / total);
    char eta[32] = "--:--";
    if (rate > 0) {
      const int64_t left = static_cast<int64_t>((total - done) / rate);
      std::snprintf(eta, sizeof eta, "%lld:%02lld", static_cast<long long>(left / 60),
                    static_cast<long long>(left % 60));
    }
    std::fprintf(stderr, "\r[%s%s] %3d%%  %s / %s  %s/s  %s left   ", std::string(filled, '#').c_str(),
                 std::string(width - filled, '.').c_str(), static_cast<int>(100 * done / total),
                 Human(static_cast<double>(done)).c_str(), Human(static_cast<double>(total)).c_str(),
                 Human(rate).c_str(), eta);
    drawn_ = true;
  }

  void Clear() {
    if (drawn_) std::fprintf(stderr, "\r%*s\r", 100, "");
    drawn_ = false;
  }

 private:
  bool shown_;
  bool drawn_ = false;
  Clock::time_point start_, last_{};
};

class MkisoRun {
 public:
  explicit MkisoRun(const MkisoOptions& options) : o_(options), burner_(nullptr) {}

  int Run() {
    const auto start = std::chrono::steady_clock::now();
    if (int rc = Configure(); rc != 0) return rc;
    if (int rc = FillTree(); rc != 0) return rc;
    if (int rc = Prepare(); rc != 0) return rc;
    if (int rc = Write(); rc != 0) return rc;
    if (!o_.quiet) Summary(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
  }

 private:
  static int Fail(const std::string& message) {
    std::fprintf(stderr, "orlix: %s\n", message.c_str());
    return kExitError;
  }

  int Configure() {
    if (o_.max_files != 65535 || o_.max_dirs != 8191) burner_.ClearAll(o_.max_files, o_.max_dirs);
    ELen = o_.xa ? 14 : 0;
    burner_.SetJolietFileSystem(!o_.no_joliet);
    burner_.SetIdVolume(o_.volume);
    burner_.SetIdSystem(o_.system);
    burner_.SetIdVolumeSet(o_.volume_set);
    burner_.SetIdPublisher(o_.publisher);
    burner_.SetIdPreparer(o_.preparer);
    burner_.SetIdApplication(o_.application);
    burner_.SetFileCopyright(o_.copyright);
    burner_.SetFileAbstract(o_.abstract);
    burner_.SetFileBibliographic(o_.biblio);
    TDateTime date = Now();
    if (!o_.date.empty() && o_.date != "now" && !ParseDate(o_.date, date))
      return Fail("invalid --date " + o_.date + " (use YYYY-MM-DD or \"YYYY-MM-DD HH:MM:SS\")");
    burner_.SetDateCreation(date);
    burner_.SetDateModification(date);
    if (!o_.boot.empty()) {
      if (FileGetAttr(o_.boot) < 0 || (FileGetAttr(o_.boot) & faDirectory))
        return Fail(o_.boot + ": no such boot image file");
      burner_.SetBootImage(o_.boot);
      burner_.SetBootable(true);
    }
    return 0;
  }

  int FillTree() {
    RefusalLog log(burner_);
    for (const Graft& g : o_.grafts) {
      const std::string dest_path = ImagePath(g.dest);
      PDEntry dest = burner_.MakeDir(dest_path);
      if (dest == nullptr)
        return Fail("no room for the image folder " + dest_path + ": " + log.LastFullMessage());
      if (!AddSource(burner_, dest, dest_path, g.path, o_.source, log)) return kExitError;
    }
    DropUnreadableFiles(burner_, log);
    burner_.OnAddFile = nullptr;
    burner_.OnDebugMessage = nullptr;
    if (log.LeftOutCount() > 0 && !o_.skip_refused) {
      std::fprintf(stderr,
                   "orlix: image not written: %d file(s) or folder(s) left out (--skip-refused writes it "
                   "without them)\n",
                   log.LeftOutCount());
      return kExitLeftOut;
    }
    if (DirCounter > kMaxPathTableDirs)
      return Fail("too many folders for the path tables: " + std::to_string(DirCounter) + " (at most 65535)");
    return 0;
  }

  int Prepare() {
    std::vector<std::string> layout_lines;
    const bool list = o_.list;
    if (list) {
      burner_.SetDoDebug(true);
      burner_.OnDebugMessage = [&](TComponent*, const std::string& text, uint8_t type) {
        if (type == 1) layout_lines.push_back(text);
      };
    }
    // Records in name order, as readers of the ISO tree expect them; the
    // data keeps the order the files were added in.
    for (int32_t i = 0; i < DirCounter; ++i) SortFiles(Dirs[i], false);
    burner_.PrepareISO();
    burner_.SetDoDebug(false);
    if (!o_.boot.empty() && !burner_.Bootable()) return Fail(o_.boot + ": the boot image cannot be read");
    if (burner_.ImageSectors() > kMaxImageSectors)
      return Fail("the image would need " + std::to_string(burner_.ImageSectors()) +
                  " sectors; sector numbers are 32 bits wide");
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
    // The same folder as the target, so that the rename cannot cross file
    // systems; a clock tick keeps two runs apart.
    const std::string temp = o_.output + ".orlix-" + std::to_string(TempTag()) + ".tmp";
    std::string problems;
    burner_.OnDebugMessage = [&](TComponent*, const std::string& text, uint8_t type) {
      if (type == 0 || type == 4) problems += "\n  " + text;
    };
    std::string result = "unset";
    burner_.OnWriteDone = [&](TComponent*, const std::string& error) { result = error; };
    ProgressBar bar(!o_.quiet && IsTerminal(2));
    burner_.OnSaveProgress = [&](int64_t done, int64_t total) { bar.Update(done, total); };
    try {
      burner_.SaveToISOFile(temp, true);
    } catch (const std::exception& e) {  // file errors, and running out of memory
      bar.Clear();
      FileDelete(temp);
      return Fail(std::string(e.what()) + "; no image written");
    }
    bar.Clear();
    if (!IsSuccess(result)) {
      FileDelete(temp);
      return Fail("image not written: " + result + problems);
    }
    // Renaming does not replace an existing file on every platform.
    bool renamed = FileRename(temp, o_.output);
    if (!renamed && FileExists(o_.output) && FileDelete(o_.output)) renamed = FileRename(temp, o_.output);
    if (!renamed) {
      const std::string why = OsErrorMessage(LastOsError());
      FileDelete(temp);
      return Fail(o_.output + ": " + why);
    }
    return 0;
  }

  void Summary(double seconds) const {
    int64_t files = 0;
    for (int32_t i = 0; i < FileCounter; ++i) files += (Files[i]->Attr & faDirectory) == 0;
    const int64_t bytes = burner_.ImageSectors() * 2048;
    std::fprintf(stderr,
                 "orlix: %s: %lld files, %d directories, %lld sectors, %lld bytes, %.2f s, %.1f MB/s\n",
                 o_.output.c_str(), static_cast<long long>(files), burner_.GetDirsCount(),
                 static_cast<long long>(burner_.ImageSectors()), static_cast<long long>(bytes), seconds,
                 seconds > 0 ? bytes / seconds / 1e6 : 0.0);
  }

  static long TempTag() {
    return static_cast<long>(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007);
  }

  const MkisoOptions& o_;
  TOrlixBurner burner_;
};

const CommandRegistration registration("mkiso", [](CLI::App& app, int& exit_code) {
  auto o = std::make_shared<MkisoOptions>();
  auto dests = std::make_shared<std::vector<std::string>>();
  auto paths = std::make_shared<std::vector<std::string>>();
  CLI::App* cmd =
      app.add_subcommand("mkiso", "Build an ISO 9660 + Joliet image file from host files and folders");
  cmd->add_option("-o,--output", o->output, "Image file to write")->required();
  cmd->add_option("-V,--volume", o->volume, "Volume identifier")->capture_default_str();
  cmd->add_option("--system", o->system, "System identifier");
  cmd->add_option("--volset", o->volume_set, "Volume set identifier");
  cmd->add_option("--publisher", o->publisher, "Publisher identifier");
  cmd->add_option("--preparer", o->preparer, "Data preparer identifier");
  cmd->add_option("--application", o->application, "Application identifier");
  cmd->add_option("--copyright", o->copyright, "Copyright file identifier");
  cmd->add_option("--abstract", o->abstract, "Abstract file identifier");
  cmd->add_option("--biblio", o->biblio, "Bibliographic file identifier");
  cmd->add_option("--date", o->date,
                  "Volume creation and modification date: YYYY-MM-DD[ HH:MM:SS] (default now)");
  cmd->add_flag("--no-joliet", o->no_joliet, "Leave out the Joliet tree (ISO names only)");
  cmd->add_option("--boot", o->boot,
                  "El Torito boot image file (diskette emulation for 1.2/1.44/2.88 MB images)");
  cmd->add_flag("--xa", o->xa, "Add the 14-byte CD-ROM XA entry to every directory record");
  cmd->add_option("--dest", *dests, "Image folder for the PATHs that follow, for example \\DOCS (default \\)")
      ->allow_extra_args(false);
  cmd->add_flag("--keep-path", o->source.keep_path, "Keep each source's folder structure in the image");
  cmd->add_flag("--archive-only", o->source.archive_only, "Add only files whose archive attribute is set");
  cmd->add_option("--mask", o->source.mask, "Files to add from each folder (Windows rules; *.* matches all)")
      ->capture_default_str();
  cmd->add_flag("--list", o->list, "Print the layout lines and the tree on stdout");
  cmd->add_flag("-q,--quiet", o->quiet, "No progress bar and no summary");
  cmd->add_flag("--skip-refused", o->skip_refused, "Write the image even when files were left out");
  cmd->add_option("--max-files", o->max_files, "Capacity of the entry table")
      ->capture_default_str()
      ->check(CLI::Range(1, 1 << 24));
  cmd->add_option("--max-dirs", o->max_dirs, "Capacity of the directory table (root included)")
      ->capture_default_str()
      ->check(CLI::Range(1, kMaxPathTableDirs));
  CLI::Option* path_opt =
      cmd->add_option("PATH", *paths, "Host files and folders; a folder's content goes into the image folder")
          ->required();
  CLI::Option* dest_opt = cmd->get_option("--dest");
  cmd->footer(
      "Folders are added recursively; a folder's content, not the folder itself, goes into the image "
      "folder. --dest applies to the PATHs after it, until the next --dest:\n"
      "  orlix mkiso -o disc.iso photos --dest \\DOCS letters notes.txt\n"
      "Files the tree refuses (too long names, same names, unreadable files) are named on stderr and no "
      "image is written unless --skip-refused is given.\n"
      "Exit status: 0 image written; 1 error (nothing written); 2 files left out (nothing written).");
  cmd->callback([o, dests, paths, cmd, path_opt, dest_opt, &exit_code] {
    // Options and PATHs as they came, so each PATH takes the --dest before it.
    std::string dest = "\\";
    size_t next_dest = 0, next_path = 0;
    for (CLI::Option* opt : cmd->parse_order()) {
      if (opt == dest_opt && next_dest < dests->size()) dest = (*dests)[next_dest++];
      if (opt == path_opt && next_path < paths->size()) o->grafts.push_back({dest, (*paths)[next_path++]});
    }
    MkisoRun run(*o);
    exit_code = run.Run();
  });
});

}  // namespace
}  // namespace orlix::cli
