#pragma once

#include <CLI/CLI.hpp>

namespace kelm_cli {

void add_translate_commands(CLI::App& app, int& status);

}  // namespace kelm_cli
