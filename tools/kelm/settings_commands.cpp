#include "settings_commands.h"

#include <kelm/kelm.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exit_status.h"
#include "number_argument.h"
#include "text_encoding.h"

namespace kelm_cli {
namespace {

constexpr const char* product_key = "Software\\Quendra\\Orvalis";

// One value of the product key: a text with its getter and setter, or a
// number with its.
struct Setting {
  const char* name;
  CString (COrvalisData::*get_text)() = nullptr;
  void (COrvalisData::*set_text)(CString) = nullptr;
  DWORD (COrvalisData::*get_number)() = nullptr;
  void (*set_number)(COrvalisData&, DWORD) = nullptr;

  bool is_number() const { return get_number != nullptr; }
};

const Setting program_data[] = {
    {.name = "DictionaryDir",
     .get_text = &COrvalisData::GetDictionaryDir,
     .set_text = &COrvalisData::SetDictionaryDir},
    {.name = "ProgramDir",
     .get_text = &COrvalisData::GetProgramDir,
     .set_text = &COrvalisData::SetProgramDir},
    {.name = "TranscriptDir",
     .get_text = &COrvalisData::GetTranscriptDir,
     .set_text = &COrvalisData::SetTranscriptDir},
    {.name = "UserDir",
     .get_text = &COrvalisData::GetUserDir,
     .set_text = &COrvalisData::SetUserDir},
    {.name = "KeyboardFile",
     .get_text = &COrvalisData::GetKeyboardFile,
     .set_text = &COrvalisData::SetKeyboardFile},
    {.name = "SpellCheckDictEntry",
     .get_number = &COrvalisData::GetSpellCheckDictEntry,
     .set_number = [](COrvalisData& d, DWORD n) { d.SetSpellCheckDictEntry(static_cast<int>(n)); }},
    {.name = "GrandJean",
     .get_number = &COrvalisData::GetGrandJean,
     .set_number = [](COrvalisData& d, DWORD n) { d.SetGrandJean(static_cast<int>(n)); }},
    {.name = "Build",
     .get_number = &COrvalisData::GetBuild,
     .set_number = [](COrvalisData& d, DWORD n) { d.SetBuild(n); }},
    {.name = "Patch",
     .get_number = &COrvalisData::GetPatch,
     .set_number = [](COrvalisData& d, DWORD n) { d.SetPatch(n); }},
    {.name = "Debug Mode",
     .get_number = &COrvalisData::GetDebugMode,
     .set_number = [](COrvalisData& d, DWORD n) { d.SetDebugMode(n); }},
};

// The editor's setting lives under that program's key and has no default of
// its own, so it is shown only when it is there.
constexpr const char* usage_profile = "UsageProfile";

struct GetOptions {
  std::string name;
};

struct SetOptions {
  std::string name;
  std::string value;
};

std::ostream& complain(std::string_view command) {
  return std::cerr << "kelm settings " << command << ": ";
}

bool same_name(const std::string& typed, const char* name) {
  return CString(to_cp1252(typed).c_str()).CompareNoCase(name) == 0;
}

const Setting* find_setting(const std::string& typed) {
  for (const Setting& s : program_data)
    if (same_name(typed, s.name)) return &s;
  return nullptr;
}

void report_unknown(std::string_view command, const std::string& typed) {
  complain(command) << "there is no setting \"" << typed
                    << "\"; `kelm settings list` shows them all\n";
}

std::string shown_value(const Setting& s, COrvalisData& data) {
  if (s.is_number()) return std::to_string((data.*s.get_number)());
  return to_utf8((data.*s.get_text)().View());
}

// Whether the getter reads a stored value rather than falling back to its
// default: a number must also fit its four bytes.
bool holds_value(const Setting& s) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, product_key, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = REG_NONE;
  DWORD size = 0;
  const bool stored =
      RegQueryValueExA(key, s.name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (!s.is_number() || size <= 4);
  RegCloseKey(key);
  return stored;
}

std::optional<DWORD> read_number(const std::string& name, const std::string& text) {
  const std::optional<DWORD> number = ParseNumber(text);
  if (!number)
    complain("set") << name << " takes a whole number from 0 to 4294967295, in decimal or 0x hex, "
                    << "not \"" << text << "\"\n";
  return number;
}

int report_unwritten(const char* name) {
  complain("set") << "could not write " << name << " to the registry at "
                  << KelmGetRegistryPath().GetString() << '\n';
  return exit_bad_input;
}

int run_list() {
  COrvalisData data(KEY_READ, FALSE);
  std::vector<std::pair<std::string, std::string>> lines;
  for (const Setting& s : program_data)
    lines.emplace_back(s.name, shown_value(s, data) + (holds_value(s) ? "" : " (default)"));
  if (COrvalisData::UsageProfileExists())
    lines.emplace_back(usage_profile, std::to_string(COrvalisData::GetUsageProfile(0)));
  std::size_t width = 0;
  for (const auto& line : lines) width = std::max(width, line.first.size());
  for (const auto& [name, value] : lines)
    std::cout << name << std::string(width - name.size(), ' ') << " = " << value << '\n';
  return exit_ok;
}

int run_get(const GetOptions& options) {
  if (same_name(options.name, usage_profile)) {
    if (!COrvalisData::UsageProfileExists()) {
      complain("get") << usage_profile << " is not set\n";
      return exit_bad_input;
    }
    std::cout << COrvalisData::GetUsageProfile(0) << '\n';
    return exit_ok;
  }
  const Setting* setting = find_setting(options.name);
  if (setting == nullptr) {
    report_unknown("get", options.name);
    return exit_bad_input;
  }
  COrvalisData data(KEY_READ, FALSE);
  std::cout << shown_value(*setting, data) << '\n';
  return exit_ok;
}

int set_usage_profile(const std::string& text) {
  const std::optional<DWORD> number = read_number(usage_profile, text);
  if (!number) return exit_bad_input;
  COrvalisData::SetUsageProfile(*number);
  // The library drops a failed write without a word; read it back to know.
  if (!COrvalisData::UsageProfileExists() || COrvalisData::GetUsageProfile(~*number) != *number)
    return report_unwritten(usage_profile);
  return exit_ok;
}

int run_set(const SetOptions& options) {
  if (same_name(options.name, usage_profile)) return set_usage_profile(options.value);
  const Setting* setting = find_setting(options.name);
  if (setting == nullptr) {
    report_unknown("set", options.name);
    return exit_bad_input;
  }
  COrvalisData data(KEY_ALL_ACCESS);
  bool written = false;
  if (setting->is_number()) {
    const std::optional<DWORD> number = read_number(setting->name, options.value);
    if (!number) return exit_bad_input;
    setting->set_number(data, *number);
    written = (data.*setting->get_number)() == *number;
  } else {
    const CString text(to_cp1252(options.value).c_str());
    (data.*setting->set_text)(text);
    written = (data.*setting->get_text)() == text;
  }
  return written && holds_value(*setting) ? exit_ok : report_unwritten(setting->name);
}

std::string name_list() {
  std::string names;
  for (const Setting& s : program_data) names += std::string(s.name) + ", ";
  return names + usage_profile;
}

void add_list(CLI::App& group, int& status) {
  CLI::App* list = group.add_subcommand(
      "list", "Print every setting with its value, marking those that fall back to a default");
  list->callback([&status] { status = run_list(); });
}

void add_get(CLI::App& group, int& status) {
  auto options = std::make_shared<GetOptions>();
  CLI::App* get = group.add_subcommand("get", "Print the value of one setting");
  get->add_option("NAME", options->name, "Setting, in any case: " + name_list())->required();
  get->callback([options, &status] { status = run_get(*options); });
}

void add_set(CLI::App& group, int& status) {
  auto options = std::make_shared<SetOptions>();
  CLI::App* set = group.add_subcommand("set", "Store the value of one setting");
  set->add_option("NAME", options->name, "Setting, in any case: " + name_list())->required();
  set->add_option("VALUE", options->value,
                  "A folder or file name; for the numbers a decimal or 0x hex from 0 to "
                  "4294967295")
      ->required();
  set->callback([options, &status] { status = run_set(*options); });
}

}  // namespace

void add_settings_commands(CLI::App& app, int& status) {
  CLI::App* group =
      app.add_subcommand("settings", "The suite's program data: folders, keyboard file, switches");
  group->require_subcommand(1);
  add_list(*group, status);
  add_get(*group, status);
  add_set(*group, status);
}

int grandjean_setting() {
  COrvalisData data(KEY_READ, FALSE);
  return data.GetGrandJean() != 0 ? 1 : 0;
}

}  // namespace kelm_cli
