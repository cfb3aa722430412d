// `kelm join`, `kelm format`, `kelm conflict` and `kelm flags`: the text
// rules a translator applies to the texts of dictionary entries, run on texts
// given as arguments.
#pragma once

#include <CLI/CLI.hpp>

namespace kelm_cli {

// Adds the four groups to the app. The command that the parse selects runs at
// the end of the parse and leaves its ExitStatus in `status`. `join` reads the
// space tables and switches from the profile of the host application object,
// which must exist before the parse.
void add_text_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
