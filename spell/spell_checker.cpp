#include "spell/spell_checker.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/profile.h"
#include "platform/spelling/ssce.h"
#include "settings/orvalis_data.h"
#include "spell/checker_profile.h"
#include "spell/lexicon_changes.h"
#include "spell/lexicon_seed.h"

namespace {

using checker_profile::section;

constexpr int default_report_space_errors = 0;
constexpr int default_report_double_q_or_a = 1;
constexpr int default_confirm = 0;

// The engine takes 30 bytes a suggestion in a buffer whose size is 16 bits.
constexpr int bytes_per_suggestion = 30;
constexpr int most_suggestions = 0xFFFF / bytes_per_suggestion;

int profile_int(LPCSTR name, int deflt) {
  CWinApp* app = AfxGetApp();
  return app == nullptr ? deflt : static_cast<int>(app->GetProfileInt(section, name, deflt));
}

bool has_digit(const CString& word) { return word.FindOneOf("0 1 2 3 4 5 6 7 8 9") >= 0; }

// Whether a period after previousWord ends an abbreviation or an initial, or
// stands inside a number, and so wants no sentence spacing after it.
bool period_is_not_a_stop(const CString& spacing, const CString& previousWord,
                          const CString& nextWord) {
  if (previousWord.GetLength() == 1) return true;
  if (CString("CORP ESQ DR JR INC MR MRS MS SR").Find(previousWord) >= 0) return true;
  if (previousWord == "NO" && has_digit(nextWord)) return true;
  if (has_digit(previousWord) && has_digit(nextWord)) return true;
  return spacing == " ." && has_digit(nextWord);
}

}  // namespace

CSpellChecker::CSpellChecker()
    : m_bRememberPosition(0),
      m_szReplacement{},
      m_nLexicons(0),
      m_nLexiconIds{},
      m_nLexiconFiles{},
      m_nSessionId(-1),
      m_nUserLexicon(-1),
      m_nIgnoreLexicon(-1),
      m_bReportSpaceErrors(default_report_space_errors),
      m_bReportDoubleQorA(default_report_double_q_or_a),
      m_bConfirm(default_confirm),
      m_pSessionOwners(new int(1)) {
  COrvalisData data(KEY_READ);
  m_nSessionId = SSCE_OpenSession();
  if (m_nSessionId < 0) return;
  for (const checker_profile::engine_option& o : checker_profile::engine_options)
    SSCE_SetOption(m_nSessionId, o.option, static_cast<SSCE_U32>(profile_int(o.name, o.deflt)));
  SSCE_SetAutoCorrect(static_cast<SSCE_S16>(
      profile_int(checker_profile::auto_correct, checker_profile::default_auto_correct)));
  SSCE_SetMinSuggestDepth(static_cast<SSCE_S16>(profile_int("MinSuggestDepth", 50)));
  m_bReportSpaceErrors = profile_int("ReportSpaceErrors", default_report_space_errors);
  m_bReportDoubleQorA = profile_int("ReportDoubleQorA", default_report_double_q_or_a);
  m_bConfirm = profile_int("Confirm", default_confirm);
  OpenLexicons(data.GetUserDir());
}

void CSpellChecker::OpenLexicons(const CString& userDir) {
  using checker_profile::lexicon_names;
  lexicon_seed::seed_user_folder(userDir);
  for (int i = 0; i < static_cast<int>(std::size(lexicon_names)); ++i) {
    const CString path = userDir + lexicon_names[i];
    SSCE_S16 id = SSCE_OpenLex(m_nSessionId, path, 0);
    if (id == SSCE_FILE_NOT_FOUND_ERR) {
      id = SSCE_CreateLex(m_nSessionId, path, SSCE_AMER_ENGLISH_LANG);
      // A checker starting at the same moment in another program may have
      // made the file first; creating refuses to overwrite it.
      if (id < 0) id = SSCE_OpenLex(m_nSessionId, path, 0);
    }
    if (id < 0) continue;
    m_nLexiconFiles[m_nLexicons] = static_cast<signed char>(i);
    m_nLexiconIds[m_nLexicons++] = id;
    if (i == checker_profile::user_lexicon_index) m_nUserLexicon = id;
    if (i == checker_profile::ignore_lexicon_index) {
      m_nIgnoreLexicon = id;
      SSCE_ClearLex(m_nSessionId, id);
    }
  }
}

CSpellChecker::CSpellChecker(const CSpellChecker& other)
    : m_bRememberPosition(other.m_bRememberPosition),
      m_nLexicons(other.m_nLexicons),
      m_nSessionId(other.m_nSessionId),
      m_nUserLexicon(other.m_nUserLexicon),
      m_nIgnoreLexicon(other.m_nIgnoreLexicon),
      m_bReportSpaceErrors(other.m_bReportSpaceErrors),
      m_bReportDoubleQorA(other.m_bReportDoubleQorA),
      m_bConfirm(other.m_bConfirm),
      m_pSessionOwners(other.m_pSessionOwners) {
  std::memcpy(m_szReplacement, other.m_szReplacement, sizeof m_szReplacement);
  std::memcpy(m_nLexiconIds, other.m_nLexiconIds, sizeof m_nLexiconIds);
  std::memcpy(m_nLexiconFiles, other.m_nLexiconFiles, sizeof m_nLexiconFiles);
  ++*m_pSessionOwners;
}

CSpellChecker& CSpellChecker::operator=(const CSpellChecker& other) {
  if (m_pSessionOwners == other.m_pSessionOwners) {
    m_bRememberPosition = other.m_bRememberPosition;
    m_bReportSpaceErrors = other.m_bReportSpaceErrors;
    m_bReportDoubleQorA = other.m_bReportDoubleQorA;
    m_bConfirm = other.m_bConfirm;
    std::memmove(m_szReplacement, other.m_szReplacement, sizeof m_szReplacement);
    return *this;
  }
  ++*other.m_pSessionOwners;
  Release();
  m_bRememberPosition = other.m_bRememberPosition;
  std::memcpy(m_szReplacement, other.m_szReplacement, sizeof m_szReplacement);
  m_nLexicons = other.m_nLexicons;
  std::memcpy(m_nLexiconIds, other.m_nLexiconIds, sizeof m_nLexiconIds);
  std::memcpy(m_nLexiconFiles, other.m_nLexiconFiles, sizeof m_nLexiconFiles);
  m_nSessionId = other.m_nSessionId;
  m_nUserLexicon = other.m_nUserLexicon;
  m_nIgnoreLexicon = other.m_nIgnoreLexicon;
  m_bReportSpaceErrors = other.m_bReportSpaceErrors;
  m_bReportDoubleQorA = other.m_bReportDoubleQorA;
  m_bConfirm = other.m_bConfirm;
  m_pSessionOwners = other.m_pSessionOwners;
  return *this;
}

CSpellChecker::~CSpellChecker() { Release(); }

void CSpellChecker::Release() {
  if (--*m_pSessionOwners == 0) {
    for (int i = 0; i < m_nLexicons; ++i) SSCE_CloseLex(m_nSessionId, m_nLexiconIds[i]);
    if (m_nSessionId >= 0) SSCE_CloseSession(m_nSessionId);
    delete m_pSessionOwners;
  }
  m_pSessionOwners = nullptr;
  m_nSessionId = -1;
}

int CSpellChecker::CheckWord(CString word, CString& replacement) {
  if (m_nSessionId < 0) return -1;
  m_szReplacement[0] = '\0';
  const SSCE_S16 result =
      SSCE_CheckWord(m_nSessionId, word, m_szReplacement, sizeof m_szReplacement);
  m_szReplacement[sizeof m_szReplacement - 1] = '\0';
  replacement = m_szReplacement;
  return result;
}

int CSpellChecker::CheckWord(CString word, CString& replacement, int bStripPunctuation) {
  if (bStripPunctuation)
    for (const char c : {'.', '?', '!', ',', ':', ';'}) word.Remove(c);
  return CheckWord(word, replacement);
}

int CSpellChecker::SuggestSpelling(CString word, CString* suggestions, int maxSuggestions) {
  return SuggestSpelling(word, suggestions, nullptr, maxSuggestions);
}

int CSpellChecker::SuggestSpelling(CString word, CString* suggestions, int* scores,
                                   int maxSuggestions) {
  if (maxSuggestions <= 0) return 0;
  const int wanted = std::min(maxSuggestions, most_suggestions);
  const SSCE_S16 depth = SSCE_GetMinSuggestDepth();
  const int size = bytes_per_suggestion * wanted;
  std::vector<char> buffer(static_cast<std::size_t>(size));
  std::vector<SSCE_S16> found_scores(static_cast<std::size_t>(wanted));
  if (SSCE_Suggest(m_nSessionId, word, depth, buffer.data(), static_cast<SSCE_U16>(size),
                   found_scores.data(), static_cast<SSCE_S16>(wanted)) < 0)
    return 0;
  // Bounded by the buffer as well, so that a list without its last
  // terminator cannot lead the walk past the end.
  int filled = 0;
  std::size_t at = 0;
  while (filled < wanted && found_scores[filled] > 0 && at < buffer.size()) {
    const auto start = buffer.begin() + static_cast<std::ptrdiff_t>(at);
    const auto end = std::find(start, buffer.end(), '\0');
    if (scores != nullptr) scores[filled] = found_scores[filled];
    suggestions[filled++] = CString(&*start, static_cast<int>(end - start));
    at += static_cast<std::size_t>(end - start) + 1;
  }
  return filled;
}

int CSpellChecker::CheckSpace(CString spacing, CString& corrected, CString previousWord,
                              CString nextWord) {
  if (spacing.IsEmpty()) {
    corrected = " ";
    return 0;
  }
  previousWord.MakeUpper();
  int required = 1, allowed = 1, run = 0;
  bool after_stop = false, last_other = false;
  for (int i = 0; i < spacing.GetLength(); ++i) {
    const char c = spacing[i];
    last_other = false;
    if (c == ' ' || c == '^') {
      after_stop = false;
      if (++run > allowed) {
        corrected = spacing;
        corrected.Delete(i);
        return 0;
      }
    } else if (c == '!' || c == '?') {
      required = allowed = 2;
      run = 0;
      after_stop = true;
    } else if (c == ':') {
      required = allowed = 2;
      run = 0;
      after_stop = false;
    } else if (c == '"') {
      if (after_stop) {
        required = allowed = 2;
      } else {
        required = 0;
        allowed = 1;
      }
      run = 0;
      after_stop = false;
    } else if (c == '.') {
      after_stop = true;
      run = 0;
      if (period_is_not_a_stop(spacing, previousWord, nextWord)) {
        required = 0;
        allowed = 1;
      } else {
        required = allowed = 2;
      }
    } else {
      required = allowed = 1;
      run = 0;
      after_stop = false;
      last_other = true;
    }
  }
  if (run >= required || last_other) return 1;
  corrected = spacing + CString(' ', required - run);
  return 0;
}

void CSpellChecker::Add(CString word) {
  if (m_nUserLexicon < 0) return;
  SSCE_AddToLex(m_nSessionId, m_nUserLexicon, word, SSCE_IGNORE_ACTION, nullptr);
  lexicon_changes::note_change();
}

void CSpellChecker::Ignore(CString word) {
  if (m_nIgnoreLexicon >= 0)
    SSCE_AddToLex(m_nSessionId, m_nIgnoreLexicon, word, SSCE_IGNORE_ACTION, nullptr);
}

int CSpellChecker::GetConfirm() { return m_bConfirm; }
int CSpellChecker::GetCheckSpaceErrors() { return m_bReportSpaceErrors; }
int CSpellChecker::GetCheckDoubleQorA() { return m_bReportDoubleQorA; }

// An error from the engine (no session) is negative, hence non-zero: it must
// not read as "on".
int CSpellChecker::OptionIsOn(unsigned int option) {
  return m_nSessionId >= 0 && SSCE_GetOption(m_nSessionId, option) != 0 ? 1 : 0;
}

int CSpellChecker::GetCaseSensitive() { return OptionIsOn(SSCE_CASE_SENSITIVE_OPT); }
int CSpellChecker::GetIgnoreAllCaps() { return OptionIsOn(SSCE_IGNORE_ALL_CAPS_WORD_OPT); }
int CSpellChecker::GetIgnoreCapitalized() { return OptionIsOn(SSCE_IGNORE_CAPPED_WORD_OPT); }
int CSpellChecker::GetIgnoreMixedCase() { return OptionIsOn(SSCE_IGNORE_MIXED_CASE_OPT); }
int CSpellChecker::GetIgnoreNumbers() { return OptionIsOn(SSCE_IGNORE_MIXED_DIGITS_OPT); }
int CSpellChecker::GetPhoneticSuggestions() { return OptionIsOn(SSCE_SUGGEST_PHONETIC_OPT); }
int CSpellChecker::GetReportDoubled() { return OptionIsOn(SSCE_REPORT_DOUBLED_WORD_OPT); }
int CSpellChecker::GetSuggestSplitWords() { return OptionIsOn(SSCE_SPLIT_WORDS_OPT); }
int CSpellChecker::GetTypographicalSuggestions() {
  return OptionIsOn(SSCE_SUGGEST_TYPOGRAPHICAL_OPT);
}
int CSpellChecker::GetbAutoCorrect() { return SSCE_GetAutoCorrect() != 0 ? 1 : 0; }

void CSpellChecker::SetConfirm(int confirm) {
  m_bConfirm = confirm;
  if (CWinApp* app = AfxGetApp()) app->WriteProfileInt(section, "Confirm", confirm);
}

void CSpellChecker::SetIgnoreCapitalized(int ignore) {
  SSCE_SetOption(m_nSessionId, SSCE_IGNORE_CAPPED_WORD_OPT, static_cast<SSCE_U32>(ignore));
}

void CSpellChecker::SetIgnoreAllCaps(int ignore) {
  SSCE_SetOption(m_nSessionId, SSCE_IGNORE_ALL_CAPS_WORD_OPT, static_cast<SSCE_U32>(ignore));
}
