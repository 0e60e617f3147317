// orlix tree: fills the burner's tree from host files and folders and prints
// it. Everything the tree refuses or renames is named on stderr with the
// reason.
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "burner/burner.h"
#include "cli/command.h"
#include "cli/exit_status.h"
#include "cli/image_folder.h"
#include "cli/image_options.h"
#include "cli/name_report.h"
#include "cli/tree_report.h"
#include "iso/tree.h"

namespace orlix::cli {
namespace {

struct TreeOptions {
  bool keep_path = false;
  bool archive_only = false;
  bool last_dir_only = false;
  bool test_files = false;
  bool no_empty_dirs = false;
  bool rename_duplicates = false;
  std::string mask = "*.*";
  std::string dest = "\\";
  int32_t max_files = 65535;
  int32_t max_dirs = 8191;
  std::vector<std::string> paths;
};

// Directory paths built from long names, as the host named them.
class LongPaths {
 public:
  const std::string& Of(PDEntry dir) {
    auto it = cache_.find(dir);
    if (it != cache_.end()) return it->second;
    std::string path = dir->Parent == dir ? "\\" : Of(dir->Parent);
    if (dir->Parent != dir) {
      if (path.size() > 1) path += '\\';
      path += dir->LongName;
    }
    return cache_.emplace(dir, std::move(path)).first->second;
  }

 private:
  std::unordered_map<PDEntry, std::string> cache_;
};

// The listing of every folder, in the order the entries were added.
std::string Listing() {
  std::string out;
  out.reserve(static_cast<size_t>(FileCounter) * 96 + 4096);
  LongPaths paths;
  for (int32_t i = 0; i < DirCounter; ++i) {
    PDEntry dir = Dirs[i];
    if (!dir) continue;
    out += paths.Of(dir);
    out += '\n';
    for (PFEntry e = dir->FirstFile; e; e = e->Next) {
      out += "  ";
      out += e->LongName;
      out += '\t';
      out += e->Name;
      out += '\t';
      out += e->Dir ? std::string("<DIR>") : std::to_string(e->Size);
      out += '\t';
      out += e->SourcePath;
      out += '\n';
    }
  }
  return out;
}

void PrintTree(const TOrlixBurner& burner, std::string out, const NameReport& names) {
  out += "directories: " + std::to_string(burner.GetDirsCount()) +
         "  entries: " + std::to_string(burner.GetFilesCount());
  if (names.RenamedCount() > 0) out += "  renamed: " + std::to_string(names.RenamedCount());
  out += "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

int RunTree(const TreeOptions& options) {
  TOrlixBurner burner(nullptr);
  if (options.max_files != 65535 || options.max_dirs != 8191)
    burner.ClearAll(options.max_files, options.max_dirs);
  burner.SetLastDirOnly(options.last_dir_only);
  burner.SetJolietFileSystem(true);
  NameReport names(burner);
  RefusalLog log(burner, names);
  int status = 0;

  std::string dest_path, error;
  if (!ParseImageFolder(options.dest, dest_path, error)) return Fail(error, kExitUsage);
  PDEntry dest = burner.MakeDir(dest_path);
  if (!dest && log.FullTables() == 0) {
    std::fprintf(stderr, "orlix: invalid destination folder %s\n", options.dest.c_str());
    return kExitError;
  }
  if (!dest) {
    std::fprintf(stderr, "orlix: no room for the destination folder %s: %s\n", options.dest.c_str(),
                 log.LastFullMessage().c_str());
    return kExitError;
  }

  SourceOptions sources;
  sources.keep_path = options.keep_path;
  sources.archive_only = options.archive_only;
  sources.mask = options.mask;
  sources.empty_dirs = !options.no_empty_dirs;
  sources.rename_duplicates = options.rename_duplicates;
  for (const std::string& path : options.paths) {
    if (!AddSource(burner, dest, dest_path, path, sources, log)) status = kExitError;
  }
  if (options.test_files) DropUnreadableFiles(burner, log);
  names.Flush();
  const std::string listing = Listing();
  // The names are settled as an image of this tree would settle them,
  // with the records in the order an image puts them. Path tables number
  // folders in 16 bits: a tree with more could not become an image.
  if (DirCounter <= 65535) {
    SortForImage();
    burner.PrepareISO();
    names.Flush();
  }
  PrintTree(burner, listing, names);
  if (status == 0 && (log.LeftOutCount() > 0 || names.RenamedCount() > 0)) status = kExitLeftOut;
  return status;
}

const CommandRegistration registration("tree", [](CLI::App& app, int& exit_code) {
  auto options = std::make_shared<TreeOptions>();
  CLI::App* cmd =
      app.add_subcommand("tree", "Fill the image's file tree from host files and folders and print it");
  cmd->add_flag("--keep-path", options->keep_path, "Keep each source's folder structure in the image");
  cmd->add_flag("--last-dir-only", options->last_dir_only,
                "With --keep-path, keep only the source's last folder");
  cmd->add_flag("--archive-only", options->archive_only, "Add only files whose archive attribute is set");
  cmd->add_flag("--test-files", options->test_files,
                "Open every source file once and leave out those that cannot be read");
  cmd->add_option("--mask", options->mask, "Files to add from each folder (Windows rules; *.* matches all)")
      ->capture_default_str();
  cmd->add_flag("--no-empty-dirs", options->no_empty_dirs,
                "Leave out host folders that hold no file (they are kept by default)");
  cmd->add_flag("--rename-duplicates", options->rename_duplicates,
                "Keep a file whose name its image folder already holds, ignoring case (index.html beside "
                "Index.html), under a free name: index~1.html");
  cmd->add_option("--dest", options->dest,
                  "Image folder to add to, for example /DOCS/sub or \\DOCS\\sub (made when missing)")
      ->capture_default_str();
  cmd->add_option("--max-files", options->max_files, "Capacity of the entry table")
      ->capture_default_str()
      ->check(CLI::Range(1, 1 << 24));
  cmd->add_option("--max-dirs", options->max_dirs, "Capacity of the directory table (root included)")
      ->capture_default_str()
      ->check(CLI::Range(1, 1 << 20));
  cmd->add_option("PATH", options->paths, "Host files and folders (folders are added recursively)")
      ->required();
  cmd->footer(
      "Host folders that hold no file are kept unless --no-empty-dirs is given; a folder whose files "
      "--mask or --archive-only left out is not empty and is left out with them.\n"
      "Exit status: 0 when everything was added under its own name; 2 when some files or folders were "
      "left out or renamed (each one is named on stderr with the reason); 1 on errors (a missing path, "
      "a bad destination); other non-zero values for usage errors.");
  cmd->callback([options, &exit_code] { exit_code = RunTree(*options); });
});

}  // namespace
}  // namespace orlix::cli
