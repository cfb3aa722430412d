// kelm table: SQLite tables as the library's recordsets see them.
#pragma once

#include <CLI/CLI.hpp>

namespace kelm_cli {

void add_table_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
