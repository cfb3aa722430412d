// CKMSpecialChars: lets the editor's user insert a character the keyboard
// does not offer, picked from the upper half of the ANSI code page (bytes 161
// to 255) in a small modal dialog.
//
// The dialog opens on the list position chosen last time, kept in the host's
// profile ("GeneralOptions", "Last Special Char"); without a host application
// object it opens on the first item and remembers nothing.
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/font.h"

class KELM_EXPORT CKMSpecialChars {
 public:
  CKMSpecialChars() = default;
  CKMSpecialChars(const CKMSpecialChars&) = default;
  CKMSpecialChars& operator=(const CKMSpecialChars&) = default;
  virtual ~CKMSpecialChars() = default;

  // The one character chosen with OK, or "" when the user cancels (or chose
  // OK with nothing selected).
  static CString GetSpecialChar();
};

// The dialog behind GetSpecialChar: the characters in a sorted list in a
// large bold font. OK stores the selected text in m_strChar and its list
// position in the profile; Cancel reads and stores nothing.
class KELM_EXPORT CSpecialCharDlg : public CDialog {
 public:
  explicit CSpecialCharDlg(CWnd* pParent = nullptr);

  CString m_strChar;
  CListBox m_lbChars;
  CFont m_fontList;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
};
