// MFC's dialog: CDialog, and the data exchange that moves values between a
// dialog's members and its controls (CDataExchange, DDX_*, DDV_*).
//
// DoModal creates the dialog from its registered template, calls
// OnInitDialog, shows it through the active front end and runs a message loop
// until EndDialog; it returns the end code, or -1 when the dialog cannot be
// created (no such template, or no front end to show it). While it runs, its
// owner (GW_OWNER) is disabled: the top-level window of pParentWnd, or with
// no parent the window active when DoModal began. Create makes the
// same dialog modeless: the caller's loop (the host's PumpMessage and OnIdle)
// then runs it, and DestroyWindow ends it. The dialog's code runs on the
// thread that created it.
#pragma once

#include "platform/exception.h"
#include "platform/export.h"
#include "platform/message.h"
#include "platform/string.h"
#include "platform/ui/wnd.h"

class KELM_EXPORT CDialog : public CWnd {
 public:
  CDialog() = default;
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

  virtual INT_PTR DoModal();
  virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  // Ends a modal dialog with nResult, or hides a modeless one (which the
  // caller still destroys).
  void EndDialog(int nResult);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  BOOL PreTranslateMessage(MSG* pMsg) override;

  void GotoDlgCtrl(CWnd* pWndCtrl);
  void NextDlgCtrl() const;
  void PrevDlgCtrl() const;
  void SetDefID(UINT nID);
  DWORD GetDefID() const;
  void MapDialogRect(LPRECT lpRect) const;

  UINT m_nIDHelp = 0;
  UINT m_nIDTemplate = 0;
  CWnd* m_pParentWnd = nullptr;

 protected:
  const AFX_MSGMAP* GetMessageMap() const override;

 private:
  BOOL CreateFromTemplate(UINT nIDTemplate, HWND hWndParent);
  LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
};

// Thrown by CDataExchange::Fail after validation refused a value; UpdateData
// catches it.
class KELM_EXPORT CUserException : public CException {};
[[noreturn]] KELM_EXPORT void AfxThrowUserException();

class KELM_EXPORT CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

  // The control's handle, remembered as the one validation returns to.
  HWND PrepareCtrl(int nIDC);
  HWND PrepareEditCtrl(int nIDC);
  // Puts the focus back on the last prepared control (an edit's text
  // selected) and throws CUserException.
  [[noreturn]] void Fail();

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  HWND m_hWndLastControl = nullptr;
  BOOL m_bEditLastControl = FALSE;
};

// Exchange: each loads the control from the value, or, when saving, the value
// from the control. A number that does not read refuses with a message.
KELM_EXPORT void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
KELM_EXPORT void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
KELM_EXPORT void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
KELM_EXPORT void DDX_Text(CDataExchange* pDX, int nIDC, long& value);
KELM_EXPORT void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
KELM_EXPORT void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
KELM_EXPORT void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value);
KELM_EXPORT void DDX_LBStringExact(CDataExchange* pDX, int nIDC, CString& value);
KELM_EXPORT void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
KELM_EXPORT void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
KELM_EXPORT void DDX_Slider(CDataExchange* pDX, int nIDC, int& value);
// Attaches rControl to the control on the first exchange.
KELM_EXPORT void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// Validation, when saving: a value outside the range shows MFC's message
// ("Please enter an integer between 0 and 10.") and fails the exchange.
KELM_EXPORT void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
KELM_EXPORT void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
KELM_EXPORT void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);
