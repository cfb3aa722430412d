// The dictionary's say on a suffix join (not installed): when the rules have
// joined a word and a suffix into something the spelling checker does not
// know, the other spellings English allows at that seam are tried, most
// common first, and the first known one is taken. Words are checked without
// regard to case and written in the case of the text. Nothing is asked and
// nothing changes when the checker has no session.
#pragma once

#include "platform/string.h"

namespace suffix_repair {

// The texts as the rules were given them, after the switches' changes
// (rule 1, er to or), which the repair starts from and so never undoes.
struct seam {
  const CString& word;
  const CString& suffix;
  bool proper_name;  // a name keeps its y: "the Kennedys"
};

// Whether the last word of joined_word followed by the letters that begin
// joined_suffix is a word this thread's kept spelling checker knows; false
// without a session.
bool is_known_join(const CString& joined_word, const CString& joined_suffix);

// Leaves joined_word and joined_suffix, the rules' join of the seam, as they
// are when they make a known word, and otherwise replaces them with the
// first known spelling of the seam. Returns whether they now make a known
// word. A seam that is not a word of two letters or more followed by a
// suffix that begins with a letter ("today" + ".") is not asked about, and
// the result is false.
bool repair_join(const seam& given, CString& joined_word, CString& joined_suffix);

}  // namespace suffix_repair
