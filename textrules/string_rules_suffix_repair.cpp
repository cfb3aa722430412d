#include <iterator>
#include <string>
#include <string_view>

#include "platform/spelling/ssce.h"
#include "spell/kept_spell_checker.h"
#include "textrules/ascii_text.h"
#include "textrules/suffix_repair.h"

namespace {

using namespace ascii_text;

// A seam spelling: when the stem ends with stem_end and the suffix begins
// with suffix_start, the stem loses stem_cut letters and gains stem_add, and
// the suffix loses suffix_cut letters and gains suffix_add in front. In the
// patterns a small letter stands for itself and a capital for a class (see
// in_class); a suffix pattern ending in "$" is the whole suffix.
struct spelling {
  std::string_view stem_end;
  std::string_view suffix_start;
  int stem_cut;
  std::string_view stem_add;  // "=" writes the stem's last letter again
  int suffix_cut;
  std::string_view suffix_add;
  bool y_to_i = false;  // not for names
};

// In the order of how often each is the one wanted when the rules' join is
// no word. Undoing the rules' own change comes first: most of their misses
// are an e, a y, a single consonant or a plain s that should have stayed.
constexpr spelling spellings[] = {
    // The plain join: "courageous", "mileage", "shyness", "patriarchs",
    // "publicly", "backup", "skiing".
    {"", "", 0, "", 0, ""},
    // A final consonant after a single stressed vowel doubles before any
    // vowel suffix: "rebuttal", "remittance", "hidden", "committee",
    // "acquittal", "quizzed".
    {"KVC", "W", 0, "=", 0, ""},
    {"quVC", "W", 0, "=", 0, ""},
    // A silent e goes before a vowel even after e or o: "freer", "oboist".
    {"e", "W", 1, "", 0, ""},
    // -le + -ly: "nobly", "terribly", "idly".
    {"le", "ly", 2, "", 0, ""},
    // A silent e goes before a consonant after u or in a few words: "truly",
    // "argument", "wholly", "awful", "ninth".
    {"e", "K", 1, "", 0, ""},
    // -es after o, z and the other sibilants: "cargoes", "blitzes",
    // "quizzes".
    {"o", "s$", 0, "", 0, "e"},
    {"z", "s$", 0, "", 0, "e"},
    {"Vz", "s$", 0, "z", 0, "e"},
    {"s", "s$", 0, "", 0, "e"},
    {"x", "s$", 0, "", 0, "e"},
    {"ch", "s$", 0, "", 0, "e"},
    {"sh", "s$", 0, "", 0, "e"},
    // f and fe + s: "wolves", "thieves", "knives".
    {"lf", "s$", 1, "v", 0, "e"},
    {"Vf", "s$", 1, "v", 0, "e"},
    {"fe", "s$", 2, "v", 0, "e"},
    // -able and -ible + -ity: "probability", "responsibility".
    {"ble", "i", 2, "il", 0, ""},
    // y turned into i or ie after a vowel: "soliloquies", "daily",
    // "gaiety", "laid".
    {"y", "s$", 1, "i", 0, "e", true},
    {"Vy", "ed$", 1, "i", 1, "", true},
    {"y", "N", 1, "i", 0, "", true},
    // c + e, i or y keeps its sound with k: "picnicker", "shellacked".
    {"Vc", "F", 0, "k", 0, ""},
    // -ic + -ly: "basically".
    {"ic", "ly", 0, "al", 0, ""},
    // ie + ing: "dying".
    {"ie", "ing", 2, "y", 0, ""},
    // -ous + -ity: "curiosity", "generosity".
    {"ous", "ity", 2, "s", 0, ""},
};

bool is_vowel(char c) { return is_in(lower(c), "aeiou") && c != '\0'; }
bool is_consonant(char c) { return is_letter(c) && !is_vowel(c); }

// V a vowel, W a vowel or y, K a consonant, C a consonant that doubles (not
// w, x or y), F e, i or y, N any letter but i.
bool in_class(char pattern, char c) {
  switch (pattern) {
    case 'V':
      return is_vowel(c);
    case 'W':
      return is_vowel(c) || lower(c) == 'y';
    case 'K':
      return is_consonant(c);
    case 'C':
      return is_consonant(c) && !is_in(lower(c), "wxy");
    case 'F':
      return c != '\0' && is_in(lower(c), "eiy");
    case 'N':
      return is_letter(c) && lower(c) != 'i';
    default:
      return lower(c) == pattern;
  }
}

bool stem_ends(std::string_view stem, std::string_view pattern) {
  if (pattern.size() > stem.size()) return false;
  const std::string_view end = stem.substr(stem.size() - pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i)
    if (!in_class(pattern[i], end[i])) return false;
  return true;
}

bool suffix_begins(std::string_view suffix, std::string_view pattern) {
  const bool whole = !pattern.empty() && pattern.back() == '$';
  if (whole) pattern.remove_suffix(1);
  if (pattern.size() > suffix.size() || (whole && pattern.size() != suffix.size())) return false;
  for (std::size_t i = 0; i < pattern.size(); ++i)
    if (!in_class(pattern[i], suffix[i])) return false;
  return true;
}

std::size_t leading_letters(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && is_letter(text[n])) ++n;
  return n;
}

// Where the word the checker is asked about begins: after the last space or
// seam mark, as the doubling decision cuts it, and after any quotation mark
// or bracket that opens it, which the checker would not take.
std::size_t word_start(std::string_view text) {
  const std::size_t mark = text.find_last_of(" ^");
  std::size_t start = mark == std::string_view::npos ? 0 : mark + 1;
  while (start < text.size() && !is_letter(text[start])) ++start;
  return start;
}

// Letters the repair writes take the case of the letter they stand beside.
void append_in_case_of(std::string& text, std::string_view letters, char model) {
  for (char c : letters) text += is_upper(model) ? upper(c) : c;
}

std::string lowered(std::string_view text) {
  std::string low(text);
  for (char& c : low) c = lower(c);
  return low;
}

enum class verdict { known, unknown, no_session };

// Known in any case: a word the lexicons hold only in another case ("Paris"
// for "paris") counts, since the text's case is not the dictionary's concern.
verdict check(CKeptSpellChecker& checker, std::string_view word) {
  CString replacement;
  const int result = checker.CheckWord(CString(lowered(word)), replacement, 1);
  if (result == -1) return verdict::no_session;
  const bool known = result == 0 || result == (SSCE_MISSPELLED_WORD_RSLT | SSCE_UNCAPPED_WORD_RSLT);
  return known ? verdict::known : verdict::unknown;
}

// The last word of the text with the letters that begin the suffix.
std::string checked_text(const CString& word, const CString& suffix) {
  const std::string_view w = word.View(), s = suffix.View();
  return lowered(std::string(w.substr(word_start(w))) +
                 std::string(s.substr(0, leading_letters(s))));
}

// One spelling of the seam: the stem as it becomes and the suffix's letters
// as they become.
struct candidate {
  std::string stem;
  std::string suffix;
};

// Letters added to a stem that loses none go in front of the suffix, as the
// rules' own doubling puts them, so that the text already written stays.
candidate spell(const spelling& s, std::string_view stem, std::string_view suffix) {
  candidate c{std::string(stem.substr(0, stem.size() - s.stem_cut)), {}};
  std::string& added = s.stem_cut == 0 ? c.suffix : c.stem;
  const char last = stem.back();
  if (s.stem_add == "=")
    added += last;
  else
    append_in_case_of(added, s.stem_add, last);
  append_in_case_of(c.suffix, s.suffix_add, suffix[0]);
  c.suffix += suffix.substr(s.suffix_cut);
  return c;
}

}  // namespace

namespace suffix_repair {

bool is_known_join(const CString& joined_word, const CString& joined_suffix) {
  CKeptSpellChecker checker;
  return check(checker, checked_text(joined_word, joined_suffix)) == verdict::known;
}

bool repair_join(const seam& given, CString& joined_word, CString& joined_suffix) {
  const std::string_view word = given.word.View(), suffix = given.suffix.View();
  const std::size_t start = word_start(word);
  const std::string_view stem = word.substr(start);
  const std::size_t letters = leading_letters(suffix);
  if (stem.size() < 2 || !is_letter(stem.back()) || letters == 0) return false;
  const std::string_view seam_suffix = suffix.substr(0, letters);

  CKeptSpellChecker checker;
  std::string tried[std::size(spellings) + 1];
  std::size_t tries = 0;
  tried[tries++] = checked_text(joined_word, joined_suffix);
  const verdict stated = check(checker, tried[0]);
  if (stated != verdict::unknown) return stated == verdict::known;

  for (const spelling& s : spellings) {
    if ((s.y_to_i && given.proper_name) || !stem_ends(stem, s.stem_end) ||
        !suffix_begins(seam_suffix, s.suffix_start) ||
        static_cast<std::size_t>(s.stem_cut) >= stem.size())
      continue;
    const candidate c = spell(s, stem, seam_suffix);
    const std::string whole = lowered(c.stem + c.suffix);
    bool seen = false;
    for (std::size_t i = 0; i < tries && !seen; ++i) seen = tried[i] == whole;
    if (seen) continue;
    tried[tries++] = whole;
    if (check(checker, whole) != verdict::known) continue;
    joined_word = CString(word.substr(0, start)) + CString(c.stem);
    joined_suffix = CString(c.suffix) + CString(suffix.substr(letters));
    return true;
  }
  return false;
}

}  // namespace suffix_repair
