// kelm init, kelm lexicon and kelm spell: the program-data folders with their
// default lexicons, compiling and listing lexicons, and checking words and
// texts with the library's spelling checker.
#pragma once

#include <CLI/CLI.hpp>

namespace kelm_cli {

void add_spell_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
