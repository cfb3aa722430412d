#include "charmap_commands.h"

#include <kelm/kelm.h>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "exit_status.h"
#include "front_end_choice.h"
#include "text_encoding.h"

namespace kelm_cli {
namespace {

struct EditOptions {
  std::string file;
  std::string section;
};

std::ostream& complain(std::string_view command) { return std::cerr << "kelm " << command << ": "; }

// The dialog's end code, or nothing after saying why no dialog could be shown.
template <typename ShowDialog>
std::optional<INT_PTR> on_screen(std::string_view command, ShowDialog show) {
  int refused = exit_usage;
  std::optional<OpenedFrontEnd> opened = choose_front_end(command, refused);
  if (!opened) return std::nullopt;
  const INT_PTR result = show();
  opened->front_end.reset();
  if (result == -1) {
    complain(command) << "the dialog cannot be shown\n";
    return std::nullopt;
  }
  return result;
}

int run_charmap() {
  CString chosen;
  const auto result = on_screen("charmap", [&] {
    chosen = CKMSpecialChars::GetSpecialChar();
    return chosen.IsEmpty() ? IDCANCEL : IDOK;
  });
  if (!result) return exit_usage;
  if (chosen.IsEmpty()) return exit_bad_input;
  std::cout << printable(chosen) << '\n';
  return exit_ok;
}

int run_edit(const EditOptions& options) {
  CAutoCompleteOptions auto_complete;
  auto_complete.Read(to_cp1252(options.file).c_str(), to_cp1252(options.section).c_str());
  const auto result = on_screen("autocomplete edit", [&] { return auto_complete.DoModalDialog(); });
  if (!result) return exit_usage;
  if (*result != IDOK) return exit_bad_input;
  if (auto_complete.Save() == 0) {
    complain("autocomplete edit") << "cannot write " << options.file << '\n';
    return exit_bad_input;
  }
  return exit_ok;
}

}  // namespace

void add_charmap_commands(CLI::App& app, int& status) {
  CLI::App* charmap = app.add_subcommand(
      "charmap",
      "Pick a special character in a dialog window; print it (UTF-8) and exit 0, or exit "
      "1 on Cancel");
  charmap->callback([&status] { status = run_charmap(); });

  CLI::App* group =
      app.add_subcommand("autocomplete", "The auto-complete word list in a profile file");
  group->require_subcommand(1);
  auto edit = std::make_shared<EditOptions>();
  CLI::App* edit_command = group->add_subcommand(
      "edit",
      "Edit the word list and switches of a section of a profile (INI) file in a dialog window; "
      "OK saves them there, Cancel exits 1 leaving the file as it was");
  edit_command->add_option("FILE", edit->file, "The profile file")->required();
  edit_command->add_option("SECTION", edit->section, "Its section")->required();
  edit_command->callback([edit, &status] { status = run_edit(*edit); });
}

}  // namespace kelm_cli
