// `kelm charmap` and `kelm autocomplete edit`: the library's special-character
// and auto-complete dialogs in windows of the chosen front end. No dialog
// draws on standard output, so the chosen character can be piped or
// captured; with no screen to show them on both fail with exit status 2.
#pragma once

#include <CLI/CLI.hpp>

namespace kelm_cli {

// Adds `charmap` and the `autocomplete` group to the app. The command that
// the parse selects runs at the end of the parse and leaves its ExitStatus in
// `status`: 0 on OK, 1 on Cancel (or a profile that cannot be written).
void add_charmap_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
