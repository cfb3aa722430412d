#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/message.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"

namespace {

CString control_text(HWND control) {
  CString text;
  if (CWnd* wnd = CWnd::FromHandle(control)) wnd->GetWindowText(text);
  return text;
}

// Reads a whole signed number, blanks around it allowed, as MFC's scanf-based
// reading does; FALSE for anything else or a number out of range.
bool read_number(const CString& text, long long low, long long high, long long* value) {
  CString trimmed = text;
  trimmed.Trim();
  if (trimmed.IsEmpty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long read = std::strtoll(trimmed, &end, 10);
  if (errno != 0 || *end != '\0' || read < low || read > high) return false;
  *value = read;
  return true;
}

template <class Number>
void exchange_number(CDataExchange* pDX, int nIDC, Number& value, long long low, long long high,
                     const char* format, LPCTSTR refusal) {
  HWND control = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    long long read = 0;
    if (!read_number(control_text(control), low, high, &read)) {
      AfxMessageBox(refusal, MB_ICONEXCLAMATION);
      pDX->Fail();
    }
    value = static_cast<Number>(read);
  } else {
    CString text;
    text.Format(format, value);
    SetWindowTextA(control, text);
  }
}

void refuse_range(CDataExchange* pDX, const CString& low, const CString& high) {
  CString prompt;
  prompt.Format("Please enter an integer between %s and %s.", low.GetString(), high.GetString());
  AfxMessageBox(prompt, MB_ICONEXCLAMATION);
  pDX->Fail();
}

}  // namespace

void AfxThrowUserException() { throw CUserException(); }

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

HWND CDataExchange::PrepareCtrl(int nIDC) {
  HWND control = ::GetDlgItem(m_pDlgWnd->GetSafeHwnd(), nIDC);
  m_hWndLastControl = control;
  m_bEditLastControl = FALSE;
  return control;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
  HWND control = PrepareCtrl(nIDC);
  m_bEditLastControl = TRUE;
  return control;
}

void CDataExchange::Fail() {
  if (m_bSaveAndValidate && m_hWndLastControl != nullptr) {
    ::SetFocus(m_hWndLastControl);
    if (m_bEditLastControl) SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
  }
  AfxThrowUserException();
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  HWND control = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate)
    value = control_text(control);
  else
    SetWindowTextA(control, value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
  exchange_number(pDX, nIDC, value, -2147483648LL, 2147483647LL, "%d", "Please enter an integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
  exchange_number(pDX, nIDC, value, 0, 4294967295LL, "%u", "Please enter a positive integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, long& value) {
  exchange_number(pDX, nIDC, value, -2147483648LL, 2147483647LL, "%ld", "Please enter an integer.");
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate)
    value = static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0));
  else
    SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate)
    index = static_cast<int>(SendMessageA(control, LB_GETCURSEL, 0, 0));
  else
    SendMessageA(control, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value) {
  HWND control = pDX->PrepareCtrl(nIDC);
  CListBox* list = static_cast<CListBox*>(CWnd::FromHandle(control));
  if (list == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    const int selected = list->GetCurSel();
    if (selected >= 0)
      list->GetText(selected, value);
    else
      value.Empty();
  } else if (list->SelectString(-1, value) == LB_ERR) {
    list->SetCurSel(-1);
  }
}

void DDX_LBStringExact(CDataExchange* pDX, int nIDC, CString& value) {
  HWND control = pDX->PrepareCtrl(nIDC);
  CListBox* list = static_cast<CListBox*>(CWnd::FromHandle(control));
  if (list == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    DDX_LBString(pDX, nIDC, value);
  } else {
    list->SetCurSel(list->FindStringExact(-1, value));
  }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate)
    index = static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0));
  else
    SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value) {
  HWND control = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    value = control_text(control);
  } else if ((GetWindowLongA(control, GWL_STYLE) & 3) == CBS_DROPDOWNLIST) {
    SendMessageA(control, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(value.GetString()));
  } else {
    SetWindowTextA(control, value);
  }
}

void DDX_Slider(CDataExchange* pDX, int nIDC, int& value) {
  HWND control = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate)
    value = static_cast<int>(SendMessageA(control, TBM_GETPOS, 0, 0));
  else
    SendMessageA(control, TBM_SETPOS, TRUE, value);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd != nullptr) return;
  HWND control = pDX->PrepareCtrl(nIDC);
  if (control == nullptr || !rControl.SubclassWindow(control)) pDX->Fail();
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
  if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  CString low;
  CString high;
  low.Format("%d", minVal);
  high.Format("%d", maxVal);
  refuse_range(pDX, low, high);
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) {
  if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  CString low;
  CString high;
  low.Format("%u", minVal);
  high.Format("%u", maxVal);
  refuse_range(pDX, low, high);
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars) {
  if (!pDX->m_bSaveAndValidate) {
    if (pDX->m_hWndLastControl != nullptr)
      SendMessageA(pDX->m_hWndLastControl, EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
    return;
  }
  if (value.GetLength() <= nChars) return;
  CString prompt;
  prompt.Format("Enter no more than %d characters.", nChars);
  AfxMessageBox(prompt, MB_ICONEXCLAMATION);
  pDX->Fail();
}
