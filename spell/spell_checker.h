// CSpellChecker: one session of the spelling engine with the suite's eleven
// lexicons from the user folder and the user's checking options from the host
// application's profile (section "SpellChecker"): word checks, suggestions,
// additions to the user and ignore lexicons, and the spacing between words.
//
// Before it opens the lexicons, the checker copies in every default lexicon
// (KelmGetDefaultLexiconDir) that the user folder lacks or holds without a
// word, making the user folder if need be, so that a host never starts a user
// on the empty lexicons a checker creates; a lexicon that holds words is never
// replaced. When there are no defaults the host hears it once per default
// folder, through its message box handler on the constructing thread.
//
// Copies share the engine session and its lexicons; the last copy to go
// closes them. One thread per checker and its copies; checkers on several
// threads may seed one user folder at once.
//
// Without an engine session the three options held for the host keep the
// profile's defaults (no spacing errors, doubled {Q}/{A}/{C} marks reported,
// no confirmation) and the engine option getters answer 0.
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"

class CWnd;

class KELM_EXPORT CSpellChecker {
 public:
  // Never fails visibly: without an engine session the checker exists and
  // its checks answer -1.
  CSpellChecker();
  CSpellChecker(const CSpellChecker& other);
  CSpellChecker& operator=(const CSpellChecker& other);
  virtual ~CSpellChecker();

  // 0 for a correctly spelled word, the lowest bit set for a misspelled one,
  // further SSCE_*_RSLT bits for the engine's findings, -1 without a session
  // (replacement is then left as it was).
  int CheckWord(CString word, CString& replacement);
  // With bStripPunctuation non-zero, ".", "?", "!", ",", ":" and ";" are
  // removed from the word first.
  int CheckWord(CString word, CString& replacement, int bStripPunctuation);
  // Fills suggestions[0...] best first; returns how many (0 to maxSuggestions).
  // At most 2184 are asked for, so that the engine's 30 bytes a suggestion
  // fit its 16-bit buffer size.
  int SuggestSpelling(CString word, CString* suggestions, int maxSuggestions);
  // The same, with the engine's score of each suggestion (positive, higher
  // for a likelier word) in scores[0...]; scores may be null.
  int SuggestSpelling(CString word, CString* suggestions, int* scores, int maxSuggestions);
  // 1 when the spacing between the two words is right; 0 when it is wrong,
  // with the corrected spacing in corrected.
  int CheckSpace(CString spacing, CString& corrected, CString previousWord, CString nextWord);

  // Accept the word from now on (user lexicon) or for this checker's life
  // (ignore lexicon, emptied at every construction).
  void Add(CString word);
  void Ignore(CString word);

  int GetConfirm();
  int GetCheckSpaceErrors();
  int GetCheckDoubleQorA();
  int GetCaseSensitive();
  int GetIgnoreAllCaps();
  int GetIgnoreCapitalized();
  int GetIgnoreMixedCase();
  int GetIgnoreNumbers();
  int GetPhoneticSuggestions();
  int GetReportDoubled();
  int GetSuggestSplitWords();
  int GetTypographicalSuggestions();
  int GetbAutoCorrect();
  void SetConfirm(int confirm);
  void SetIgnoreCapitalized(int ignore);
  void SetIgnoreAllCaps(int ignore);
  // The options dialog, owned by parent: on OK the engine options change at
  // once and every option is written to the profile; the options held for
  // the host change only in checkers constructed afterwards.
  void SetOptions(CWnd* parent);

  // The suggestion dialog for a misspelled word, with the count suggestions
  // given or, when count is 0, up to 15 of its own. Returns the action that
  // ended it (0 Replace, 1 Ignore, 2 Add, 3 Skip, 4 Replace All) with the
  // replacement shown, or -1 when the user quit or it could not be shown
  // (replacement then empty).
  int ShowSuggestionDlg(CString word, CString& replacement, CString* suggestions, int count,
                        int bNoAddIgnore, int bAllowRememberPosition);
  // The same as a modeless dialog: the call runs the application's message
  // loop and idle processing until the dialog ends.
  int ShowModelessSuggestionDlg(CString word, CString& replacement, CString* suggestions, int count,
                                int bNoAddIgnore, int bAllowRememberPosition);
  // The spacing dialog: 6 Replace (newSpacing edited, with real spaces), 7
  // Skip, 2 Quit (newSpacing as shown, each space a "#"), -1 when it could
  // not be shown.
  int ShowSpacingDlg(CString oldSpacing, CString& newSpacing);
  int ShowModelessSpacingDlg(CString oldSpacing, CString& newSpacing);
  // The lexicon editor over the first six lexicon files that are open, each
  // listed under its own name.
  void EditLexicons(CWnd* parent);

  // The suggestion dialog's "Remember Position" box when the user last left
  // it with Quit; kept for the host.
  int m_bRememberPosition;

 protected:
  char m_szReplacement[64];
  int m_nLexicons;
  short m_nLexiconIds[32];
  // Which of the lexicon files each of m_nLexiconIds is.
  signed char m_nLexiconFiles[32];
  short m_nSessionId;
  short m_nUserLexicon;
  short m_nIgnoreLexicon;
  int m_bReportSpaceErrors;
  int m_bReportDoubleQorA;
  int m_bConfirm;

 private:
  void OpenLexicons(const CString& userDir);
  // Drops this checker's share of the session; the last share closes it.
  void Release();
  int OptionIsOn(unsigned int option);

  // How many checkers share this session; the last one closes it.
  int* m_pSessionOwners;
};
