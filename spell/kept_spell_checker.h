// CKeptSpellChecker: a word's verdict from this thread's kept CSpellChecker,
// for code that asks a word or two at a time at a rate at which constructing
// a checker (the profile read, eleven lexicons opened) for every question
// would cost too much, such as the suffix rules at every seam of a realtime
// translation.
//
// The kept checker answers as a freshly constructed one would: it is
// replaced at once when this process adds a word to a lexicon, or when the
// application object or the registry hive changes, and within a quarter
// second when the user folder, the checking options in the profile, a
// lexicon file (other than the ignore lexicon) or the default lexicons
// change. Two things differ on purpose: it does not empty the ignore
// lexicon at every use, so that a host's own checker keeps the words its
// user chose to ignore; and it never reports a word as doubled, which is no
// verdict on its spelling, whatever word it checked before.
//
// An object stands for one decision: it takes the kept checker (replacing it
// first when a fresh one would differ) when constructed and holds it until
// destroyed. Each thread keeps a checker of its own; an object belongs to the
// thread that made it.
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "spell/spell_checker.h"

class KELM_EXPORT CKeptSpellChecker {
 public:
  CKeptSpellChecker();
  CKeptSpellChecker(const CKeptSpellChecker&) = delete;
  CKeptSpellChecker& operator=(const CKeptSpellChecker&) = delete;

  // As CSpellChecker::CheckWord: 0 for a correctly spelled word, the lowest
  // bit set for a misspelled one, -1 when no engine session could be opened.
  int CheckWord(CString word, CString& replacement, int bStripPunctuation);

 private:
  // A copy sharing the kept checker's session, which stays open while this
  // object lives even when the kept checker is replaced meanwhile.
  CSpellChecker m_checker;
};
