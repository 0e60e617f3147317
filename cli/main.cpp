// orlix: the command-line front of the library.
#include <cstdio>
#include <exception>
#include <map>

#include "cli/command.h"
#include "cli/exit_status.h"
#include "framework/thread.h"

// Set by cli/CMakeLists.txt; a program built from the tool's sources on its
// own (the kernel tests' guest) may not pass it.
#ifndef ORLIX_VERSION
#define ORLIX_VERSION "(version unknown)"
#endif

namespace orlix::cli {
namespace {

std::map<std::string, CommandSetup>& Registry() {
  static std::map<std::string, CommandSetup> registry;
  return registry;
}

// -q is part of every verb's conventions; a verb with no notes to hold back
// takes it all the same, so scripts can pass it everywhere.
void AcceptQuietEverywhere(CLI::App& app) {
  for (CLI::App* verb : app.get_subcommands([](CLI::App*) { return true; })) {
    if (!verb->get_option_no_throw("--quiet"))
      verb->add_flag("-q,--quiet")->description("No notes on stderr");
    AcceptQuietEverywhere(*verb);
  }
}

// The parser would call an unknown verb an unexpected argument: name it as
// what it is, with the verbs there are. True when argv[1] is one.
bool UnknownVerb(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') return false;
  const std::string verb = argv[1];
  std::string verbs;
  for (const auto& [name, setup] : Registry()) {
    if (name == verb) return false;
    verbs += (verbs.empty() ? "" : ", ") + name;
  }
  std::fprintf(stderr, "orlix: unknown command %s; the commands are %s (orlix --help tells more)\n",
               verb.c_str(), verbs.c_str());
  return true;
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
  orlix::cli::AcceptQuietEverywhere(app);
  app.footer(
      "Exit status: 0 done; 1 error; 2 something left out or renamed (the rest done); 64 usage error; 129, "
      "130 or 143 stopped by SIGHUP, SIGINT or SIGTERM.");
  if (orlix::cli::UnknownVerb(argc, argv)) return orlix::cli::kExitUsage;
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
