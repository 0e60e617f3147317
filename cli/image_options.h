// The image options and the filling of the tree that building an image file
// (mkiso) and recording (burn) share, so that the same command line gives
// the same image either way: identifiers, date, boot image, XA, Joliet, the
// sources with their --dest grafts, masks and table sizes, and the refusal
// report.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>
#include <vector>

#include "burner/burner.h"
#include "cli/name_report.h"
#include "cli/tree_report.h"

namespace orlix::cli {

struct Graft {
  std::string dest;  // image folder, "\" joined
  std::string path;  // host file or folder
};

struct ImageOptions {
  std::string volume = "CDROM", system, volume_set, publisher, preparer, application;
  std::string copyright, abstract, biblio;
  bool no_joliet = false, xa = false, skip_refused = false, no_empty_dirs = false;
  std::string boot, date;
  SourceOptions source;
  int32_t max_files = 65535, max_dirs = 8191;
  // Each PATH with the --dest before it, in command-line order; filled by
  // CollectGrafts.
  std::vector<Graft> grafts;

  // What the parser stores before the grafts are known.
  std::vector<std::string> dest_values, path_values;
  CLI::Option* dest_option = nullptr;
  CLI::Option* path_option = nullptr;
};

// How a command words what it would not do: "image not written" and
// "writes it" for mkiso.
struct ImageWording {
  std::string not_done;
  std::string skip_does;
};

// Adds the image options and the PATH arguments to `command`.
void AddImageOptions(CLI::App& command, ImageOptions& options, const ImageWording& wording);
// After parsing: pairs every PATH with the --dest that came before it.
void CollectGrafts(const CLI::App& command, ImageOptions& options);

// Sets the identification texts, date, boot image, XA and Joliet on
// `burner` (and the table sizes, emptying the tree). 0, or 1 with a message.
int ConfigureImage(TOrlixBurner& burner, const ImageOptions& options);
// Adds every graft to the tree, naming what is left out; renamed
// duplicates go to `names`. 0; 1 with a message; 2 when something was left
// out without --skip-refused.
int FillImageTree(TOrlixBurner& burner, const ImageOptions& options, const ImageWording& wording,
                  NameReport& names);
// Puts every folder's records in name order, as readers of the ISO tree
// expect them; the data keeps the order the files were added in. Call
// before preparing.
void SortForImage();
// Checks a prepared image: the boot image was read, the sector count fits
// the 32-bit fields. 0, or 1 with a message.
int CheckPreparedImage(const TOrlixBurner& burner, const ImageOptions& options);
// The status of a command whose work is done (`status` 0): 2 when entries
// were renamed, which `names` has told; `status` otherwise.
int RenamedStatus(int status, const NameReport& names);

// "YYYY-MM-DD", optionally followed by " HH:MM:SS" or "THH:MM:SS".
bool ParseDate(const std::string& text, TDateTime& value);

}  // namespace orlix::cli
