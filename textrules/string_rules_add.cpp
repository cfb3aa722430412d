#include <string_view>
#include <utility>

#include "textrules/ascii_text.h"
#include "textrules/string_rules.h"

namespace {

using namespace ascii_text;

constexpr std::string_view opening_punctuation = ".!?-,;:";
constexpr std::string_view seam_characters = " ^.!?-;:,";

bool is_seam(char c) { return is_in(c, seam_characters); }

char last(const CString& text) { return text[text.GetLength() - 1]; }
void drop_last(CString& text) { text.Delete(text.GetLength() - 1); }

void drop_leading_seam(CString& text) {
  int n = 0;
  while (n < text.GetLength() && is_seam(text[n])) ++n;
  text.Delete(0, n);
}

// A single trailing hyphen is a dash the reporter wrote and stays; a double
// one is dropped whole, as the other seam characters are.
void drop_trailing_seam(CString& text) {
  while (!text.IsEmpty() && is_seam(last(text))) {
    const int n = text.GetLength();
    if (last(text) != '-') {
      drop_last(text);
      continue;
    }
    if (n == 1 || text[n - 2] != '-') return;
    text.Delete(n - 2, 2);
  }
}

void merge_letters(CString& first, CString& second) {
  while (ends_with(first.View(), "ll") && begins_with(second.View(), "l")) drop_last(first);
  while (begins_with(second.View(), "ll") && ends_with(first.View(), "l")) second.Delete(0);
  while (first.GetLength() > 1 && second.GetLength() > 1 && ends_with(first.View(), "i") &&
         begins_with(second.View(), "i"))
    drop_last(first);
}

}  // namespace

void CStringRules::ApplyAddStringRules(CString& first, CString& second) {
  if (first.IsEmpty() || second.IsEmpty()) return;
  merge_letters(first, second);
  if (!is_in(second[0], opening_punctuation)) return;

  if (!is_seam(last(first))) {
    const int n = first.GetLength();
    const char c = last(first);
    if ((c == '"' || c == '\'' || c == ')') && n >= 2 && is_in(first[n - 2], ".!?,"))
      drop_leading_seam(second);
    return;
  }

  // An abbreviation's period (or an initial's) stays before a comma; only a
  // second period merges with it.
  const bool abbreviation =
      LastIsAbbreviation(first) || (first.GetLength() == 2 && is_letter(first[0]));
  if (abbreviation && second[0] != '.') return;

  bool no_comma = true;
  bool first_all_seam = true;
  for (int i = first.GetLength() - 1; i >= 0; --i) {
    if (!is_seam(first[i])) {
      first_all_seam = false;
      break;
    }
    if (first[i] == ',' || first[i] == ';') no_comma = false;
  }
  bool second_all_seam = true;
  for (char c : second.View()) {
    if (!is_seam(c)) {
      second_all_seam = false;
      break;
    }
  }

  if (first_all_seam && !second_all_seam && no_comma)
    drop_leading_seam(second);
  else
    drop_trailing_seam(first);
}

int CStringRules::LastIsAbbreviation(CString text) {
  for (std::string_view ending : {"inc.", "a.m.", "p.m."})
    if (ends_with(text.View(), ending)) return 1;
  text.Trim();
  const int n = text.GetLength();
  if (n % 2 != 0) return 0;
  for (int i = n - 1; i >= 0; --i) {
    const bool fits = i % 2 != 0 ? text[i] == '.' : is_letter(text[i]);
    if (!fits) return 0;
  }
  return 1;
}

CString CStringRules::MakeConflictString(CString a1, CString a2, CString a3, CString a4,
                                         CString a5) {
  // Closing the gaps keeps the given order of the non-empty alternatives.
  CString alternatives[5];
  int count = 0;
  for (CString* a : {&a1, &a2, &a3, &a4, &a5})
    if (!a->IsEmpty()) alternatives[count++] = std::move(*a);
  if (count < 2) return alternatives[0];
  CString conflict = "[" + alternatives[0];
  for (int i = 1; i < count; ++i) conflict += "|" + alternatives[i];
  conflict += ']';
  return conflict;
}

CString CStringRules::AddStringToConflict(CString conflict, CString text) {
  if (conflict.IsEmpty()) return text;
  if (!begins_with(conflict.View(), "[")) return MakeConflictString(conflict, text, "", "", "");
  conflict.SetAt(conflict.GetLength() - 1, '|');
  conflict += text;
  conflict += ']';
  return conflict;
}

CString CStringRules::GetTextFromConflict(CString conflict, int n) {
  if (n == 0) {
    const int bar = conflict.Find('|');
    if (bar <= 0) return conflict;
    // Text written before the bracket is not part of the first alternative.
    const CString piece = conflict.Mid(1, bar - 1);
    const int bracket = piece.Find('[');
    return bracket == -1 ? piece : piece.Mid(bracket + 1);
  }
  for (int i = 0; i < n && !conflict.IsEmpty(); ++i) {
    const int bar = conflict.Find('|');
    conflict = bar == -1 ? CString() : conflict.Mid(bar + 1);
  }
  int end = conflict.Find('|');
  if (end == -1) end = conflict.Find(']');
  return end <= 0 ? conflict : conflict.Left(end);
}

int CStringRules::EndsWithAAn(CString text) {
  const std::string_view t = text.View();
  for (std::string_view whole : {"a", "an", "[a|an]"})
    if (same_no_case(t, whole)) return 1;
  for (std::string_view ending : {" a", "^a", " [a|an]", "^[a|an]"})
    if (ends_with(t, ending)) return 1;
  return 0;
}
