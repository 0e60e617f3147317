// Sub-commands register themselves: each cli/cmd_*.cpp defines one static
// CommandRegistration that adds its sub-command to the application.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

namespace orlix::cli {

// `setup` adds the sub-command to `app`; its callback stores the process exit
// status in `exit_code`.
using CommandSetup = std::function<void(CLI::App& app, int& exit_code)>;

struct CommandRegistration {
  CommandRegistration(const std::string& name, CommandSetup setup);
};

}  // namespace orlix::cli
