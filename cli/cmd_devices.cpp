// orlix devices: the CD/DVD drives behind the ASPI layer, one line each:
// address, letter, vendor, product and revision.
#include <cstdio>
#include <memory>

#include "cli/command.h"
#include "cli/drive_option.h"
#include "transport/transport_state.h"

namespace orlix::cli {
namespace {

int RunDevices(DriveOptions& options) {
  TSCSIDevice device(nullptr);
  std::string error;
  if (!StartLayer(device, options, error)) {
    std::fprintf(stderr, "orlix: %s\n", error.c_str());
    return 1;
  }
  std::printf("layer: %s\n", ASPILayerName.c_str());
  for (const std::string& line : device.DeviceList()) std::printf("%s\n", line.c_str());
  return 0;
}

const CommandRegistration registration("devices", [](CLI::App& app, int& exit_code) {
  auto options = std::make_shared<DriveOptions>();
  CLI::App* cmd =
      app.add_subcommand("devices", "List the CD/DVD drives (-d virtual:FILE lists a virtual recorder)");
  AddDriveOptions(*cmd, *options);
  cmd->footer(
      "Each line: adapter:target:LUN, the drive letter (?: when unknown; C: to Z: stand for /dev/sr0 to "
      "/dev/sr23), then the vendor, product and revision as the drive reports them. Exit status 1 when no "
      "ASPI layer can be started.");
  cmd->callback([options, &exit_code] { exit_code = RunDevices(*options); });
});

}  // namespace
}  // namespace orlix::cli
