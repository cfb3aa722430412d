#include "keys_commands.h"

#include <kelm/kelm.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "exit_status.h"
#include "number_argument.h"
#include "text_encoding.h"

namespace kelm_cli {
namespace {

struct ListOptions {
  bool commands = false;
  bool keys = false;
  bool quick_keys = false;

  bool any() const { return commands || keys || quick_keys; }
};

struct FindOptions {
  std::string name;
};

struct BindingsOptions {
  std::string file;
  std::vector<std::string> macros;
};

std::ostream& complain(std::string_view command) {
  return std::cerr << "kelm keys" << (command.empty() ? "" : " ") << command << ": ";
}

// The table names some commands from the host's string resources. kelm has
// none of those commands, so it names them by their number.
CKeyboardTable make_table() {
  for (const UINT id : {15028u, 15029u, 15030u, 15002u, 15084u, 103u, 101u, 102u}) {
    CString name;
    name.Format("Host Command %u", id);
    KelmRegisterString(id, name);
  }
  return CKeyboardTable();
}

std::string hex(int code) {
  CString text;
  text.Format("0x%02X", static_cast<unsigned>(code));
  return std::string(text.View());
}

int run_list(const ListOptions& options) {
  const CKeyboardTable table = make_table();
  if (options.commands)
    for (int i = 0; i < table.GetNumCommands(); ++i)
      std::cout << printable(table.GetCommandName(i)) << '\t' << hex(table.GetCommandCode(i))
                << '\n';
  if (options.keys)
    for (int i = 0; i < table.GetNumCmdKeys(); ++i)
      std::cout << printable(table.GetCmdKeyName(i)) << '\t' << hex(table.GetCmdKeyCode(i)) << '\n';
  if (options.quick_keys)
    for (int i = 0; i < table.GetNumQuickKeys(); ++i)
      std::cout << printable(table.GetQuickKeyName(i)) << '\t' << hex(table.GetQuickKeyCode(i))
                << '\n';
  return exit_ok;
}

int run_find(const FindOptions& options) {
  const CKeyboardTable table = make_table();
  const CString name(to_cp1252(options.name).c_str());
  bool found = false;
  auto show = [&found](const char* kind, int index, int code) {
    if (index == -1) return;
    std::cout << kind << '\t' << index << '\t' << hex(code) << '\n';
    found = true;
  };
  const int command = table.FindCommandName(name);
  show("command", command, command == -1 ? 0 : table.GetCommandCode(command));
  const int key = table.FindCmdKeyName(name);
  show("key", key, key == -1 ? 0 : table.GetCmdKeyCode(key));
  const int quick_key = table.FindQuickKeyName(name);
  show("quick key", quick_key, quick_key == -1 ? 0 : table.GetQuickKeyCode(quick_key));
  if (!found)
    complain("find") << "no command or key is named \"" << options.name
                     << "\" (names are exact, case and spaces included)\n";
  return found ? exit_ok : exit_bad_input;
}

std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> fields;
  constexpr std::string_view blanks = " \t\r";
  for (std::size_t at = line.find_first_not_of(blanks); at != std::string_view::npos;
       at = line.find_first_not_of(blanks, at)) {
    const std::size_t end = std::min(line.find_first_of(blanks, at), line.size());
    fields.push_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

// A binding, nothing for a line with none, or why the line is not one.
using ReadLine = std::variant<std::monostate, CKeyboardCommand, std::string>;

ReadLine read_binding(std::string_view line) {
  line = line.substr(0, line.find('#'));
  const std::vector<std::string_view> fields = fields_of(line);
  if (fields.empty()) return std::monostate{};
  if (fields.size() != 4)
    return "a binding is 4 numbers (modifiers, key, command, macro), this line has " +
           std::to_string(fields.size());
  WORD values[4] = {};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::optional<std::uint32_t> value = ParseNumber(fields[i], 0xFFFF);
    if (!value)
      return "\"" + std::string(fields[i]) +
             "\" is not a number from 0 to 65535 in decimal or 0x hex";
    values[i] = static_cast<WORD>(*value);
  }
  return CKeyboardCommand(values[0], values[1], 0, values[2], values[3]);
}

int run_bindings(const BindingsOptions& options) {
  std::ifstream in(options.file, std::ios::binary);
  if (!in) {
    complain("bindings") << "cannot read " << options.file << '\n';
    return exit_bad_input;
  }
  CKeyboardTable table = make_table();
  for (const std::string& macro : options.macros) table.AddMacro(to_cp1252(macro).c_str());
  int status = exit_ok;
  std::size_t number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const ReadLine read = read_binding(line);
    if (const auto* binding = std::get_if<CKeyboardCommand>(&read)) {
      std::cout << printable(table.GetListString(*binding)) << '\n';
    } else if (const auto* reason = std::get_if<std::string>(&read)) {
      complain("bindings") << options.file << ':' << number << ": " << *reason << '\n';
      status = exit_bad_input;
    }
  }
  return status;
}

// A command of the group takes none of the group's list flags.
void refuse_list_flags(const ListOptions& options, const char* command) {
  if (options.any())
    throw CLI::ValidationError(std::string("keys ") + command,
                               "--commands, --keys and --quick-keys go without a command");
}

}  // namespace

void add_keys_commands(CLI::App& app, int& status) {
  auto list = std::make_shared<ListOptions>();
  CLI::App* group = app.add_subcommand(
      "keys", "The editor's keyboard commands, keys and quick keys, and key bindings");
  group->require_subcommand(0, 1);
  CLI::Option* commands = group->add_flag("--commands", list->commands,
                                          "Print every command: its name, a tab, its code in hex");
  CLI::Option* keys =
      group->add_flag("--keys", list->keys, "Print every key that can be bound, likewise");
  CLI::Option* quick_keys =
      group->add_flag("--quick-keys", list->quick_keys, "Print every quick key, likewise");
  commands->excludes(keys)->excludes(quick_keys);
  keys->excludes(quick_keys);

  auto find = std::make_shared<FindOptions>();
  CLI::App* find_command = group->add_subcommand(
      "find", "Print the index and code of the command or key of that exact name");
  find_command->add_option("NAME", find->name, "A command or key name, exactly")->required();
  find_command->callback([list, find, &status] {
    refuse_list_flags(*list, "find");
    status = run_find(*find);
  });

  auto bindings = std::make_shared<BindingsOptions>();
  CLI::App* bindings_command = group->add_subcommand(
      "bindings",
      "List a bindings file as the editor's list shows it. One binding a line: modifier bits "
      "(4 Shift, 8 Ctrl, 16 Alt, 32 Space), key code, command code and macro number, in "
      "decimal or 0x hex, separated by blanks; # starts a comment");
  bindings_command->add_option("FILE", bindings->file, "The bindings file")->required();
  bindings_command->add_option("--macro", bindings->macros,
                               "A macro's name, in order: macro 0 first (repeatable)");
  bindings_command->callback([list, bindings, &status] {
    refuse_list_flags(*list, "bindings");
    status = run_bindings(*bindings);
  });

  group->callback([group, list, &status] {
    if (!group->get_subcommands().empty()) return;
    if (!list->any())
      throw CLI::ValidationError("keys",
                                 "give --commands, --keys or --quick-keys, or a command: find, "
                                 "bindings");
    status = run_list(*list);
  });
}

}  // namespace kelm_cli
