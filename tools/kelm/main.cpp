// kelm: the command-line host of KelmLib. Each subcommand group lives in a
// file of its own and registers itself here.

#include <kelm/kelm.h>
#include <CLI/CLI.hpp>

#include "charmap_commands.h"
#include "exit_status.h"
#include "keys_commands.h"
#include "listen_commands.h"
#include "rtf_commands.h"
#include "settings_commands.h"
#include "spell_commands.h"
#include "stroke_commands.h"
#include "table_commands.h"
#include "text_commands.h"
#include "translate_commands.h"

int main(int argc, char** argv) {
  using namespace kelm_cli;
  // The text rules keep their space tables and switches in the host
  // application's profile: kelm's is Software\Quendra\Kelm in the user's hive.
  CWinApp host("Kelm");
  host.SetRegistryKey("Quendra");
  CLI::App app{"Stenographic transcription tools over KelmLib", "kelm"};
  app.require_subcommand(1);
  int status = exit_ok;
  add_stroke_commands(app, status);
  add_table_commands(app, status);
  add_settings_commands(app, status);
  add_text_commands(app, status);
  add_rtf_commands(app, status);
  add_spell_commands(app, status);
  add_translate_commands(app, status);
  add_listen_commands(app, status);
  add_keys_commands(app, status);
  add_charmap_commands(app, status);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // CLI11 has an exit code of its own for every kind of parse error; a
    // caller needs only to know that the command line was wrong. Help asked
    // for is a success.
    return app.exit(e) == 0 ? exit_ok : exit_usage;
  }
  return status;
}
