#include "cli/image_options.h"

#include <cstdio>

#include "cli/boot_image.h"
#include "cli/exit_status.h"
#include "cli/image_folder.h"
#include "iso/ordering.h"
#include "iso/tree.h"
#include "platform/file_search.h"

namespace orlix::cli {

namespace {

// Sector numbers and path-table parent numbers are 32 and 16 bits wide.
constexpr int64_t kMaxImageSectors = (int64_t{1} << 32) - 1;
constexpr int32_t kMaxPathTableDirs = 65535;

}  // namespace

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

void AddImageOptions(CLI::App& cmd, ImageOptions& o, const ImageWording& wording) {
  cmd.add_option("-V,--volume", o.volume, "Volume identifier")->capture_default_str();
  cmd.add_option("--system", o.system, "System identifier");
  cmd.add_option("--volset", o.volume_set, "Volume set identifier");
  cmd.add_option("--publisher", o.publisher, "Publisher identifier");
  cmd.add_option("--preparer", o.preparer, "Data preparer identifier");
  cmd.add_option("--application", o.application, "Application identifier");
  cmd.add_option("--copyright", o.copyright, "Copyright file identifier");
  cmd.add_option("--abstract", o.abstract, "Abstract file identifier");
  cmd.add_option("--biblio", o.biblio, "Bibliographic file identifier");
  cmd.add_option("--date", o.date,
                 "The image's dates (volume creation and modification, folders' own records): "
                 "YYYY-MM-DD[ HH:MM:SS] (default now; a fixed date makes the image reproducible)");
  cmd.add_flag("--no-joliet", o.no_joliet, "Leave out the Joliet tree (ISO names only)");
  cmd.add_option("--boot", o.boot,
                 "El Torito boot image file (diskette emulation for 1.2/1.44/2.88 MB images)");
  cmd.add_flag("--xa", o.xa, "Add the 14-byte CD-ROM XA entry to every directory record");
  o.dest_option =
      cmd.add_option("--dest", o.dest_values,
                     "Image folder for the PATHs that follow, for example /DOCS/sub or \\DOCS\\sub (default /)")
          ->allow_extra_args(false);
  cmd.add_flag("--keep-path", o.source.keep_path, "Keep each source's folder structure in the image");
  cmd.add_flag("--archive-only", o.source.archive_only, "Add only files whose archive attribute is set");
  cmd.add_option("--mask", o.source.mask, "Files to add from each folder (Windows rules; *.* matches all)")
      ->capture_default_str();
  cmd.add_flag("--no-empty-dirs", o.no_empty_dirs,
               "Leave out host folders that hold no file (they are kept by default)");
  cmd.add_flag("--rename-duplicates", o.source.rename_duplicates,
               "Keep a file whose name its image folder already holds, ignoring case (index.html beside "
               "Index.html), under a free name: index~1.html");
  cmd.add_flag("--skip-refused", o.skip_refused,
               "Go on even when files were left out (" + wording.skip_does + " without them)");
  cmd.add_option("--max-files", o.max_files, "Capacity of the entry table")
      ->capture_default_str()
      ->check(CLI::Range(1, 1 << 24));
  cmd.add_option("--max-dirs", o.max_dirs, "Capacity of the directory table (root included)")
      ->capture_default_str()
      ->check(CLI::Range(1, kMaxPathTableDirs));
  o.path_option = cmd.add_option("PATH", o.path_values,
                                 "Host files and folders; a folder's content goes into the image folder")
                      ->required();
}

void CollectGrafts(const CLI::App& cmd, ImageOptions& o) {
  // Options and PATHs as they came, so each PATH takes the --dest before it.
  o.source.empty_dirs = !o.no_empty_dirs;
  std::string dest = "\\";
  size_t next_dest = 0, next_path = 0;
  o.grafts.clear();
  for (CLI::Option* opt : cmd.parse_order()) {
    if (opt == o.dest_option && next_dest < o.dest_values.size()) dest = o.dest_values[next_dest++];
    if (opt == o.path_option && next_path < o.path_values.size())
      o.grafts.push_back({dest, o.path_values[next_path++]});
  }
}

int ConfigureImage(TOrlixBurner& burner, const ImageOptions& o) {
  std::string folder, error;
  for (const Graft& g : o.grafts)
    if (!ParseImageFolder(g.dest, folder, error)) return Fail(error, kExitUsage);
  if (!o.boot.empty() && !CheckBootImage(o.boot, error)) return Fail(error);
  if (o.max_files != 65535 || o.max_dirs != 8191) burner.ClearAll(o.max_files, o.max_dirs);
  ELen = o.xa ? 14 : 0;
  burner.SetJolietFileSystem(!o.no_joliet);
  burner.SetIdVolume(o.volume);
  burner.SetIdSystem(o.system);
  burner.SetIdVolumeSet(o.volume_set);
  burner.SetIdPublisher(o.publisher);
  burner.SetIdPreparer(o.preparer);
  burner.SetIdApplication(o.application);
  burner.SetFileCopyright(o.copyright);
  burner.SetFileAbstract(o.abstract);
  burner.SetFileBibliographic(o.biblio);
  TDateTime date = Now();
  if (!o.date.empty() && o.date != "now" && !ParseDate(o.date, date))
    return Fail("invalid --date " + o.date + " (use YYYY-MM-DD or \"YYYY-MM-DD HH:MM:SS\")");
  burner.SetDateCreation(date);
  burner.SetDateModification(date);
  // The "." records of every folder carry the moment they are written: a
  // date given here stands for that moment too, so that the same tree and
  // date give the same image.
  if (!o.date.empty() && o.date != "now") SetNowOverride(true, date);
  if (!o.boot.empty()) {
    burner.SetBootImage(o.boot);
    burner.SetBootable(true);
  }
  return kExitOk;
}

int FillImageTree(TOrlixBurner& burner, const ImageOptions& o, const ImageWording& wording,
                  NameReport& names) {
  RefusalLog log(burner, names);
  int status = kExitOk;
  for (const Graft& g : o.grafts) {
    std::string dest_path, error;
    if (!ParseImageFolder(g.dest, dest_path, error)) {
      status = Fail(error, kExitUsage);
      break;
    }
    PDEntry dest = burner.MakeDir(dest_path);
    if (dest == nullptr) {
      status = Fail("no room for the image folder " + dest_path + ": " + log.LastFullMessage());
      break;
    }
    if (!AddSource(burner, dest, dest_path, g.path, o.source, log)) {
      status = kExitError;
      break;
    }
  }
  if (status == kExitOk) DropUnreadableFiles(burner, log);
  // The log's handlers go with it.
  burner.OnAddFile = nullptr;
  burner.OnDebugMessage = nullptr;
  names.Flush();
  if (status != kExitOk) return status;
  if (log.LeftOutCount() > 0 && !o.skip_refused)
    return Fail(wording.not_done + ": " + std::to_string(log.LeftOutCount()) +
                    " file(s) or folder(s) left out (--skip-refused " + wording.skip_does + " without them)",
                kExitLeftOut);
  if (DirCounter > kMaxPathTableDirs)
    return Fail("too many folders for the path tables: " + std::to_string(DirCounter) + " (at most 65535)");
  return kExitOk;
}

void SortForImage() {
  for (int32_t i = 0; i < DirCounter; ++i) SortFiles(Dirs[i], false);
}

int CheckPreparedImage(const TOrlixBurner& burner, const ImageOptions& o) {
  if (!o.boot.empty() && !burner.Bootable()) return Fail(o.boot + ": the boot image cannot be read");
  if (burner.ImageSectors() > kMaxImageSectors)
    return Fail("the image would need " + std::to_string(burner.ImageSectors()) +
                " sectors; sector numbers are 32 bits wide");
  return kExitOk;
}

int RenamedStatus(int status, const NameReport& names) {
  return status == kExitOk && names.RenamedCount() > 0 ? kExitLeftOut : status;
}

}  // namespace orlix::cli
