// The drive a command works on, named with -d: an ID string ("1:0:0"), a
// system drive ("/dev/sr0", or a letter such as "E:"), or a virtual recorder
// ("virtual:FILE[,profile=dvd+r,...]"). Shared by every command that talks to
// a drive.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "device/scsi_device.h"

namespace orlix::cli {

struct DriveOptions {
  std::string drive;
  bool verbose = false;       // debug lines to stderr
  bool log_commands = false;  // every drive command on the debug channel
  bool internal_first = false;
};

// Adds -d, -v, --log-commands and --internal-first to a sub-command.
void AddDriveOptions(CLI::App& command, DriveOptions& options, bool drive_required);

// Starts the ASPI layer the -d value calls for (the virtual recorder for
// "virtual:...", the system's drives for "/dev/..." and letters, otherwise
// the usual search) and wires the debug output. False with a message when no
// layer can be had.
bool StartLayer(TSCSIDevice& device, const DriveOptions& options, std::string& error);

// Selects the drive named by -d on a started layer. False with a message
// when it names no usable drive.
bool SelectDrive(TSCSIDevice& device, const DriveOptions& options, std::string& error);

// Both of the above.
bool OpenDrive(TSCSIDevice& device, const DriveOptions& options, std::string& error);

}  // namespace orlix::cli
