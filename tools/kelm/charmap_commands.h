// `kelm charmap` and `kelm autocomplete edit`: the library's special-character
// and auto-complete dialogs on the terminal. The dialogs draw on the
// terminal device, so the chosen character can be piped or captured; without
// a terminal both fail with exit status 2.
#pragma once

#include <CLI/CLI.hpp>

namespace kelm_cli {

// Adds `charmap` and the `autocomplete` group to the app. The command that
// the parse selects runs at the end of the parse and leaves its ExitStatus in
// `status`: 0 on OK, 1 on Cancel (or a profile that cannot be written).
void add_charmap_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
