#include "cli/drive_option.h"

#include <cctype>
#include <cstdio>

#include "device/device_state.h"
#include "framework/exceptions.h"
#include "platform/dynamic_library.h"
#include "transport/transport_state.h"
#include "vrecorder/vrecorder_api.h"

namespace orlix::cli {

namespace {

constexpr char kVirtualPrefix[] = "virtual:";
constexpr char kDevicePrefix[] = "/dev/sr";

bool IsVirtual(const std::string& drive) { return drive.rfind(kVirtualPrefix, 0) == 0; }

// Drive index of "/dev/srN" (C: is sr0) or of a letter "E" / "E:"; -1 when
// the value names neither.
int SystemDriveIndex(const std::string& drive) {
  if (drive.rfind(kDevicePrefix, 0) == 0) {
    const std::string number = drive.substr(sizeof kDevicePrefix - 1);
    if (number.empty() || number.size() > 2) return -1;
    for (char c : number)
      if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    int n = std::stoi(number);
    return n <= 23 ? n + 2 : -1;
  }
  if ((drive.size() == 1 || (drive.size() == 2 && drive[1] == ':')) &&
      std::isalpha(static_cast<unsigned char>(drive[0])))
    return std::toupper(static_cast<unsigned char>(drive[0])) - 'A';
  return -1;
}

// Loads the virtual recorder from beside this program and points it at the
// disc file of `spec` ("FILE[,profile=P,...]"); `library` receives the path
// the layer must be loaded from.
bool PrepareVirtualRecorder(const std::string& spec, std::string& library, std::string& error);

}  // namespace

void AddDriveOptions(CLI::App& command, DriveOptions& options, bool drive_required) {
  auto* d = command.add_option("-d,--drive", options.drive,
                               "Drive: an ID such as 1:0:0, a system drive such as /dev/sr0 or E:, or "
                               "virtual:FILE[,profile=P] for a virtual recorder");
  if (drive_required) d->required();
  command.add_flag("-v,--verbose", options.verbose, "Debug lines to stderr");
  command.add_flag("--log-commands", options.log_commands, "Log every drive command (with -v)");
  command.add_flag("--internal-first", options.internal_first,
                   "Prefer the built-in pass-through layer to an installed ASPI manager");
}

bool StartLayer(TSCSIDevice& device, const DriveOptions& options, std::string& error) {
  GenerateLogs = options.log_commands;
  device.SetDoDebug(options.verbose);
  if (options.verbose)
    device.OnDebugMessage = [](TComponent*, const std::string& line, uint8_t) {
      std::fprintf(stderr, "%s\n", line.c_str());
    };
  if (IsVirtual(options.drive)) {
    std::string library;
    if (!PrepareVirtualRecorder(options.drive.substr(sizeof kVirtualPrefix - 1), library, error))
      return false;
    if (!device.InitializeASPI(false, library) || ASPILibPath != library) {
      error = "cannot use the virtual recorder " + library;
      if (!ASPILayerError.empty()) error += ": " + ASPILayerError;
      return false;
    }
    return true;
  }
  // A system drive is reached through the pass-through layer whatever
  // manager is installed.
  const bool internal_first = options.internal_first || SystemDriveIndex(options.drive) >= 0;
  if (!device.InitializeASPI(internal_first, "")) {
    error = "no drive access: no ASPI manager (" + LibraryFileName(kAspiManagerBaseName) +
            ") and no CD/DVD drive the system shows";
    if (!ASPILayerError.empty()) error += "; " + ASPILayerError;
    return false;
  }
  return true;
}

bool SelectDrive(TSCSIDevice& device, const DriveOptions& options, std::string& error) {
  const std::string& drive = options.drive;
  if (IsVirtual(drive)) {
    // The recorder shows one drive: the first it lists.
    if (device.DeviceList().Count() == 0) {
      error = "the virtual recorder lists no drive";
      return false;
    }
    device.SetDeviceID(device.DeviceList().Strings(0));
  } else if (int index = SystemDriveIndex(drive); index >= 0) {
    const char letter = static_cast<char>('A' + index);
    if (!device.SetDeviceByDriveLetter(letter) && ASPILayerName == kEmulationLayerName && index <= 26 &&
        ScsiDrives.drive[index].used) {
      // No address from the system: the emulation placed it on its virtual
      // adapter.
      const TSPTIDrive& d = ScsiDrives.drive[index];
      device.SetDeviceID(std::to_string(d.adapter) + ":" + std::to_string(d.target) + ":" +
                         std::to_string(d.lun) + " " + letter + ":");
    }
  } else {
    try {
      device.SetDeviceID(drive);
    } catch (const EConvertError&) {
      error =
          "bad drive \"" + drive + "\": expected A:T:L (one digit each), /dev/srN, a letter or virtual:FILE";
      return false;
    }
  }
  if (device.HaId() == kNoAddress) {
    error = "no CD/DVD drive at \"" + drive + "\"";
    return false;
  }
  return true;
}

bool OpenDrive(TSCSIDevice& device, const DriveOptions& options, std::string& error) {
  return StartLayer(device, options, error) && SelectDrive(device, options, error);
}

}  // namespace orlix::cli

namespace orlix::cli {
namespace {

bool PrepareVirtualRecorder(const std::string& spec, std::string& library, std::string& error) {
  library = ExecutableDir() + LibraryFileName("orlix_vrecorder");
  // Stays loaded for the life of the program: the layer loads the same copy.
  TLibHandle handle = LoadSharedLibrary(library);
  if (!handle) {
    error = "cannot load the virtual recorder: " + LibraryError();
    return false;
  }
  auto configure =
      reinterpret_cast<OrlixVRecorderConfigureFn>(SharedLibrarySymbol(handle, "OrlixVRecorderConfigure"));
  auto last_error =
      reinterpret_cast<OrlixVRecorderLastErrorFn>(SharedLibrarySymbol(handle, "OrlixVRecorderLastError"));
  if (!configure || !last_error) {
    error = library + " is not a virtual recorder";
    return false;
  }
  if (configure(spec.c_str()) != 0) {
    error = "virtual recorder: " + std::string(last_error());
    return false;
  }
  return true;
}

}  // namespace
}  // namespace orlix::cli
