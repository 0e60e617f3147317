// Where an image file goes (-o), checked before anything is built: only a
// regular file is replaced, and a block device only when the user says so;
// a link is followed to its target; the output never becomes a source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "burner/burner.h"
#include "cli/image_options.h"

namespace orlix::cli {

struct OutputTarget {
  std::string path;       // the file written: a link's target when -o names a link
  bool in_place = false;  // a block device, written where it stands, never renamed over
  bool replaces = false;  // an existing regular file is replaced
  std::string identity;   // of the existing file or device; empty when there is none
  int64_t size = -1;      // of the existing file, or the device's capacity; -1 unknown
};

// Checks `output` and fills `target`: 0, or 1 with a message when it exists
// and is not a regular file (a block device is taken with `force`), or is a
// link that leads nowhere.
int CheckOutput(const std::string& output, bool force, OutputTarget& target);
// 1 with a message when the output is one of the sources or the boot image
// named on the command line (writing it would destroy what is being read).
int RefuseOutputAsSource(const OutputTarget& target, const ImageOptions& options);
// Takes the existing output out of the tree, where a source folder holding
// it brought it in: an image must not hold its own previous version.
void LeaveOutOutput(TOrlixBurner& burner, const OutputTarget& target);

}  // namespace orlix::cli
