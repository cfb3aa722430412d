// `kelm keys ...`: the editor's keyboard vocabulary: the command, key and
// quick-key names with their codes, a name looked up, and a file of key
// bindings listed as the editor's binding list shows them.
#pragma once

#include <CLI/CLI.hpp>

namespace kelm_cli {

// Adds the `keys` group to the app. The command that the parse selects runs
// at the end of the parse and leaves its ExitStatus in `status`.
void add_keys_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
