// kelm spell text --interactive, kelm spell options and kelm spell lexicons:
// proofreading a text file, the checking options and the lexicons, each
// through the library's dialogs in windows of the chosen front end.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace kelm_cli {

// Adds "options" and "lexicons" to the spell group.
void add_spell_dialog_commands(CLI::App& spell, int& status);

// Walks a UTF-8 text file word by word, opening the suggestion dialog for
// each misspelled word and, with check_spacing, the spacing dialog for wrong
// spacing between two words of a line; writes the file back atomically when
// anything changed, also after Quit. Prints a one-line summary.
int run_interactive_text(const std::string& file, bool check_spacing);

}  // namespace kelm_cli
