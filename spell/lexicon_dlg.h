// "Lexicons": browses the words of the checker's open lexicons and adds,
// changes or deletes entries, each change going straight to the engine
// session (which writes the lexicon file). Internal to the library: not
// installed.
#pragma once

#include <vector>

#include "platform/spelling/ssce.h"
#include "platform/string.h"
#include "platform/ui/dialog.h"

class CLexiconDlg : public CDialog {
 public:
  struct Lexicon {
    SSCE_S16 id;
    CString name;
  };
  CLexiconDlg(CWnd* pParent, SSCE_S16 session, std::vector<Lexicon> lexicons);

  // The six actions of the "Action" list, in its order.
  static SSCE_S16 ActionOf(int nIndex);
  static int IndexOf(SSCE_S16 action);

  CString m_strCorrect;
  int m_nAction = -1;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  const AFX_MSGMAP* GetMessageMap() const override;

 private:
  void LoadLexicon();
  void ShowWord(const CString& word);
  void OnSelectWord();
  void OnEditWord();
  void OnAdd();
  void OnApply();
  void OnDelete();
  SSCE_S16 Selected() const;
  CString WordField() const;
  // FALSE, after telling the user, when a change action has no correct
  // spelling: the engine would replace the word with nothing.
  BOOL ChangeHasItsSpelling();
  void EnableButtons(BOOL bAdd, BOOL bApplyDelete);

  SSCE_S16 m_nSession;
  BOOL m_bFollowing = FALSE;
  std::vector<Lexicon> m_lexicons;
};
