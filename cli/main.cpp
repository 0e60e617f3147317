// orlix: the command-line front of the library.
#include <cstdio>
#include <exception>
#include <map>

#include "cli/command.h"
#include "cli/exit_status.h"
#include "framework/thread.h"

namespace orlix::cli {
namespace {

std::map<std::string, CommandSetup>& Registry() {
  static std::map<std::string, CommandSetup> registry;
  return registry;
}

}  // namespace

CommandRegistration::CommandRegistration(const std::string& name, CommandSetup setup) {
  Registry()[name] = std::move(setup);
}

}  // namespace orlix::cli

int main(int argc, char** argv) {
  orlix::SetMainThread();
  CLI::App app{"orlix: ISO 9660 + Joliet images and CD/DVD recording"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "orlix " ORLIX_VERSION, "Print the version and exit");
  int exit_code = 0;
  for (auto& [name, setup] : orlix::cli::Registry()) setup(app, exit_code);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help and --version end well; every other parse failure is a usage
    // error, told apart from failures of the work itself.
    return app.exit(e) == 0 ? 0 : orlix::cli::kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orlix: %s\n", e.what());
    return orlix::cli::kExitError;
  }
  return exit_code;
}
