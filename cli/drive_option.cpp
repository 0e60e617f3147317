#include "cli/drive_option.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "device/device_state.h"
#include "framework/exceptions.h"
#include "framework/sleep.h"
#include "platform/dynamic_library.h"
#include "platform/file_io.h"
#include "transport/recorder_path.h"
#include "transport/transport_state.h"
#include "vrecorder/vrecorder_api.h"

namespace orlix::cli {

namespace {

constexpr char kVirtualPrefix[] = "virtual:";
constexpr char kDevicePrefix[] = "/dev/sr";
constexpr char kDeviceVariable[] = "ORLIX_DEVICE";
constexpr int kScans = 4;
constexpr uint32_t kScanPauseMs = 250;

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

constexpr char kDriveForms[] =
    "a drive is named C: to Z: (the system's /dev/sr0 to /dev/sr23), /dev/srN, H:T:L (host adapter 0-9, "
    "target 0-7, LUN 0-7, as `orlix devices` lists them) or virtual:FILE[,profile=...] (a disc file made "
    "with `orlix vdisc create`)";

// "H:T:L", optionally followed by the rest of a line of `orlix devices`.
bool IsAddress(const std::string& drive) {
  return drive.size() >= 5 && drive[1] == ':' && drive[3] == ':' &&
         (drive.size() == 5 || drive[5] == ' ' || drive[5] == ',');
}

// What is wrong with the form of `drive`, checked before any layer starts so
// that a typo is not answered with a missing layer; empty when well formed.
std::string DriveNameFault(const std::string& drive) {
  if (drive.empty()) return "the drive name is empty";
  if (IsVirtual(drive)) return "";
  const std::string quoted = "\"" + drive + "\"";
  if (drive.rfind("/dev/", 0) == 0) {
    if (SystemDriveIndex(drive) >= 0) return "";
    if (drive.rfind(kDevicePrefix, 0) == 0)
      return quoted + " is past the last drive the tool can reach (/dev/sr23)";
    return quoted + " is not a CD/DVD drive";
  }
  if (const int index = SystemDriveIndex(drive); index >= 0)
    return index < 2 ? quoted + " is a floppy drive's letter" : "";
  if (IsAddress(drive)) {
    const char* parts[] = {"host adapter", "target", "LUN"};
    const char highest[] = {'9', '7', '7'};
    for (int i = 0; i < 3; ++i) {
      const char c = drive[static_cast<size_t>(i) * 2];
      if (c < '0' || c > highest[i])
        return quoted + ": " + parts[i] + " " + std::string(1, c) + " is not 0 to " + highest[i];
    }
    return "";
  }
  return quoted + " is no drive name";
}

// Loads the virtual recorder (installed with the library, or beside this
// program) and points it at the disc file of `spec` ("FILE[,profile=P,...]"),
// which must exist unless `may_create`; `library` receives the path the layer
// must be loaded from.
bool PrepareVirtualRecorder(const std::string& spec, bool may_create, std::string& library,
                            std::string& error);

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The letter of the first CD/DVD drive the pass-through scan finds; empty
// when it finds none.
std::string FirstSystemDrive() {
  SPTIInit();
  std::string letter;
  for (int i = 0; i <= 26 && letter.empty(); ++i)
    if (ScsiDrives.drive[i].used) letter = std::string(1, static_cast<char>('A' + i)) + ":";
  // The layer must scan again when it starts: a table left behind would
  // read as "no drives".
  SPTIDeInit();
  return letter;
}

// The virtual recorder on the default disc, made blank when missing (the
// one disc a drive verb makes: a new user gets a drive to try).
bool DefaultVirtualDrive(DriveOptions& options, bool& made, std::string& error) {
  const std::string path = DefaultDiscPath();
  if (path.empty()) {
    error =
        "no drive given, none found, and no folder for the default disc (neither XDG_DATA_HOME nor HOME "
        "is set); name a drive with -d or " +
        std::string(kDeviceVariable);
    return false;
  }
  if (path.find(',') != std::string::npos) {
    error = "the default disc " + path + " has a comma in its path, which a virtual drive cannot name; " +
            "name a drive with -d or " + kDeviceVariable;
    return false;
  }
  made = !FileExists(path);
  if (made) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::filesystem::create_directories(folder, ec);
    if (ec) {
      error = "cannot make the folder of the default disc " + folder.string() + ": " + ec.message();
      return false;
    }
  }
  options.drive = kVirtualPrefix + path + (made ? ",profile=dvd+rw" : "");
  if (!options.quiet)
    std::fprintf(stderr, "orlix: no drive given or found: using the virtual recorder with %s%s\n",
                 made ? "a new blank DVD+RW in " : "the disc in ", path.c_str());
  return true;
}

// Fills in the drive when -d was not given; `made_default` tells that it is
// the default disc, still to be made.
bool ChooseDrive(DriveOptions& options, bool& made_default, std::string& error) {
  made_default = false;
  if (!options.drive.empty() || options.drive_named) return true;
  options.drive = Variable(kDeviceVariable);
  if (!options.drive.empty()) return true;
  options.drive = FirstSystemDrive();
  if (!options.drive.empty()) {
    if (options.verbose) std::fprintf(stderr, "orlix: using the system's drive %s\n", options.drive.c_str());
    return true;
  }
  return DefaultVirtualDrive(options, made_default, error);
}

}  // namespace

std::string DefaultDiscPath() {
  // Relative values are to be ignored, as if unset.
  std::string base = Variable("XDG_DATA_HOME");
  if (base.empty() || !std::filesystem::path(base).is_absolute()) {
    const std::string home = Variable("HOME");
    if (home.empty()) return "";
    base = (std::filesystem::path(home) / ".local" / "share").string();
  }
  return (std::filesystem::path(base) / "orlix" / "default-disc").string();
}

void AddDriveOptions(CLI::App& command, DriveOptions& options) {
  command
      .add_option("-d,--drive", options.drive,
                  "Drive: an ID such as 1:0:0, a system drive such as /dev/sr0 or E:, or "
                  "virtual:FILE[,profile=P] for a virtual recorder (default: $ORLIX_DEVICE, else the first "
                  "system drive, else the virtual recorder's default disc)")
      ->each([&options](const std::string&) { options.drive_named = true; });
  command.add_flag("-q,--quiet", options.quiet, "No notes on stderr");
  command.add_flag("-v,--verbose", options.verbose, "Debug lines to stderr");
  command.add_flag("--log-commands", options.log_commands, "Log every drive command (with -v)");
  command.add_flag("--internal-first", options.internal_first,
                   "Prefer the built-in pass-through layer to an installed ASPI manager");
}

void WireDebugOutput(TSCSIDevice& device, const DriveOptions& options) {
  device.SetDoDebug(options.verbose);
  if (options.verbose)
    device.OnDebugMessage = [](TComponent*, const std::string& line, uint8_t) {
      std::fprintf(stderr, "%s\n", line.c_str());
    };
}

bool StartLayer(TSCSIDevice& device, DriveOptions& options, std::string& error) {
  GenerateLogs = options.log_commands;
  WireDebugOutput(device, options);
  bool made_default = false;
  if (!ChooseDrive(options, made_default, error)) return false;
  if (const std::string fault = DriveNameFault(options.drive); !fault.empty()) {
    error = fault + "; " + kDriveForms;
    return false;
  }
  if (IsVirtual(options.drive)) {
    std::string library;
    if (!PrepareVirtualRecorder(options.drive.substr(sizeof kVirtualPrefix - 1), made_default, library,
                                error))
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
  const int system_index = SystemDriveIndex(options.drive);
  const bool internal_first = options.internal_first || system_index >= 0;
  if (!device.InitializeASPI(internal_first, "")) {
    if (system_index >= 0)
      error = "no CD/DVD drive " + std::string(1, static_cast<char>('A' + system_index)) + ": (" +
              kDevicePrefix + std::to_string(system_index - 2) + "): the system shows none";
    else
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
    // The recorder shows one drive: the first it lists. A drive that was
    // busy while the layer scanned is asked again.
    for (int scan = 1; scan < kScans && device.DeviceList().Count() == 0; ++scan) {
      Sleep(kScanPauseMs);
      device.ScanDevices();
    }
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
      error = "\"" + drive + "\" is no drive name; " + kDriveForms;
      return false;
    }
  }
  if (device.HaId() == kNoAddress) {
    error = "no CD/DVD drive at \"" + drive + "\"";
    return false;
  }
  return true;
}

bool OpenDrive(TSCSIDevice& device, DriveOptions& options, std::string& error) {
  return StartLayer(device, options, error) && SelectDrive(device, options, error);
}

}  // namespace orlix::cli

namespace orlix::cli {
namespace {

bool PrepareVirtualRecorder(const std::string& spec, bool may_create, std::string& library,
                            std::string& error) {
  library = VirtualRecorderPath();
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
  auto describe = reinterpret_cast<OrlixVDiscDescribeFn>(SharedLibrarySymbol(handle, "OrlixVDiscDescribe"));
  if (!configure || !last_error || !describe) {
    error = library + " is not a virtual recorder";
    return false;
  }
  // The recorder makes a disc it is pointed at when there is none; only
  // `vdisc create` may, so a typo in a name cannot become a blank disc.
  const std::string file = spec.substr(0, spec.find(','));
  if (!may_create && !file.empty() && describe(file.c_str(), nullptr, 0) < 0) {
    error = last_error();
    if (!FileExists(file + ".desc")) error += " (`orlix vdisc create` makes one)";
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
