// `kelm settings ...`: the suite's program data in the registry (folders,
// keyboard file, switches, and the editor's usage profile), listed, read and
// written by value name.
#pragma once

#include <CLI/CLI.hpp>

namespace kelm_cli {

// Adds the `settings` group to the app. The command that the parse selects
// runs at the end of the parse and leaves its ExitStatus in `status`.
void add_settings_commands(CLI::App& app, int& status);

// The "GrandJean" switch as the stroke notations take it: 1 for the French
// keyboard. Reading it creates nothing in the registry.
int grandjean_setting();

}  // namespace kelm_cli
