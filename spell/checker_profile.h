// What a CSpellChecker is built from: the lexicon files it opens in the user
// folder and the profile values it reads, with their defaults. The suffix
// rules read the same list to tell when a fresh checker would be built
// differently. Internal to the library: not installed.
#pragma once

#include "platform/spelling/ssce.h"
#include "platform/types.h"

namespace checker_profile {

inline constexpr LPCSTR section = "SpellChecker";

struct engine_option {
  LPCSTR name;
  int deflt;
  SSCE_U32 option;
};

// In the order the checker applies them.
inline constexpr engine_option engine_options[] = {
    {"CaseSensitive", 1, SSCE_CASE_SENSITIVE_OPT},
    {"IgnoreAllCapsWords", 0, SSCE_IGNORE_ALL_CAPS_WORD_OPT},
    {"IgnoreCappedWords", 0, SSCE_IGNORE_CAPPED_WORD_OPT},
    {"IgnoreMixedCase", 0, SSCE_IGNORE_MIXED_CASE_OPT},
    {"IgnoreMixedDigits", 1, SSCE_IGNORE_MIXED_DIGITS_OPT},
    {"PhoneticSuggestions", 0, SSCE_SUGGEST_PHONETIC_OPT},
    {"ReportDoubledWord", 1, SSCE_REPORT_DOUBLED_WORD_OPT},
    {"SplitWords", 1, SSCE_SPLIT_WORDS_OPT},
    {"TypographicalSuggestions", 1, SSCE_SUGGEST_TYPOGRAPHICAL_OPT},
};
inline constexpr LPCSTR auto_correct = "AutoCorrect";
inline constexpr int default_auto_correct = 1;

// In the order the checker opens them.
inline constexpr LPCSTR lexicon_names[] = {
    "\\ssceam.tlx",  "\\correct.tlx", "\\user.tlx",    "\\ignore.tlx",
    "\\sscele.tlx",  "\\ssceme.tlx",  "\\medical.tlx", "\\ssceam2.clx",
    "\\sscele2.clx", "\\ssceme2.clx", "\\medical.clx",
};
inline constexpr int user_lexicon_index = 2;
inline constexpr int ignore_lexicon_index = 3;

}  // namespace checker_profile
