// `kelm translate`: the library's example realtime host. Writer bytes from a
// capture, or outlines in the plain notation, go through RTF/CRE dictionaries
// and the text rules to English text on standard output, and optionally to a
// text file and an RTF/CRE transcript. On a terminal the text shows at each
// stroke and is corrected in place; to a pipe or a file only final text goes,
// or with --live every stroke's edit, one a line, for caption software.
#pragma once

#include <CLI/CLI.hpp>

namespace kelm_cli {

// Adds the `translate` command to the app; it leaves its ExitStatus in
// `status`.
void add_translate_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
