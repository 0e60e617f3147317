// orlix devices: the CD/DVD drives behind the ASPI layer, one line each:
// address, letter, vendor, product and revision; with -v the library's
// version too.
#include <cstdio>
#include <memory>

#include "burner/burner.h"
#include "cli/command.h"
#include "cli/drive_facts.h"
#include "cli/drive_option.h"
#include "transport/transport_state.h"

namespace orlix::cli {
namespace {

// "H:T:L,X: " and the INQUIRY fields as they came: the name as `info`
// writes it.
std::string Tidy(const std::string& line) {
  constexpr size_t kFields = 28;
  const size_t at = line.find(": ");
  if (at == std::string::npos || line.size() < at + 2 + kFields) return line;
  return line.substr(0, at + 2) + DriveName(line.c_str() + at + 2) + line.substr(at + 2 + kFields);
}

int RunDevices(DriveOptions& options) {
  TSCSIDevice device(nullptr);
  std::string error;
  if (!StartLayer(device, options, error)) {
    std::fprintf(stderr, "orlix: %s\n", error.c_str());
    return 1;
  }
  std::printf("layer: %s\n", ASPILayerName.c_str());
  if (options.verbose) std::printf("library: orlix %s\n", TOrlixBurner(nullptr).Version().c_str());
  for (const std::string& line : device.DeviceList()) std::printf("%s\n", Tidy(line).c_str());
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
