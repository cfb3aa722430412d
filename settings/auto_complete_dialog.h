// CAutoCompleteDlg: the modal dialog behind CAutoCompleteOptions::
// DoModalDialog, where the user turns the switches, sets after how many
// characters (0 to 10) a word is offered, and adds and deletes words.
//
// OK refuses a count out of range with the standard validation message and
// keeps the dialog open; otherwise it replaces the options' word list with
// the list box's entries in the order shown, empty ones dropped, and leaves
// the switches and count in the members for the caller to take. Cancel
// touches nothing.
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/font.h"
#include "settings/auto_complete_options.h"

class KELM_EXPORT CAutoCompleteDlg : public CDialog {
 public:
  explicit CAutoCompleteDlg(CAutoCompleteOptions& options, CWnd* pParent = nullptr);

  int m_bLoadHistory = 0;
  int m_bEnabled = 0;
  int m_nNumChars = 4;
  CString m_strNewWord;
  CListBox m_lbWords;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  const AFX_MSGMAP* GetMessageMap() const override;

 private:
  void OnAdd();
  void OnDelete();

  CAutoCompleteOptions& m_options;
  CFont m_font;
};
