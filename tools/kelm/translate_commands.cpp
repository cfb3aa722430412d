#include "translate_commands.h"

namespace kelm_cli {

void add_translate_commands(CLI::App&, int&) {}

}  // namespace kelm_cli
