#include "spell_commands.h"

#include <kelm/kelm.h>
#include <kelm/spell/word_finder.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "exit_status.h"
#include "spell_dialog_commands.h"
#include "text_encoding.h"

namespace kelm_cli {
namespace {

// The engine keeps at most 63 characters of a word.
constexpr std::size_t longest_word = 63;
// 30 bytes a suggestion must fit the engine's 16-bit buffer size.
constexpr int most_suggestions = 0xFFFF / 30;
constexpr int suggestions_per_finding = 5;

// The commonness level of a word list's own words, by the SCOWL size each
// Debian list is built from.
constexpr std::pair<std::string_view, int> list_levels[] = {
    {"american-english-small", 35}, {"american-english", 50},        {"american-english-large", 70},
    {"american-english-huge", 80},  {"american-english-insane", 95},
};
constexpr int unknown_list_level = 95;

struct CompileOptions {
  std::string word_list, output, levels;
};

struct WordsOptions {
  std::vector<std::string> words;
};

struct SuggestOptions {
  int count = 10;
  std::string word;
};

struct TextOptions {
  std::string file;
  bool no_spacing = false;
  bool interactive = false;
};

std::ostream& complain(std::string_view command) { return std::cerr << "kelm " << command << ": "; }

// --- kelm lexicon compile ---

int list_level(const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string();
  for (const auto& [list, level] : list_levels)
    if (name == list) return level;
  return unknown_list_level;
}

void strip_line_end(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

// The smallest level of the SCOWL lists (English and American words, upper
// case words, names, abbreviations, contractions) that hold each word. The
// lists are ISO-8859-1, which is Windows-1252 wherever a word can be.
std::optional<std::unordered_map<std::string, int>> read_levels(const std::string& folder) {
  static const std::regex level_file(
      R"((english|american)-(words|upper|proper-names|abbreviations|contractions)\.(\d\d))");
  std::unordered_map<std::string, int> levels;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    std::smatch match;
    if (!std::regex_match(name, match, level_file)) continue;
    const int level = std::stoi(match[3]);
    std::ifstream in(entry.path(), std::ios::binary);
    for (std::string word; std::getline(in, word);) {
      strip_line_end(word);
      if (word.empty()) continue;
      auto [at, added] = levels.try_emplace(word, level);
      if (!added) at->second = std::min(at->second, level);
    }
  }
  if (error) {
    complain("lexicon compile") << "cannot read the level folder " << folder << ": "
                                << error.message() << '\n';
    return std::nullopt;
  }
  return levels;
}

int run_compile(const CompileOptions& options) {
  std::ifstream in(options.word_list, std::ios::binary);
  if (!in) {
    complain("lexicon compile") << "cannot read the word list " << options.word_list << '\n';
    return exit_bad_input;
  }
  std::unordered_map<std::string, int> levels;
  if (!options.levels.empty()) {
    auto read = read_levels(options.levels);
    if (!read) return exit_bad_input;
    levels = std::move(*read);
  }
  const int own_level = list_level(options.word_list);
  std::vector<std::pair<std::string, std::uint8_t>> words;
  std::size_t skipped = 0;
  for (std::string line; std::getline(in, line);) {
    strip_line_end(line);
    if (line.empty()) continue;
    std::string word = to_cp1252(line);
    // '?' stands for what Windows-1252 cannot hold.
    if (word.size() > longest_word ||
        std::count(word.begin(), word.end(), '?') != std::count(line.begin(), line.end(), '?')) {
      ++skipped;
      continue;
    }
    const auto level = levels.find(word);
    const int word_level = level == levels.end() ? own_level : level->second;
    words.emplace_back(std::move(word), static_cast<std::uint8_t>(word_level));
  }
  std::vector<KelmLexiconWord> entries;
  entries.reserve(words.size());
  for (const auto& [word, level] : words) entries.push_back({word.c_str(), level});
  const SSCE_S16 written =
      KelmWriteCompressedLexicon(to_cp1252(options.output).c_str(), entries.data(), entries.size());
  if (written < 0) {
    complain("lexicon compile") << "cannot write " << options.output << " (engine error " << written
                                << ")\n";
    return exit_bad_input;
  }
  std::cout << options.output << ": " << words.size() << " words, " << skipped
            << " skipped (not Windows-1252, or longer than " << longest_word << " characters)\n";
  return exit_ok;
}

// --- kelm lexicon list ---

int run_list(const std::string& file) {
  const SSCE_S16 session = SSCE_OpenSession();
  if (session < 0) {
    complain("lexicon list") << "no spelling engine session (engine error " << session << ")\n";
    return exit_bad_input;
  }
  int status = exit_bad_input;
  const SSCE_S16 lexicon = SSCE_OpenLex(session, to_cp1252(file).c_str(), 0);
  SSCE_S32 size = 0;
  SSCE_S16 format = 0, language = 0;
  if (lexicon < 0) {
    complain("lexicon list") << "cannot open " << file << " (engine error " << lexicon << ")\n";
  } else if (SSCE_GetLexInfo(session, lexicon, &size, &format, &language) < 0) {
    complain("lexicon list") << "cannot read " << file << '\n';
  } else {
    std::vector<char> buffer(static_cast<std::size_t>(std::max(size, SSCE_S32{1})));
    const SSCE_S32 used = SSCE_GetLex(session, lexicon, buffer.data(), size);
    if (used < 0) {
      complain("lexicon list") << "cannot read " << file << " (engine error " << used << ")\n";
    } else {
      std::string_view entries(buffer.data(), static_cast<std::size_t>(used));
      while (!entries.empty()) {
        const std::size_t end = std::min(entries.find('\0'), entries.size());
        if (end > 0) std::cout << to_utf8(entries.substr(0, end)) << '\n';
        entries.remove_prefix(std::min(end + 1, entries.size()));
      }
      status = exit_ok;
    }
  }
  if (lexicon >= 0) SSCE_CloseLex(session, lexicon);
  SSCE_CloseSession(session);
  return status;
}

// --- kelm spell ---

// What the engine did in place of what was asked, such as building the
// suggestion index in memory because the compiled one was missing: the
// answers stand, but the user learns why they were slow.
void report_engine_diagnostics(std::string_view command) {
  const SSCE_S32 length = KelmGetSpellingDiagnostics(nullptr, 0);
  if (length <= 0) return;
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  KelmGetSpellingDiagnostics(text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  std::string_view lines = text;
  while (!lines.empty()) {
    const std::size_t end = std::min(lines.find('\n'), lines.size());
    complain(command) << lines.substr(0, end) << '\n';
    lines.remove_prefix(std::min(end + 1, lines.size()));
  }
}

int run_check(const WordsOptions& options) {
  CSpellChecker checker;
  int status = exit_ok;
  for (const std::string& typed : options.words) {
    CString replacement;
    const int result = checker.CheckWord(to_cp1252(typed).c_str(), replacement);
    const bool misspelled = (result & 1) != 0;
    if (misspelled) status = exit_bad_input;
    std::cout << typed << '\t' << (misspelled ? "misspelled" : "ok") << '\t' << result;
    if (!replacement.IsEmpty()) std::cout << '\t' << printable(replacement);
    std::cout << '\n';
  }
  return status;
}

int run_suggest(const SuggestOptions& options) {
  CSpellChecker checker;
  std::vector<CString> words(static_cast<std::size_t>(options.count));
  std::vector<int> scores(words.size());
  const int found = checker.SuggestSpelling(to_cp1252(options.word).c_str(), words.data(),
                                            scores.data(), options.count);
  for (int i = 0; i < found; ++i) std::cout << printable(words[i]) << '\t' << scores[i] << '\n';
  report_engine_diagnostics("spell suggest");
  return exit_ok;
}

int run_add(const WordsOptions& options, void (CSpellChecker::*add)(CString)) {
  CSpellChecker checker;
  for (const std::string& word : options.words) (checker.*add)(to_cp1252(word).c_str());
  return exit_ok;
}

struct WordSpan {
  std::size_t start, end;
};

std::vector<WordSpan> words_of(std::string_view line) {
  std::vector<WordSpan> words;
  const int length = static_cast<int>(line.size());
  int start = 0;
  int end = 0;
  for (int from = 0; KelmFindWord(line.data(), length, from, &start, &end); from = end)
    words.push_back({static_cast<std::size_t>(start), static_cast<std::size_t>(end)});
  return words;
}

std::string quoted(std::string_view cp1252) { return "\"" + to_utf8(cp1252) + "\""; }

// Returns whether anything was found.
bool check_line(CSpellChecker& checker, std::size_t number, std::string_view line,
                bool check_spacing) {
  bool found = false;
  const std::vector<WordSpan> words = words_of(line);
  for (std::size_t w = 0; w < words.size(); ++w) {
    const CString word(line.data() + words[w].start,
                       static_cast<int>(words[w].end - words[w].start));
    if (check_spacing && w > 0) {
      const std::string_view spacing =
          line.substr(words[w - 1].end, words[w].start - words[w - 1].end);
      const CString previous(line.data() + words[w - 1].start,
                             static_cast<int>(words[w - 1].end - words[w - 1].start));
      CString corrected;
      if (!checker.CheckSpace(CString(spacing.data(), static_cast<int>(spacing.size())), corrected,
                              previous, word)) {
        std::cout << number << ':' << words[w - 1].end + 1 << ": spacing " << quoted(spacing)
                  << " between " << quoted(previous.View()) << " and " << quoted(word.View())
                  << ": want " << quoted(corrected.View()) << '\n';
        found = true;
      }
    }
    CString replacement;
    const int result = checker.CheckWord(word, replacement);
    const std::string where = std::to_string(number) + ':' + std::to_string(words[w].start + 1);
    if (result & SSCE_MISSPELLED_WORD_RSLT) {
      std::vector<std::string> offered;
      if (!replacement.IsEmpty()) offered.push_back(printable(replacement));
      CString suggestions[suggestions_per_finding];
      const int n = checker.SuggestSpelling(word, suggestions, suggestions_per_finding);
      for (int i = 0; i < n; ++i)
        if (std::find(offered.begin(), offered.end(), printable(suggestions[i])) == offered.end())
          offered.push_back(printable(suggestions[i]));
      std::cout << where << ": " << printable(word) << ':';
      for (std::size_t i = 0; i < offered.size(); ++i)
        std::cout << (i == 0 ? " " : ", ") << offered[i];
      if (offered.empty()) std::cout << " (no suggestions)";
      std::cout << '\n';
      found = true;
    } else if (result & SSCE_DOUBLED_WORD_RSLT) {
      std::cout << where << ": " << printable(word) << ": doubled word\n";
      found = true;
    }
  }
  return found;
}

int run_text(const TextOptions& options) {
  std::ifstream in(options.file, std::ios::binary);
  if (!in) {
    complain("spell text") << "cannot read " << options.file << '\n';
    return exit_bad_input;
  }
  CSpellChecker checker;
  bool found = false;
  std::size_t number = 0;
  for (std::string line; std::getline(in, line);) {
    strip_line_end(line);
    found |= check_line(checker, ++number, to_cp1252(line), !options.no_spacing);
  }
  report_engine_diagnostics("spell text");
  return found ? exit_bad_input : exit_ok;
}

// --- kelm init ---

int run_init() {
  COrvalisData data(KEY_READ, FALSE);
  const CString folders[] = {data.GetProgramDir(), data.GetUserDir(), data.GetDictionaryDir(),
                             data.GetTranscriptDir()};
  int status = exit_ok;
  for (const CString& folder : folders) {
    const std::filesystem::path native(KelmNativePath(folder).GetString());
    std::error_code error;
    std::filesystem::create_directories(native, error);
    if (error) {
      complain("init") << "cannot make " << printable(folder) << " (" << native.string()
                       << "): " << error.message() << '\n';
      status = exit_bad_input;
    }
  }
  // A checker copies the default lexicons in as it opens the user's.
  CSpellChecker seeding;
  return status;
}

void add_lexicon(CLI::App& app, int& status) {
  CLI::App* group = app.add_subcommand("lexicon", "Compile and list spelling lexicons");
  group->require_subcommand(1);

  auto compile_options = std::make_shared<CompileOptions>();
  CLI::App* compile = group->add_subcommand(
      "compile",
      "Compile a word list (UTF-8, one word a line) into a compressed lexicon, each word with "
      "its commonness level, and the lexicon's suggestion index beside it; words that "
      "Windows-1252 cannot hold or longer than 63 characters are left out");
  compile
      ->add_option("WORDLIST", compile_options->word_list,
                   "The word list, such as /usr/share/dict/american-english-large")
      ->required();
  compile
      ->add_option("OUT", compile_options->output,
                   "The compressed lexicon to write (.clx); the index goes beside it (.idx)")
      ->required();
  compile->add_option(
      "--levels", compile_options->levels,
      "Folder of SCOWL level lists ({english,american}-{words,upper,proper-names,abbreviations,"
      "contractions}.NN); a word's level is the smallest NN that holds it. Words in none take "
      "the list's own level (50 american-english, 70 -large, 80 -huge; 95 otherwise)");
  compile->callback([compile_options, &status] { status = run_compile(*compile_options); });

  auto list_file = std::make_shared<std::string>();
  CLI::App* list = group->add_subcommand(
      "list", "Print the entries of a lexicon, text or compressed: word, tab, action");
  list->add_option("FILE", *list_file, "The lexicon")->required();
  list->callback([list_file, &status] { status = run_list(*list_file); });
}

void add_spell(CLI::App& app, int& status) {
  CLI::App* group = app.add_subcommand(
      "spell", "Check spelling with the lexicons of the user folder (seeded on first use)");
  group->require_subcommand(1);

  auto check_options = std::make_shared<WordsOptions>();
  CLI::App* check = group->add_subcommand(
      "check",
      "One line a word: the word, ok or misspelled, the result bits in decimal, and the "
      "replacement if any, tab-separated; exit 1 when any word is misspelled");
  check->add_option("WORD", check_options->words, "Words to check")->required();
  check->callback([check_options, &status] { status = run_check(*check_options); });

  auto suggest_options = std::make_shared<SuggestOptions>();
  CLI::App* suggest =
      group->add_subcommand("suggest", "Suggestions for a word, best first: word, tab, score");
  suggest->add_option("-n", suggest_options->count, "How many at most")
      ->check(CLI::Range(1, most_suggestions));
  suggest->add_option("WORD", suggest_options->word, "The word")->required();
  suggest->callback([suggest_options, &status] { status = run_suggest(*suggest_options); });

  auto add_options = std::make_shared<WordsOptions>();
  CLI::App* add = group->add_subcommand("add", "Add words to the user lexicon (user.tlx)");
  add->add_option("WORD", add_options->words, "Words to accept from now on")->required();
  add->callback([add_options, &status] { status = run_add(*add_options, &CSpellChecker::Add); });

  auto ignore_options = std::make_shared<WordsOptions>();
  CLI::App* ignore = group->add_subcommand(
      "ignore",
      "Add words to the ignore lexicon (ignore.tlx), which the next checker of any program "
      "empties");
  ignore->add_option("WORD", ignore_options->words, "Words to accept until then")->required();
  ignore->callback(
      [ignore_options, &status] { status = run_add(*ignore_options, &CSpellChecker::Ignore); });

  auto text_options = std::make_shared<TextOptions>();
  CLI::App* text = group->add_subcommand(
      "text",
      "Check a plain-text file (UTF-8) word by word and the spacing between words; print each "
      "finding as LINE:COLUMN: WORD: SUGGESTIONS; exit 1 when anything is found");
  text->add_option("FILE", text_options->file, "The text file")->required();
  text->add_flag("--no-spacing", text_options->no_spacing,
                 "Check the words only, not the spacing between them");
  text->add_flag("--interactive", text_options->interactive,
                 "Correct the file in the spelling dialog windows; write it back when anything "
                 "changed and print a summary");
  text->callback([text_options, &status] {
    status = text_options->interactive
                 ? run_interactive_text(text_options->file, !text_options->no_spacing)
                 : run_text(*text_options);
  });
  add_spell_dialog_commands(*group, status);
}

}  // namespace

void add_spell_commands(CLI::App& app, int& status) {
  CLI::App* init = app.add_subcommand(
      "init",
      "Make the program-data folders and copy the default lexicons into the user folder where "
      "they are missing (never overwriting)");
  init->callback([&status] { status = run_init(); });
  add_lexicon(app, status);
  add_spell(app, status);
}

}  // namespace kelm_cli
