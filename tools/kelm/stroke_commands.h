// `kelm stroke ...`: strokes and outlines in their text notations and in
// the packets of the steno writers.
#pragma once

#include <CLI/CLI.hpp>

namespace kelm_cli {

// Adds the `stroke` group to the app. The command that the parse selects
// runs at the end of the parse and leaves its ExitStatus in `status`.
void add_stroke_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
