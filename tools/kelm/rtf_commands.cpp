#include "rtf_commands.h"

#include <kelm/kelm.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "exit_status.h"
#include "text_encoding.h"

namespace kelm_cli {
namespace {

// RTF dictionaries are English steno.
constexpr int grandjean_off = 0;

struct TokensOptions {
  std::string file;
};

struct InfoOptions {
  std::vector<std::string> files;
};

struct LookupOptions {
  std::string file;
  std::vector<std::string> outlines;
};

struct ConvertOptions {
  std::string input;
  std::string output;
};

std::ostream& complain(std::string_view command) { return std::cerr << "kelm " << command << ": "; }

// Bytes a terminal would not show plainly are written as RTF writes them.
std::string escaped(std::string_view bytes) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string shown;
  for (const char ch : bytes) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c >= 0x7F) {
      shown += "\\'";
      shown += hex[c >> 4];
      shown += hex[c & 0xF];
    } else {
      shown += ch;
    }
  }
  return shown;
}

std::string describe_token(CRtfToken& token) {
  const int type = token.GetType();
  const std::string_view bytes(token.GetBuffer(), token.GetLength());
  if (type == CRtfToken::typeText || type == CRtfToken::typeBinary ||
      type == CRtfToken::typeGroupBegin || type == CRtfToken::typeGroupEnd)
    return escaped(bytes);
  // Type 0 holds whatever the scanner could not place, not always a word.
  if (type == 0 || !bytes.starts_with('\\')) return escaped(bytes);
  std::string shown = escaped(token.GetCtrlWord());
  if (token.GetNumParm() != CRtfToken::no_parameter)
    shown += ' ' + std::to_string(token.GetNumParm());
  return shown;
}

int run_tokens(const TokensOptions& options) {
  try {
    CFile file(options.file.c_str(), CFile::modeRead | CFile::typeBinary);
    CRtfScanner scanner(file);
    long result = scanner.Start();
    for (CRtfToken* token = scanner.GetToken(0); result == 0 && token->GetType() != 2;
         token = scanner.GetToken(0)) {
      std::cout << token->GetStreamOffset() << '\t' << token->GetType() << '\t'
                << describe_token(*token) << '\n';
      result = scanner.ConsumeToken(0);
    }
    scanner.Stop();
    if (result == 0) return exit_ok;
    complain("rtf tokens") << options.file << ": " << printable(scanner.GetErrorText(result).View())
                           << '\n';
  } catch (const CFileException& e) {
    complain("rtf tokens") << printable(e.Describe().View()) << '\n';
  }
  return exit_bad_input;
}

struct LoadedDictionary {
  CStenoDictionary dictionary;
  double milliseconds = 0;
};

// Invalid outlines go to standard error; they do not stop the load, and the
// dictionary keeps their entries as they stand, to write them back. Nothing
// at all when the file cannot be read.
std::unique_ptr<LoadedDictionary> load_dictionary(std::string_view command,
                                                  const std::string& path) {
  auto loaded = std::make_unique<LoadedDictionary>();
  const auto start = std::chrono::steady_clock::now();
  const long result = loaded->dictionary.Read(path.c_str());
  loaded->milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  for (const CStenoDictionary::InvalidOutline& bad : loaded->dictionary.GetInvalidOutlines())
    std::cerr << path << ':' << bad.line << ": invalid outline \"" << printable(bad.text)
              << "\" kept as it stands, never looked up\n";
  if (result != 0) {
    complain(command) << path << ": " << printable(loaded->dictionary.GetErrorText(result).View())
                      << '\n';
    return nullptr;
  }
  return loaded;
}

int run_info(const InfoOptions& options) {
  int status = exit_ok;
  for (const std::string& path : options.files) {
    const std::unique_ptr<LoadedDictionary> loaded = load_dictionary("dict info", path);
    if (!loaded) {
      status = exit_bad_input;
      continue;
    }
    char ms[32];
    std::snprintf(ms, sizeof ms, "%.1f", loaded->milliseconds);
    std::cout << path << ": " << loaded->dictionary.GetCount() << " entries, "
              << loaded->dictionary.GetDuplicateCount() << " duplicates, "
              << loaded->dictionary.GetInvalidOutlines().size() << " invalid outlines, "
              << loaded->dictionary.GetUnrepresentableCount()
              << " characters outside Windows-1252, " << ms << " ms\n";
  }
  return status;
}

std::string describe_flags(CTranFlags flags) {
  char word[8];
  std::snprintf(word, sizeof word, "0x%04X", flags.GetUShort());
  std::string shown = std::string("flags ") + word;
  const CString codes = flags.GetStrDisplay();
  if (!codes.IsEmpty()) shown += " " + std::string(codes.View());
  while (shown.back() == ' ') shown.pop_back();
  return shown;
}

int run_lookup(const LookupOptions& options) {
  const std::unique_ptr<LoadedDictionary> loaded = load_dictionary("dict lookup", options.file);
  if (!loaded) return exit_bad_input;
  int status = exit_ok;
  for (const std::string& argument : options.outlines) {
    CSteno outline;
    if (outline.SetString(CString(to_cp1252(argument)), grandjean_off) != 0) {
      complain("dict lookup") << "\"" << argument << "\" is not an outline in plain notation\n";
      status = exit_bad_input;
      continue;
    }
    const std::optional<CStenoDictionary::Translation> found = loaded->dictionary.Lookup(outline);
    if (!found) {
      complain("dict lookup") << argument << ": not in " << options.file << '\n';
      status = exit_bad_input;
      continue;
    }
    std::cout << argument << ": \"" << printable(found->text) << "\" "
              << describe_flags(found->flags) << '\n';
  }
  return status;
}

// A dictionary file whose name ends so is an SQLite table of its entries.
bool is_table_file(const std::string& path) {
  const std::string extension = std::filesystem::path(path).extension().string();
  CString lower(extension.c_str());
  lower.MakeLower();
  return lower == ".sqlite" || lower == ".sqlite3" || lower == ".db";
}

// A dictionary file whose name ends so is written as JSON.
bool is_json_file(const std::string& path) {
  CString lower(std::filesystem::path(path).extension().string().c_str());
  lower.MakeLower();
  return lower == ".json";
}

// What JSON cannot hold is said, never dropped silently; the conversion
// still succeeds.
void report_json_losses(const CStenoDictionary& dictionary, const std::string& output) {
  const CRtfToJsonReport report = KelmReportRtfToJson(dictionary, dictionary.GetStyleNames());
  if (report.IsWhole()) return;
  complain("dict convert") << output << ": "
                           << report.GetEntries() - report.GetWhole() + report.GetInvalid().entries
                           << " of " << report.GetEntries() + report.GetInvalid().entries
                           << " entries lost what JSON cannot hold:\n";
  std::istringstream lines(report.Describe());
  for (std::string line; std::getline(lines, line);)
    complain("dict convert") << output << ": " << line << '\n';
}

int run_convert(const ConvertOptions& options) {
  std::unique_ptr<LoadedDictionary> loaded;
  CString why;
  if (is_table_file(options.input)) {
    loaded = std::make_unique<LoadedDictionary>();
    if (KelmReadDictionaryTable(loaded->dictionary, options.input.c_str(), &why) != 0) {
      complain("dict convert") << printable(why.View()) << '\n';
      return exit_bad_input;
    }
  } else {
    loaded = load_dictionary("dict convert", options.input);
  }
  if (!loaded) return exit_bad_input;
  if (is_table_file(options.output)) {
    if (KelmWriteDictionaryTable(loaded->dictionary, options.output.c_str(), &why) == 0)
      return exit_ok;
    complain("dict convert") << options.output << ": " << printable(why.View()) << '\n';
    return exit_bad_input;
  }
  const long result = loaded->dictionary.Write(options.output.c_str());
  if (result == 0) {
    if (is_json_file(options.output)) report_json_losses(loaded->dictionary, options.output);
    return exit_ok;
  }
  complain("dict convert") << options.output << ": "
                           << printable(loaded->dictionary.GetErrorText(result).View()) << '\n';
  return exit_bad_input;
}

void add_rtf(CLI::App& app, int& status) {
  CLI::App* group = app.add_subcommand("rtf", "RTF files as the library's scanner sees them");
  group->require_subcommand(1);
  auto options = std::make_shared<TokensOptions>();
  CLI::App* tokens = group->add_subcommand(
      "tokens",
      "Print one token a line: stream offset, type, then the control word and its parameter, "
      "or the text (bytes outside printable ASCII as \\'hh); exit 1 when the scanner fails");
  tokens->add_option("FILE", options->file, "An RTF file")->required();
  tokens->callback([options, &status] { status = run_tokens(*options); });
}

void add_dict(CLI::App& app, int& status) {
  CLI::App* group = app.add_subcommand(
      "dict", "RTF/CRE and JSON steno dictionaries: outlines and their translations");
  group->require_subcommand(1);

  auto info_options = std::make_shared<InfoOptions>();
  CLI::App* info = group->add_subcommand(
      "info",
      "Load each dictionary and print FILE: N entries, D duplicates, I invalid outlines, U "
      "characters outside Windows-1252, T ms; entries count each outline once, the last of its "
      "duplicates winning; the invalid outlines, kept but never looked up, are listed with "
      "their lines on standard error; the characters outside Windows-1252 stand as '?' or the "
      "file's fallback in the translations and are kept to be written back; exit 1 when a file "
      "cannot be read or is neither RTF nor JSON (a JSON error with its line and column)");
  info->add_option("FILE", info_options->files, "RTF/CRE or JSON dictionaries")->required();
  info->callback([info_options, &status] { status = run_info(*info_options); });

  auto lookup_options = std::make_shared<LookupOptions>();
  CLI::App* lookup = group->add_subcommand(
      "lookup",
      "Print the translation and flag word of each outline; exit 1 when one is missing or "
      "unreadable");
  lookup->add_option("FILE", lookup_options->file, "An RTF/CRE or JSON dictionary")->required();
  lookup
      ->add_option("OUTLINE", lookup_options->outlines,
                   "Outlines in plain notation, strokes joined by /; put -- before the first "
                   "that begins with a hyphen")
      ->required();
  lookup->callback([lookup_options, &status] { status = run_lookup(*lookup_options); });

  auto convert_options = std::make_shared<ConvertOptions>();
  CLI::App* convert = group->add_subcommand(
      "convert",
      "Read a dictionary and write it back as RTF/CRE, or as JSON when OUT ends in .json (sorted "
      "by outline, one entry a line, UTF-8, in the open steno translation language), with what "
      "its entries hold besides "
      "their translations and the entries whose outlines are invalid; the output file is "
      "replaced whole or not at all. A file named .sqlite, .sqlite3 or .db is an SQLite "
      "database with the entries in table \"entries\" (id, outline, translation, flags, and "
      "what converting back needs), for kelm table and other programs. Entries go to JSON as "
      "the open tools read RTF/CRE; how many lost what JSON cannot hold, by kind and with the "
      "first outlines of each, goes to standard error");
  convert->add_option("IN", convert_options->input, "The dictionary to read")->required();
  convert->add_option("OUT", convert_options->output, "The file to write")->required();
  convert->callback([convert_options, &status] { status = run_convert(*convert_options); });
}

}  // namespace

void add_rtf_commands(CLI::App& app, int& status) {
  add_rtf(app, status);
  add_dict(app, status);
}

}  // namespace kelm_cli
