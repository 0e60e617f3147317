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
  std::string drive;          // as given; the default once StartLayer has chosen
  bool drive_named = false;   // -d was given, even empty
  bool verbose = false;       // debug lines to stderr
  bool quiet = false;         // no notes on stderr
  bool log_commands = false;  // every drive command on the debug channel
  bool internal_first = false;
};

// Adds -d, -q, -v, --log-commands and --internal-first to a sub-command.
void AddDriveOptions(CLI::App& command, DriveOptions& options);

// The default disc file: $XDG_DATA_HOME/orlix/default-disc, or
// ~/.local/share/orlix/default-disc; empty when neither variable helps.
std::string DefaultDiscPath();

// Chooses the drive when -d is not given (see above), then starts the ASPI
// layer the drive calls for (the virtual recorder for "virtual:...", the
// system's drives for "/dev/..." and letters, otherwise the usual search) and
// wires the debug output. False with a message when no layer can be had.
bool StartLayer(TSCSIDevice& device, DriveOptions& options, std::string& error);

// Shows the device's debug lines on stderr when -v is given; for a device
// whose handler was taken over for a while.
void WireDebugOutput(TSCSIDevice& device, const DriveOptions& options);

// Selects the drive named by -d on a started layer. False with a message
// when it names no usable drive.
bool SelectDrive(TSCSIDevice& device, const DriveOptions& options, std::string& error);

// Both of the above.
bool OpenDrive(TSCSIDevice& device, DriveOptions& options, std::string& error);

}  // namespace orlix::cli
