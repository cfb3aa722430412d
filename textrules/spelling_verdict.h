// Whether the spelling checker knows a word, for the two suffix rules that ask
// it (doubling a final consonant; exchanging -able and -ible). A session
// stands for the spelling checker that a rule constructs for one decision.
//
// Constructing a checker reads the profile and opens eleven lexicon files,
// far too slow for every seam of a realtime translation, so each thread keeps
// one checker alive and its sessions share it. The kept checker answers as a
// fresh one would: it is replaced at once when this process adds a word to a
// lexicon, or when the application object or the registry hive changes, and
// within a quarter second when the user folder, the checking options in the
// profile or a lexicon file (other than the ignore lexicon) change. Unlike a
// fresh checker it does not empty the ignore lexicon at every decision, so a
// host's own checker keeps the words its user chose to ignore.
// Internal to textrules: not installed.
#pragma once

#include <map>
#include <string>

#include "platform/string.h"

class CSpellChecker;

namespace spelling_verdict {

class session {
 public:
  session();
  session(const session&) = delete;
  session& operator=(const session&) = delete;

  // The checker's verdict on the word with ".", "?", "!", ",", ":" and ";"
  // removed: 0 when it is spelled correctly, the lowest bit set when it is
  // not (other bits carry the checker's further findings), -1 when no
  // checking session could be opened.
  int check(const CString& word);

 private:
  // This thread's kept checker; null while test verdicts answer instead.
  CSpellChecker* m_checker;
};

// For tests only: while verdicts are installed, every session answers from
// them instead of the spelling checker, a listed word with its verdict and any
// other word with 1 (misspelled). Words compare exactly, after the punctuation
// above is removed.
void set_test_verdicts(std::map<std::string, int> verdicts);
void clear_test_verdicts();

}  // namespace spelling_verdict
