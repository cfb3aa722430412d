#include "textrules/string_rules.h"

#include "textrules/ascii_text.h"

#include <string_view>

#include "platform/profile.h"

int CStringRules::m_bUseRule1 = 1;
int CStringRules::m_bErToOr = 1;
int CStringRules::m_bSpaceInFront = 0;

namespace {

using namespace ascii_text;

constexpr LPCSTR section = "Translator";
constexpr LPCSTR use_rule1_name = "UseRule1";
constexpr LPCSTR space_in_front_name = "Space in front";
constexpr LPCSTR er_to_or_name = "Use Er to Or Rule";

// Indexed by the spacing class of the second text; each character by the
// class of the first.
constexpr LPCSTR default_space_tables[16] = {
    "1010101010101010", "1010101010101010", "0000000000000000", "0000000000000000",
    "1010000010100000", "1010000010100000", "0000000000000000", "0000000000000000",
    "1010101000000000", "1010101000000000", "0000000000000000", "0000000000000000",
    "1010000000000000", "1010000000000000", "0000000000000000", "0000000000000000",
};

bool is_whitespace(char c) { return is_in(c, " <>^"); }
bool is_glue_seam(char c) { return c == ' ' || c == '^' || c == '~'; }
bool is_cap_skipped(char c) { return c == ' ' || c == '^' || c == '>'; }

void drop_trailing(CString& text, bool (*drop)(char)) {
  int n = text.GetLength();
  while (n > 0 && drop(text[n - 1])) --n;
  text.Delete(n, text.GetLength() - n);
}

void drop_leading(CString& text, bool (*drop)(char)) {
  int n = 0;
  while (n < text.GetLength() && drop(text[n])) ++n;
  text.Delete(0, n);
}

// Bit 3 AttachNumbers, bit 2 AttachLetters, bit 1 Suffix, bit 0 Prefix.
int spacing_class(CTranFlags flags) {
  return flags.GetAttachNumbers() << 3 | flags.GetAttachLetters() << 2 | flags.GetSuffix() << 1 |
         flags.GetPrefix();
}

CString read_space_table(CWinApp* app, int index) {
  if (app == nullptr) return default_space_tables[index];
  CString name;
  name.Format("SpaceTable%d", index);
  return app->GetProfileString(section, name, default_space_tables[index]);
}

void write_switch(LPCSTR name, int value) {
  if (CWinApp* app = AfxGetApp()) app->WriteProfileInt(section, name, value);
}

}  // namespace

CStringRules::CStringRules() {
  CWinApp* app = AfxGetApp();
  for (int i = 0; i < 16; ++i) m_strSpaceTable[i] = read_space_table(app, i);
  // Without an application object there is no profile to reload from, so
  // the switches keep what the setters last gave them.
  if (app == nullptr) return;
  m_bUseRule1 = static_cast<int>(app->GetProfileInt(section, use_rule1_name, 1));
  m_bSpaceInFront = static_cast<int>(app->GetProfileInt(section, space_in_front_name, 0));
  m_bErToOr = static_cast<int>(app->GetProfileInt(section, er_to_or_name, 1));
}

int CStringRules::GetUseRule1() { return m_bUseRule1; }

void CStringRules::SetUseRule1(int on) {
  m_bUseRule1 = on;
  write_switch(use_rule1_name, on);
}

int CStringRules::GetSpaceInFront() { return m_bSpaceInFront; }

void CStringRules::SetSpaceInFront(int on) {
  m_bSpaceInFront = on;
  write_switch(space_in_front_name, on);
}

int CStringRules::GetUseErToOrRule() { return m_bErToOr; }

void CStringRules::SetUseErToOrRule(int on) {
  m_bErToOr = on;
  write_switch(er_to_or_name, on);
}

int CStringRules::IsIn(char c, const CString& set) { return is_in(c, set.View()); }
int CStringRules::IsVowel(char c) { return is_in(c, "aeiouAEIOU"); }
int CStringRules::IsVowelOrY(char c) { return is_in(c, "aeiouyAEIOUY"); }
int CStringRules::IsConsonant(char c) { return !IsVowel(c); }
int CStringRules::IsSpace(char c) { return is_in(c, " ^"); }
int CStringRules::IsTerminalPunctuation(char c) { return is_in(c, ".?!:-"); }
int CStringRules::IsWhitespace(char c) { return is_whitespace(c); }
int CStringRules::IsPunctuation(char c) { return is_in(c, ".!?:-,;"); }
int CStringRules::IsWordDelimeter(char c) { return is_in(c, " <>^}(\""); }

int CStringRules::BeginsWith(CString text, CString start) {
  return begins_with(text.View(), start.View());
}

int CStringRules::EndsWith(CString text, CString end) { return ends_with(text.View(), end.View()); }

int CStringRules::IsAllUpper(CString text) {
  for (char c : text.View())
    if (c >= 'a' && c <= 'z') return 0;
  return 1;
}

int CStringRules::FirstWordChar(const CString& text) {
  int i = 0;
  while (i < text.GetLength() && is_whitespace(text[i])) ++i;
  return i;
}

// Index 0 is never tested: a text whose only word character is its first
// answers 0 just as one that is all whitespace after its first character.
int CStringRules::LastWordChar(const CString& text) {
  int i = text.GetLength() - 1;
  while (i > 0 && is_whitespace(text[i])) --i;
  return i;
}

int CStringRules::IsSpaceNeeded(CTranFlags first, CTranFlags second) const {
  return m_strSpaceTable[spacing_class(second)].GetAt(spacing_class(first)) == '1';
}

int CStringRules::NoSpace(const CString& first, const CString& second) {
  return !first.IsEmpty() && !is_whitespace(first[first.GetLength() - 1]) && !second.IsEmpty() &&
         !is_whitespace(second[0]);
}

void CStringRules::InsertSpace(CString& first, CString& second) {
  if (m_bSpaceInFront == 0)
    first += ' ';
  else
    second.Insert(0, ' ');
}

int CStringRules::TermPunctNeedsSpace(const CString& first, const CString& second) {
  const int i = LastWordChar(first);
  if (i == -1 || !IsTerminalPunctuation(first[i])) return 0;
  const int spaces_after = first.GetLength() - 1 - i + FirstWordChar(second);
  return spaces_after < 2;
}

void CStringRules::ApplyConcatRules(CTranFlags firstFlags, CString& first, CTranFlags secondFlags,
                                    CString& second) const {
  if (ends_with(first.View(), "~") || begins_with(second.View(), "~")) {
    // A lone "^" that is both prefix and suffix is a deliberate seam mark, so
    // glue does not eat it.
    const bool keep_first = first == "^" && firstFlags.GetSuffix() && firstFlags.GetPrefix();
    if (!keep_first) drop_trailing(first, is_glue_seam);
    drop_leading(second, is_glue_seam);
    return;
  }
  if (begins_with(second.View(), "{K")) {
    if (ends_with(first.View(), "^")) InsertSpace(first, second);
    return;
  }
  if (begins_with(first.View(), "{K") || begins_with(first.View(), " {K")) {
    if (!secondFlags.GetSuffix() && !firstFlags.GetCapitalizeNext()) InsertSpace(first, second);
    return;
  }
  if (IsSpaceNeeded(firstFlags, secondFlags)) {
    if (NoSpace(first, second) || TermPunctNeedsSpace(first, second)) InsertSpace(first, second);
    return;
  }
  if (secondFlags.GetSuffix() && !firstFlags.GetPrefix())
    ApplySuffixRules(firstFlags, first, secondFlags, second);
  else
    ApplyAddStringRules(first, second);
}

CString CStringRules::Concat(CTranFlags firstFlags, CString first, CTranFlags secondFlags,
                             CString second) const {
  ApplyConcatRules(firstFlags, first, secondFlags, second);
  first += second;
  return first;
}

CString CStringRules::TheoryConcat(CTranFlags flags, CString first, CString second) const {
  if (!flags.GetPrefix() && !flags.GetSuffix() && !first.IsEmpty() &&
      !IsVowelOrY(first[first.GetLength() - 1]) && !second.IsEmpty() && !IsVowelOrY(second[0]))
    first += '~';
  ApplyAddStringRules(first, second);
  first += second;
  return first;
}

void CStringRules::CapFirst(CString& text, int upper_case) {
  int i = 0;
  while (i < text.GetLength() && is_cap_skipped(text[i])) ++i;
  if (i == text.GetLength()) return;
  text.SetAt(i, upper_case ? upper(text[i]) : lower(text[i]));
}

void CStringRules::TrimRight(CString& text) { drop_trailing(text, is_whitespace); }
