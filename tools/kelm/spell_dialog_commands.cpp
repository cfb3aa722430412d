#include "spell_dialog_commands.h"

#include <kelm/kelm.h>
#include <kelm/spell/word_finder.h>

#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>

#include "exit_status.h"
#include "front_end_choice.h"
#include "output_file.h"
#include "text_encoding.h"

namespace kelm_cli {
namespace {

std::ostream& complain(std::string_view command) { return std::cerr << "kelm " << command << ": "; }

CString cstring(const std::string& text, std::size_t start, std::size_t end) {
  return CString(text.data() + start, static_cast<int>(end - start));
}

struct Tally {
  int checked = 0;
  int replaced = 0;
  int added = 0;
  int ignored = 0;
  bool changed = false;
};

// The checker's findings in one text, acted on as the person chooses in the
// dialogs. Replace All and Ignore hold for the rest of the walk; Add also
// afterwards, through the user lexicon.
class Proofreader {
 public:
  Proofreader(std::string& text, bool check_spacing) : m_text(text), m_spacing(check_spacing) {}

  // FALSE when the person quit or a dialog could not be shown.
  bool Walk() {
    std::size_t previous_start = 0;
    std::size_t previous_end = std::string::npos;
    std::size_t at = 0;
    int found_start = 0;
    int found_end = 0;
    while (KelmFindWord(m_text.data(), static_cast<int>(m_text.size()), static_cast<int>(at),
                        &found_start, &found_end)) {
      std::size_t start = static_cast<std::size_t>(found_start);
      std::size_t end = static_cast<std::size_t>(found_end);
      if (m_spacing && previous_end != std::string::npos &&
          !CheckSpacing(previous_start, previous_end, start, end))
        return false;
      if (!CheckWord(start, end)) return false;
      previous_start = start;
      previous_end = end;
      at = end;
    }
    return true;
  }

  const Tally& Counts() const { return m_tally; }

 private:
  // Moves start and end by what a changed spacing added or took.
  bool CheckSpacing(std::size_t previous_start, std::size_t previous_end, std::size_t& start,
                    std::size_t& end) {
    const std::string spacing = m_text.substr(previous_end, start - previous_end);
    if (spacing.find_first_of("\r\n") != std::string::npos) return true;
    CString corrected;
    if (m_checker.CheckSpace(spacing.c_str(), corrected,
                             cstring(m_text, previous_start, previous_end),
                             cstring(m_text, start, end)))
      return true;
    const int chosen = m_checker.ShowSpacingDlg(spacing.c_str(), corrected);
    if (chosen == 6) {
      const std::string now(corrected.View());
      m_text.replace(previous_end, spacing.size(), now);
      start = start - spacing.size() + now.size();
      end = end - spacing.size() + now.size();
      m_tally.changed = true;
    }
    return chosen == 6 || chosen == 7;
  }

  // Moves end by what a replacement added or took.
  bool CheckWord(std::size_t start, std::size_t& end) {
    const std::string word = m_text.substr(start, end - start);
    ++m_tally.checked;
    if (const auto all = m_replace_all.find(word); all != m_replace_all.end()) {
      Replace(start, end, all->second);
      return true;
    }
    CString replacement;
    if ((m_checker.CheckWord(word.c_str(), replacement) & SSCE_MISSPELLED_WORD_RSLT) == 0)
      return true;
    switch (m_checker.ShowSuggestionDlg(word.c_str(), replacement, nullptr, 0, 0, 0)) {
      case 0:
        Replace(start, end, std::string(replacement.View()));
        return true;
      case 1:
        m_checker.Ignore(word.c_str());
        ++m_tally.ignored;
        return true;
      case 2:
        m_checker.Add(word.c_str());
        ++m_tally.added;
        return true;
      case 3:
        return true;
      case 4:
        m_replace_all[word] = std::string(replacement.View());
        Replace(start, end, m_replace_all[word]);
        return true;
      default:
        return false;
    }
  }

  void Replace(std::size_t start, std::size_t& end, const std::string& with) {
    m_text.replace(start, end - start, with);
    end = start + with.size();
    ++m_tally.replaced;
    m_tally.changed = true;
  }

  CSpellChecker m_checker;
  std::string& m_text;
  bool m_spacing;
  std::map<std::string, std::string> m_replace_all;
  Tally m_tally;
};

int run_options() {
  int status = exit_ok;
  const std::optional<OpenedFrontEnd> screen = choose_front_end("spell options", status);
  if (!screen) return status;
  CSpellChecker checker;
  checker.SetOptions(nullptr);
  return exit_ok;
}

int run_lexicons() {
  int status = exit_ok;
  const std::optional<OpenedFrontEnd> screen = choose_front_end("spell lexicons", status);
  if (!screen) return status;
  CSpellChecker checker;
  checker.EditLexicons(nullptr);
  return exit_ok;
}

}  // namespace

int run_interactive_text(const std::string& file, bool check_spacing) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    complain("spell text") << "cannot read " << file << '\n';
    return exit_bad_input;
  }
  std::stringstream whole;
  whole << in.rdbuf();
  std::string text = to_cp1252(whole.str());
  int status = exit_ok;
  std::optional<OpenedFrontEnd> screen = choose_front_end("spell text --interactive", status);
  if (!screen) return status;
  Proofreader reader(text, check_spacing);
  const bool finished = reader.Walk();
  screen->front_end.reset();
  const Tally& tally = reader.Counts();
  if (tally.changed) {
    const std::string utf8 = to_utf8(text);
    if (const auto failure = WriteOutputFile(file, [&utf8](CFile& out) {
          out.Write(utf8.data(), static_cast<UINT>(utf8.size()));
        })) {
      complain("spell text") << printable(*failure) << '\n';
      return exit_bad_input;
    }
  }
  std::cout << tally.checked << " words checked, " << tally.replaced << " replaced, " << tally.added
            << " added, " << tally.ignored << " ignored" << (finished ? "" : " (quit)") << '\n';
  return exit_ok;
}

void add_spell_dialog_commands(CLI::App& spell, int& status) {
  spell.add_subcommand("options", "Change the checking options in a dialog window")
      ->callback([&status] { status = run_options(); });
  spell.add_subcommand("lexicons", "Browse and edit the user folder's lexicons in a dialog window")
      ->callback([&status] { status = run_lexicons(); });
}

}  // namespace kelm_cli
