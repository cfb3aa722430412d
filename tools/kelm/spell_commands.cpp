#include "spell_commands.h"

namespace kelm_cli {

void add_spell_commands(CLI::App&, int&) {}

}  // namespace kelm_cli
