// orlix drive -d ID: the identity of one drive and the per-model workarounds
// its selection switched on.
#include <cstdio>
#include <memory>

#include "cli/command.h"
#include "cli/drive_facts.h"
#include "cli/drive_option.h"
#include "device/device_state.h"
#include "transport/transport_state.h"

namespace orlix::cli {
namespace {

const char* YesNo(bool v) { return v ? "yes" : "no"; }

const char* TypeName(uint8_t type) {
  switch (type) {
    case 5:
      return "CD/DVD";
    case 4:
      return "write-once (not supported)";
    default:
      return "other";
  }
}

int RunDrive(DriveOptions& options) {
  TSCSIDevice device(nullptr);
  std::string error;
  if (!OpenDrive(device, options, error)) {
    std::fprintf(stderr, "orlix: %s\n", error.c_str());
    return 1;
  }
  char letter = device.GetDriveLetter();
  if (letter == 0 || letter == 0x7F) letter = '?';
  std::printf("address: %u:%u:%u\n", device.HaId(), device.Target(), device.Lun());
  std::printf("letter: %c:\n", letter);
  std::printf("layer: %s\n", ASPILayerName.c_str());
  std::printf("name: %s\n", DriveName(reinterpret_cast<const char*>(device.InquiryData() + 8)).c_str());
  std::printf("type: %u (%s)\n", device.DeviceType(), TypeName(device.DeviceType()));
  std::printf("poll ready: %s\n", YesNo(device.PollReady()));
  std::printf("force underrun protection: %s\n", YesNo(device.ForceUnderrun()));
  std::printf("link size valid: %s\n", YesNo(device.LinkSizeValid()));
  std::printf("slow ready: %s\n", YesNo(fSlowReady));
  std::printf("immediate close: %s\n", YesNo(fImmedCT));
  return 0;
}

const CommandRegistration registration("drive", [](CLI::App& app, int& exit_code) {
  auto options = std::make_shared<DriveOptions>();
  CLI::App* cmd =
      app.add_subcommand("drive", "Select a drive and show its identity and per-model workarounds");
  AddDriveOptions(*cmd, *options);
  cmd->footer("Exit status 1 when no layer starts or no CD/DVD drive answers at the address.");
  cmd->callback([options, &exit_code] { exit_code = RunDrive(*options); });
});

}  // namespace
}  // namespace orlix::cli
