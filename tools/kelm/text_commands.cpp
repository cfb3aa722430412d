#include "text_commands.h"

#include <kelm/kelm.h>

#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exit_status.h"
#include "number_argument.h"
#include "text_encoding.h"

namespace kelm_cli {
namespace {

struct FlagName {
  const char* name;
  WORD mask;
};

constexpr FlagName flag_names[] = {
    {"prefix", CTranFlags::Prefix},         {"suffix", CTranFlags::Suffix},
    {"cap", CTranFlags::CapitalizeNext},    {"letters", CTranFlags::AttachLetters},
    {"numbers", CTranFlags::AttachNumbers}, {"double", CTranFlags::DoubleLast},
    {"or", CTranFlags::OrEnding},           {"proper", CTranFlags::ProperName},
};

struct Translation {
  CTranFlags flags;
  CString text;
};

struct JoinOptions {
  bool space_in_front = false;
  std::vector<std::string> translations;
};

// A format that takes only its text; the date has a switch of its own.
struct Format {
  const char* name;
  const char* description;
  int (*apply)(CString&);
  const char* lengths;  // what fits, as the help and the complaint put it
};

constexpr Format formats[] = {
    {"time", "Time of day, a colon before every second digit from the right: 930 gives 9:30",
     &CStringRules::FormatTime, "at least 3 digits"},
    {"dollars", "Dollars with thousands commas: 1234567 gives $1,234,567",
     &CStringRules::FormatDollars, "any number of digits"},
    {"cents", "Dollars and cents from a count of cents: 123 gives $1.23",
     &CStringRules::FormatCents, "any number of digits"},
    {"phone", "Telephone number: 2125551234 gives (212)555-1234", &CStringRules::FormatPhoneNumber,
     "7, 10 or 11 digits"},
    {"ssn", "Social security number: 123456789 gives 123-45-6789", &CStringRules::FormatSSNumber,
     "9 digits"},
    {"bates", "Bates number: the digits alone, punctuation stripped",
     &CStringRules::FormatBatesNumber, "any number of digits"},
    {"ordinal", "Ordinal: 22 gives 22nd, 112 gives 112th", &CStringRules::FormatOrdinal,
     "any number of digits"},
};

constexpr const char* date_lengths =
    "2 to 8 digits, or 3 to 10 characters with separators after the first digit";

struct FormatOptions {
  bool dash = false;
  std::string value;
};

struct ConflictOptions {
  std::vector<std::string> alternatives;
  std::string conflict, alternative;
  int n = 0;
};

struct FlagsOptions {
  std::string word;
};

std::ostream& complain(std::string_view command) { return std::cerr << "kelm " << command << ": "; }

CString library_text(std::string_view argument) { return CString(to_cp1252(argument)); }

std::optional<WORD> flag_mask(std::string_view name) {
  for (const FlagName& f : flag_names)
    if (name == f.name) return f.mask;
  return std::nullopt;
}

std::string flag_name_list() {
  std::string names;
  for (const FlagName& f : flag_names) names += std::string(names.empty() ? "" : ", ") + f.name;
  return names;
}

// "FLAGS:TEXT" when every name before the first colon is a flag's, and ":TEXT"
// always a plain TEXT. Anything else ("10:30", "Note:") is a plain text as a
// whole, so ordinary texts with colons need no escape. A list that names a
// flag beside a name that is none is a mistyped list, not a text: taking it
// as text would join it without a word of warning.
Translation read_translation(std::string_view argument) {
  const std::size_t colon = argument.find(':');
  if (colon == std::string_view::npos) return {{}, library_text(argument)};
  const std::string_view rest = argument.substr(colon + 1);
  if (colon == 0) return {{}, library_text(rest)};
  WORD flags = 0;
  bool names_a_flag = false;
  std::optional<std::string_view> stranger;
  std::string_view list = argument.substr(0, colon);
  for (;;) {
    const std::size_t comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    if (const std::optional<WORD> mask = flag_mask(name)) {
      flags |= *mask;
      names_a_flag = true;
    } else if (!stranger) {
      stranger = name;
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  if (!stranger) return {flags, library_text(rest)};
  if (!names_a_flag) return {{}, library_text(argument)};
  throw CLI::ValidationError("TRANSLATION",
                             "\"" + std::string(*stranger) + "\" in \"" + std::string(argument) +
                                 "\" is no flag name; the names are " + flag_name_list() +
                                 ", and \":" + std::string(argument) + "\" is a plain text");
}

// Reaches the class-wide switch itself: the library's setter writes through
// to the profile, which the user's other programs read, and a switch given
// for one run must not outlive it (nor leak when the run is killed).
class RulesForOneRun : public CStringRules {
 public:
  static void SetSpaceInFrontForThisRun() { m_bSpaceInFront = 1; }
};

// Each translation meets the previous one as the rules left it, as in a
// translator, where the rules may still change the text before the seam.
int run_join(const JoinOptions& options) {
  std::vector<Translation> translations;
  for (const std::string& argument : options.translations)
    translations.push_back(read_translation(argument));
  // Constructing the rules loads the switches from the profile, so the
  // override comes after.
  const RulesForOneRun rules;
  if (options.space_in_front) RulesForOneRun::SetSpaceInFrontForThisRun();
  for (std::size_t i = 1; i < translations.size(); ++i) {
    Translation& first = translations[i - 1];
    Translation& second = translations[i];
    rules.ApplyConcatRules(first.flags, first.text, second.flags, second.text);
  }
  std::string joined;
  for (const Translation& t : translations) joined += printable(t.text);
  std::cout << joined << '\n';
  return exit_ok;
}

int report_format(const char* name, int formatted, const CString& text, const std::string& value,
                  const char* lengths) {
  std::cout << printable(text) << '\n';
  if (formatted) return exit_ok;
  complain(std::string("format ") + name) << "\"" << value << "\" does not fit: the format takes "
                                          << lengths << " once the punctuation is stripped\n";
  return exit_bad_input;
}

int run_format(const Format& format, const FormatOptions& options) {
  CString text = library_text(options.value);
  const int formatted = format.apply(text);
  return report_format(format.name, formatted, text, options.value, format.lengths);
}

int run_date(const FormatOptions& options) {
  CString text = library_text(options.value);
  const int formatted = CStringRules::FormatDate(text, options.dash ? 1 : 0);
  return report_format("date", formatted, text, options.value, date_lengths);
}

int print_text(const CString& text) {
  std::cout << printable(text) << '\n';
  return exit_ok;
}

int run_make(const ConflictOptions& options) {
  CString texts[5];
  for (std::size_t i = 0; i < options.alternatives.size(); ++i)
    texts[i] = library_text(options.alternatives[i]);
  return print_text(
      CStringRules::MakeConflictString(texts[0], texts[1], texts[2], texts[3], texts[4]));
}

int run_get(const ConflictOptions& options) {
  return print_text(CStringRules::GetTextFromConflict(library_text(options.conflict), options.n));
}

int run_add(const ConflictOptions& options) {
  return print_text(CStringRules::AddStringToConflict(library_text(options.conflict),
                                                      library_text(options.alternative)));
}

int run_flags_show(const FlagsOptions& options) {
  const std::optional<std::uint32_t> word = kelm_cli::ParseNumber(options.word, 0xFFFF);
  if (!word) {
    complain("flags show") << "a flag word is a whole number from 0 to 65535, in decimal or 0x "
                           << "hex, not \"" << options.word << "\"\n";
    return exit_bad_input;
  }
  return print_text(CTranFlags(static_cast<WORD>(*word)).GetStrDisplay());
}

void add_join(CLI::App& app, int& status) {
  auto options = std::make_shared<JoinOptions>();
  CLI::App* join = app.add_subcommand(
      "join", "Join translations left to right as a translator does and print the text");
  join->add_flag("--space-in-front", options->space_in_front,
                 "Put the space of each seam in front of the next text rather than after the "
                 "previous one, for this run only; the joined text is the same");
  join->add_option("TRANSLATION", options->translations,
                   "Translations in the order they join: TEXT, or FLAGS:TEXT with FLAGS a comma "
                   "list of " +
                       flag_name_list() +
                       " (in lower case). A text whose part before the first colon is not such "
                       "a list (10:30, Note:) is plain as a whole; a list with a misspelt name "
                       "is refused; :TEXT is always the plain TEXT. Put -- before the first text "
                       "that begins with a hyphen")
      ->required();
  join->callback([options, &status] { status = run_join(*options); });
}

constexpr const char* value_help =
    "Digits as a writer gives them, formatted already or not; put -- before a value that "
    "begins with a hyphen";

void add_format(CLI::App& app, int& status) {
  CLI::App* group = app.add_subcommand(
      "format",
      "Write digits as a time, money, a telephone, social security or Bates number, an ordinal "
      "or a date; exit 1, printing the stripped text, when the length does not fit");
  group->require_subcommand(1);
  for (const Format& format : formats) {
    auto options = std::make_shared<FormatOptions>();
    CLI::App* command = group->add_subcommand(
        format.name, std::string(format.description) + "; takes " + format.lengths);
    command->add_option("VALUE", options->value, value_help)->required();
    command->callback([f = &format, options, &status] { status = run_format(*f, *options); });
  }
  auto options = std::make_shared<FormatOptions>();
  CLI::App* date = group->add_subcommand(
      "date", std::string("Date: 122599 gives 12/25/99, and a formatted date its next reading "
                          "(12/25/99 gives 1/2/2599); \"of\" and a year may follow; takes ") +
                  date_lengths);
  date->add_flag("--dash", options->dash, "Separate with - rather than /");
  date->add_option("VALUE", options->value, value_help)->required();
  date->callback([options, &status] { status = run_date(*options); });
}

void add_conflict(CLI::App& app, int& status) {
  CLI::App* group = app.add_subcommand(
      "conflict", "Conflict texts, [first|second|...]: alternative translations in one text");
  group->require_subcommand(1);

  auto make_options = std::make_shared<ConflictOptions>();
  CLI::App* make = group->add_subcommand(
      "make",
      "Make a conflict of up to five alternatives; empty ones are left out, and a "
      "single one is given without brackets");
  make->add_option("ALTERNATIVE", make_options->alternatives, "One to five texts")
      ->required()
      ->expected(1, 5);
  make->callback([make_options, &status] { status = run_make(*make_options); });

  auto get_options = std::make_shared<ConflictOptions>();
  CLI::App* get = group->add_subcommand("get", "Print alternative N of a conflict");
  get->add_option("CONFLICT", get_options->conflict, "A conflict text, [a|b|c]")->required();
  get->add_option("N", get_options->n,
                  "0 for the first alternative, 1 for the second, ...; a negative N cuts the "
                  "text before its first | or ]")
      ->required();
  get->callback([get_options, &status] { status = run_get(*get_options); });

  auto add_options = std::make_shared<ConflictOptions>();
  CLI::App* add = group->add_subcommand(
      "add", "Add an alternative to a conflict, or make a conflict of a plain text and it");
  add->add_option("CONFLICT", add_options->conflict, "A conflict text, or a plain text")
      ->required();
  add->add_option("ALTERNATIVE", add_options->alternative, "The alternative to add")->required();
  add->callback([add_options, &status] { status = run_add(*add_options); });
}

void add_flags(CLI::App& app, int& status) {
  CLI::App* group = app.add_subcommand("flags", "Translation flag words");
  group->require_subcommand(1);
  auto options = std::make_shared<FlagsOptions>();
  CLI::App* show = group->add_subcommand(
      "show",
      "Print the two-character codes of the flags set in a word, exactly as the library writes "
      "them: P prefix, S suffix, C cap, L letters, N numbers, D double, Or or, Pr proper, in "
      "that order, the one-letter codes followed by a blank");
  show->add_option("WORD", options->word,
                   "A whole number from 0 to 65535 in decimal, or in hex after 0x")
      ->required();
  show->callback([options, &status] { status = run_flags_show(*options); });
}

}  // namespace

void add_text_commands(CLI::App& app, int& status) {
  add_join(app, status);
  add_format(app, status);
  add_conflict(app, status);
  add_flags(app, status);
}

}  // namespace kelm_cli
