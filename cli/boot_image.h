// The boot image a --boot names, checked before anything is built: a
// diskette image of one of the three diskette sizes is emulated as that
// diskette; any other image is emulated as a hard disk, which a BIOS can
// start only from a master boot record holding exactly one partition.
#pragma once

#include <string>

namespace orlix::cli {

// True when `path` can be the image's boot image; otherwise false with
// `error` telling why and which images are accepted.
bool CheckBootImage(const std::string& path, std::string& error);

}  // namespace orlix::cli
