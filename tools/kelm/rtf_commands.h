// `kelm rtf ...` and `kelm dict ...`: the tokens of an RTF file, and RTF/CRE
// steno dictionaries read, looked up and written back.
#pragma once

#include <CLI/CLI.hpp>

namespace kelm_cli {

// Adds the `rtf` and `dict` groups to the app. The command that the parse
// selects runs at the end of the parse and leaves its ExitStatus in `status`.
void add_rtf_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
