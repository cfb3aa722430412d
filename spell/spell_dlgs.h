// The spelling checker's dialogs for what a check finds: the suggestion
// dialog for a misspelled word, the spacing dialog for wrong spacing between
// two words, and the options dialog. CSpellChecker creates and runs them;
// each lives for one call. Internal to the library: not installed.
#pragma once

#include "platform/string.h"
#include "platform/ui/dialog.h"
#include "platform/ui/font.h"

class CSpellChecker;

// "Correct Spelling": the word, up to fifteen numbered suggestions and the
// replacement; ends with an action code (m_nAction, m_nResult 1) or Quit
// (m_nResult 2). The digits 1 to 9 pick a suggestion and replace at once.
class CSuggestionDlg : public CDialog {
 public:
  CSuggestionDlg(CSpellChecker* pChecker, const CString& word, const CString* suggestions,
                 int count, int bNoAddIgnore, int bAllowRememberPosition);

  CString m_strWord;
  CString m_strReplacement;
  int m_nAction = 3;
  int m_nResult = 2;
  int m_bRunning = 0;
  int m_bModeless = 0;
  int m_bRememberPosition = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  const AFX_MSGMAP* GetMessageMap() const override;

 private:
  void OnSelectSuggestion();
  void OnPick(UINT nID);
  void OnReplace() { Act(0); }
  void OnIgnore() { Act(1); }
  void OnAdd();
  void OnSkip() { Act(3); }
  void OnReplaceAll() { Act(4); }
  void OnEditReplacement();
  void OnRememberPosition();
  void OnLexicons();
  void OnMove(int x, int y);
  void OnClose() { OnCancel(); }
  void Act(int nAction);
  void End(int nResult);

  CSpellChecker* m_pChecker;
  const CString* m_pSuggestions;
  int m_nCount;
  int m_bNoAddIgnore;
  int m_bAllowRememberPosition;
  int m_bKeyboardOK = 1;
  int m_bPositioning = 1;
  CFont m_font;
};

// "Double space error": the old spacing and the new one, each space shown as
// "#"; ends with 6 (Replace, the spaces given back), 7 (Skip) or 2 (Quit).
class CSpacingDlg : public CDialog {
 public:
  CSpacingDlg(const CString& oldSpacing, const CString& newSpacing);

  CString m_strOld;
  CString m_strNew;
  int m_nResult = 2;
  int m_bRunning = 0;
  int m_bModeless = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnCancel() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  const AFX_MSGMAP* GetMessageMap() const override;

 private:
  void OnReplace();
  void OnSkip() { End(7); }
  void OnUpdateNewSpacing();
  void OnMove(int x, int y);
  void OnClose() { OnCancel(); }
  void End(int nResult);

  int m_bPositioning = 1;
  int m_bConverting = 0;
};

// "Spell Checker Options": the thirteen check boxes and the suggestion
// depth, exchanged with the members; the caller fills and reads them.
class CSpellOptionsDlg : public CDialog {
 public:
  explicit CSpellOptionsDlg(CWnd* pParent);

  int m_bIgnoreCapitalized = 0;
  int m_bIgnoreAllCaps = 0;
  int m_bIgnoreNumbers = 0;
  int m_bIgnoreMixedCase = 0;
  int m_bReportDoubled = 0;
  int m_bCaseSensitive = 0;
  int m_bPhonetic = 0;
  int m_bTypographical = 0;
  int m_bSplitWords = 0;
  int m_bAutoCorrect = 0;
  int m_bReportSpacing = 0;
  int m_bReportDoubleQorA = 0;
  int m_bConfirm = 0;
  int m_nDepth = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
};
