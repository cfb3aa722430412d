#include <algorithm>
#include <initializer_list>

#include "spell/kept_spell_checker.h"
#include "textrules/ascii_text.h"
#include "textrules/string_rules.h"
#include "textrules/suffix_repair.h"

namespace {

using namespace ascii_text;

// The steps below are free functions; this gives them the class's own string
// tests, so that every test of a beginning, an ending or a vowel is the one
// the rest of the rules use.
struct rules : CStringRules {
  using CStringRules::ApplyAddStringRules;
  using CStringRules::BeginsWith;
  using CStringRules::EndsWith;
  using CStringRules::IsIn;
  using CStringRules::IsVowel;
  using CStringRules::ReplaceEnding;
  using CStringRules::SuffixIs;
  using CStringRules::SyllableCount;
};

bool ends_with_any(const CString& text, std::initializer_list<const char*> ends) {
  return std::ranges::any_of(ends, [&](const char* end) { return rules::EndsWith(text, end); });
}

bool suffix_is_any(const CString& suffix, std::initializer_list<const char*> names) {
  return std::ranges::any_of(names,
                             [&](const char* name) { return rules::SuffixIs(suffix, name); });
}

bool begins_with_any(const CString& text, std::initializer_list<const char*> starts) {
  return std::ranges::any_of(starts,
                             [&](const char* start) { return rules::BeginsWith(text, start); });
}

char last(const CString& text) { return text[text.GetLength() - 1]; }

// Letters the rules write take the case of the letter they stand beside, so
// that text in capitals stays in capitals ("CARRIES", not "CARRIeS").
CString in_case_of(const char* letters, char model) {
  CString text(letters);
  if (is_upper(model)) text.MakeUpper();
  return text;
}

void drop_last(CString& word, int n) { word.Delete(word.GetLength() - n, n); }

void replace_last(CString& word, int n, const char* ending) {
  drop_last(word, n);
  word += ending;
}

bool is_doubling_suffix(const CString& suffix) {
  return suffix_is_any(suffix, {"er", "ering", "ered", "ers"}) ||
         begins_with_any(suffix, {"ing", "ed", "ie", "ish", "est", "y"}) ||
         suffix_is_any(suffix, {"ler", "le"});
}

// The word the spelling checker is asked about: what follows the last space
// or seam mark of the text.
CString last_word(const CString& text) {
  return text.Mid(std::max(text.ReverseFind(' '), text.ReverseFind('^')) + 1);
}

// A plural or third-person "s" gives way to a suffix ("makes" + "ing").
void drop_plural_s(CString& word, const CString& suffix) {
  if (is_letter(suffix[0]) && ends_with_any(word, {"ds", "ts", "ks", "gs"})) drop_last(word, 1);
  if (rules::IsVowel(suffix[0]) && ends_with_any(word, {"des", "tes", "kes", "thes"}))
    drop_last(word, 1);
}

void er_to_or(CString& suffix) {
  if (rules::BeginsWith(suffix, "er") && !rules::BeginsWith(suffix, "ergic"))
    suffix.SetAt(0, suffix[0] == 'e' ? 'o' : 'O');
}

void final_y(CTranFlags first, CString& word, CString& suffix) {
  const int n = word.GetLength();
  if (n > 2) {
    if (rules::BeginsWith(suffix, "i")) {
      if (!suffix_is_any(suffix, {"ing", "ish"})) drop_last(word, 1);
    } else if (is_letter(suffix[0]) && !rules::IsVowel(word[n - 2]) && !first.GetProperName()) {
      rules::ReplaceEnding(word, 1, "i");
      if (rules::SuffixIs(suffix, "s")) suffix.Insert(0, in_case_of("e", suffix[0]));
    }
    return;
  }
  // A word this short is a suffix itself only when its flags say so ("ly").
  if (!first.GetSuffix() || !is_letter(suffix[0])) return;
  if (!rules::SuffixIs(suffix, "ing")) replace_last(word, 1, in_case_of("i", last(word)));
  if (rules::SuffixIs(suffix, "s")) suffix = in_case_of("es", suffix[0]);
}

void silent_e(CString& word, CString& suffix) {
  const int n = word.GetLength();
  if (rules::EndsWith(word, "ie") && rules::SuffixIs(suffix, "ing")) {
    replace_last(word, 2, in_case_of("y", last(word)));
  } else if (rules::EndsWith(word, "dge") && rules::SuffixIs(suffix, "ment")) {
    drop_last(word, 1);
  } else if (rules::EndsWith(word, "dge") && rules::BeginsWith(suffix, "ing")) {
    drop_last(word, 1);
  } else if (rules::EndsWith(word, "dge") && rules::BeginsWith(suffix, "i")) {
    replace_last(word, 3, in_case_of("g", last(word)));
  } else if (ends_with_any(word, {"ge", "ce"}) && rules::BeginsWith(suffix, "ab")) {
    // The e keeps the g or c soft: "changeable", "noticeable".
  } else if (rules::EndsWith(word, "ate") && suffix_is_any(suffix, {"cy", "sy", "acy"})) {
    drop_last(word, 3);
    suffix = in_case_of("acy", suffix[0]);
  } else if (rules::IsIn(suffix[0], "aAeEiIoOuUyY")) {
    // After a vowel or y the e stays ("agreeing", "dyeing") except before "ed".
    if ((n >= 2 && !rules::IsIn(word[n - 2], "yoeYOE")) || rules::SuffixIs(suffix, "ed"))
      drop_last(word, 1);
  }
}

void plural_es(CString& word, CString& suffix) {
  if (ends_with_any(word, {"sh", "ch", "ss", "as", "x", "us"})) {
    suffix.Insert(0, in_case_of("e", suffix[0]));
  } else if (rules::EndsWith(word, "sis")) {
    const int i = word.ReverseFind('i');
    if (i == -1) return;
    word.SetAt(i, 'e');
    suffix.Empty();
  } else if (rules::EndsWith(word, "s")) {
    // An abbreviation in capitals keeps its own s: "ABS" + "s".
    if (!CStringRules::IsAllUpper(word)) drop_last(word, 1);
  } else if (rules::EndsWith(word, "tted") && is_letter(suffix[0])) {
    drop_last(word, 3);
  } else if (rules::EndsWith(word, "ted") && is_letter(suffix[0])) {
    drop_last(word, 2);
  }
}

void final_ic(CString& suffix) {
  if (suffix_is_any(suffix, {"y", "ing", "ed"}))
    suffix.Insert(0, in_case_of("k", suffix[0]));
  else if (rules::SuffixIs(suffix, "ly"))
    suffix = in_case_of("ally", suffix[0]);
}

bool is_xyw(char c) { return rules::IsIn(c, "xXyYwW"); }

bool is_qu(char u, char q) { return rules::IsIn(u, "uU") && rules::IsIn(q, "qQ"); }

// The checker's verdict on the word with ".", "?", "!", ",", ":" and ";"
// removed: 0 when it is spelled correctly, the lowest bit set when it is not,
// -1 without a checking session. The kept checker stands for the one a rule
// would construct for each decision, which costs too much at every seam.
int verdict(CKeptSpellChecker& checker, const CString& word) {
  CString replacement;
  return checker.CheckWord(word, replacement, 1);
}

// Only the speller knows whether the stress falls on the last syllable, so
// a longer word is doubled only when the doubled form is a word and the plain
// one is not ("beginning", but "visiting").
void double_if_known(const CString& word, CString& suffix) {
  CKeptSpellChecker checker;
  if (verdict(checker, last_word(word) + suffix) == 0) return;
  const CString candidate =
      last_word(word + last(word)) + (rules::SuffixIs(suffix, "ingly") ? CString("ing") : suffix);
  if (verdict(checker, candidate) == 0) suffix.Insert(0, last(word));
}

void double_last(CTranFlags& first, const CString& word, CTranFlags second, CString& suffix) {
  const int n = word.GetLength();
  if (rules::SyllableCount(word) <= 1) {
    if (n > 1 && !rules::IsVowel(word[n - 1]) && rules::IsVowel(word[n - 2]) &&
        !is_xyw(word[n - 1]) &&
        (n < 3 || (!is_qu(word[n - 2], word[n - 3]) && !rules::IsVowel(word[n - 3]))) &&
        !first.GetSuffix())
      first.SetDoubleLast(1);
    return;
  }
  if (first.GetDoubleLast() || first.GetSuffix() || n <= 3) return;
  const bool consonant_vowel_consonant =
      !rules::IsVowel(word[n - 1]) && rules::IsVowel(word[n - 2]) && !rules::IsVowel(word[n - 3]) &&
      !is_xyw(word[n - 1]) && !is_qu(word[n - 2], word[n - 3]);
  if (consonant_vowel_consonant && (is_doubling_suffix(suffix) || second.GetDoubleLast()))
    double_if_known(word, suffix);
}

// One branch by the first condition that holds; inside it the first rule that
// applies.
void change_spelling(CTranFlags& first, CString& word, CTranFlags second, CString& suffix) {
  if (rules::EndsWith(word, "y")) {
    final_y(first, word, suffix);
  } else if (rules::EndsWith(word, "e")) {
    silent_e(word, suffix);
  } else if (rules::SuffixIs(suffix, "s")) {
    plural_es(word, suffix);
  } else if (rules::EndsWith(word, "ic")) {
    final_ic(suffix);
  } else if (rules::EndsWith(word, "ck")) {
    if (rules::BeginsWith(suffix, "u")) drop_last(word, 1);
  } else if (rules::SuffixIs(suffix, "y") && rules::EndsWith(word, "l")) {
    if (!rules::EndsWith(word, "ll")) suffix = in_case_of("ly", suffix[0]);
  } else {
    double_last(first, word, second, suffix);
  }
}

// The speller picks between the two spellings of the ending ("responsible",
// "collectable"); a suffix it knows in neither form stays as written.
void able_or_ible(const CString& word, CString& suffix) {
  CKeptSpellChecker checker;
  if ((verdict(checker, word + suffix) & 1) == 0) return;
  CString other = suffix;
  other.SetAt(0, in_case_of(rules::IsIn(suffix[0], "iI") ? "a" : "i", suffix[0])[0]);
  if ((verdict(checker, word + other) & 1) == 0) suffix = other;
}

// Steps from the spelling branch on, after the switches have had their say.
void join_by_rules(CTranFlags first, CString& word, CTranFlags second, CString& suffix) {
  change_spelling(first, word, second, suffix);

  if (first.GetSuffix() && second.GetSuffix()) first.SetDoubleLast(0);
  if (first.GetDoubleLast() && (is_doubling_suffix(suffix) || second.GetDoubleLast()) &&
      !word.IsEmpty() && !rules::IsVowel(last(word)))
    suffix.Insert(0, last(word));
  if (second.GetSuffix() && begins_with_any(suffix, {"ab", "ib"})) able_or_ible(word, suffix);

  rules::ApplyAddStringRules(word, suffix);
}

// The rules' join stands when the speller knows it, or has no session to
// ask. A word that is itself a suffix ("ly" + "s") is no whole word to ask
// about. The "ate" ending's "or" is the switch's guess ("creator", but
// "later"): a swap the speller does not know gives way to the plain suffix
// when that makes a known word.
void repair(CTranFlags first, const CString& given_word, const CString& given_suffix,
            const CString& plain_suffix, bool ate_swap, CTranFlags second, CString& word,
            CString& suffix) {
  if (first.GetSuffix()) return;
  const bool proper_name = first.GetProperName();
  if (!ate_swap) {
    suffix_repair::repair_join({given_word, given_suffix, proper_name}, word, suffix);
    return;
  }
  if (suffix_repair::is_known_join(word, suffix)) return;
  CString plain_word = given_word, plain = plain_suffix;
  join_by_rules(first, plain_word, second, plain);
  if (suffix_repair::repair_join({given_word, plain_suffix, proper_name}, plain_word, plain)) {
    word = plain_word;
    suffix = plain;
  }
}

}  // namespace

int CStringRules::SuffixIs(CString text, CString suffix) {
  if (!BeginsWith(text, suffix)) return 0;
  const int n = suffix.GetLength();
  return text.GetLength() == n || text[n] == ' ' || text[n] == '{';
}

// A vowel group at the very end is not counted, so the silent e of "hope"
// adds no syllable.
int CStringRules::SyllableCount(CString word) {
  const int n = word.GetLength();
  int count = 0;
  for (int i = 0; i + 1 < n; ++i)
    if (IsVowel(word[i]) && !IsVowel(word[i + 1])) ++count;
  return count == 0 && n > 0 ? 1 : count;
}

void CStringRules::ReplaceEnding(CString& text, int n, CString ending) {
  if (text.IsEmpty()) return;
  const char c = last(text);
  if (c >= 'A' && c <= 'Z') ending.MakeUpper();
  text = text.GetLength() >= n ? text.Left(text.GetLength() - n) + ending : ending;
}

void CStringRules::ApplySuffixRules(CTranFlags firstFlags, CString& word, CTranFlags secondFlags,
                                    CString& suffix) const {
  if (word.IsEmpty() || suffix.IsEmpty() || firstFlags.GetAttachLetters()) return;
  if (m_bUseRule1) drop_plural_s(word, suffix);
  const CString plain_suffix = suffix;
  if (firstFlags.GetOrEnding() || (m_bErToOr && ends_with_any(word, {"ct", "ate", "ss"})))
    er_to_or(suffix);
  const bool ate_swap =
      suffix != plain_suffix && !firstFlags.GetOrEnding() && !ends_with_any(word, {"ct", "ss"});

  const CString given_word = word, given_suffix = suffix;
  join_by_rules(firstFlags, word, secondFlags, suffix);
  repair(firstFlags, given_word, given_suffix, plain_suffix, ate_swap, secondFlags, word, suffix);
}

CString CStringRules::AddSuffix(CTranFlags firstFlags, CString word, CTranFlags secondFlags,
                                CString suffix) const {
  ApplySuffixRules(firstFlags, word, secondFlags, suffix);
  return word + suffix;
}
