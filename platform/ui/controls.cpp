#include "platform/ui/controls.h"

#include <memory>
#include <vector>

#include "platform/ui/window_state.h"

namespace {

WPARAM index_arg(int nIndex) { return static_cast<WPARAM>(static_cast<INT_PTR>(nIndex)); }
LPARAM text_arg(LPCTSTR text) { return reinterpret_cast<LPARAM>(text); }

void item_text(const CWnd* wnd, UINT length_message, UINT text_message, int nIndex,
               CString& rString) {
  const auto length = static_cast<int>(wnd->SendMessage(length_message, index_arg(nIndex)));
  if (length < 0) {
    rString.Empty();
    return;
  }
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  wnd->SendMessage(text_message, index_arg(nIndex), reinterpret_cast<LPARAM>(buffer.data()));
  rString = CString(buffer.data(), length);
}

}  // namespace

BOOL CStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                     UINT nID) {
  return CWnd::Create("STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
}

BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                     UINT nID) {
  return CWnd::Create("BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}
int CButton::GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
void CButton::SetCheck(int nCheck) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
UINT CButton::GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
void CButton::SetState(BOOL bHighlight) { SendMessage(BM_SETSTATE, bHighlight); }
UINT CButton::GetButtonStyle() const { return GetStyle() & 0xFFFF; }
void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw) {
  SendMessage(BM_SETSTYLE, nStyle, bRedraw);
}

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create("EDIT", nullptr, dwStyle, rect, pParentWnd, nID);
}
void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
  DWORD start = 0;
  DWORD end = 0;
  SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  nStartChar = static_cast<int>(start);
  nEndChar = static_cast<int>(end);
}
DWORD CEdit::GetSel() const { return static_cast<DWORD>(SendMessage(EM_GETSEL)); }
void CEdit::SetSel(int nStartChar, int nEndChar, BOOL) {
  SendMessage(EM_SETSEL, index_arg(nStartChar), nEndChar);
}
void CEdit::ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo) {
  SendMessage(EM_REPLACESEL, bCanUndo, text_arg(lpszNewText));
}
void CEdit::LimitText(int nChars) { SendMessage(EM_LIMITTEXT, index_arg(nChars)); }
void CEdit::SetLimitText(UINT nMax) { SendMessage(EM_SETLIMITTEXT, nMax); }
UINT CEdit::GetLimitText() const { return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT)); }
BOOL CEdit::SetReadOnly(BOOL bReadOnly) {
  return static_cast<BOOL>(SendMessage(EM_SETREADONLY, bReadOnly));
}
BOOL CEdit::GetModify() const { return static_cast<BOOL>(SendMessage(EM_GETMODIFY)); }
void CEdit::SetModify(BOOL bModified) { SendMessage(EM_SETMODIFY, bModified); }

BOOL CListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create("LISTBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}
int CListBox::GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
int CListBox::GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
int CListBox::SetCurSel(int nSelect) {
  return static_cast<int>(SendMessage(LB_SETCURSEL, index_arg(nSelect)));
}
int CListBox::GetSel(int nIndex) const {
  return static_cast<int>(SendMessage(LB_GETSEL, index_arg(nIndex)));
}
int CListBox::GetTopIndex() const { return static_cast<int>(SendMessage(LB_GETTOPINDEX)); }
int CListBox::SetTopIndex(int nIndex) {
  return static_cast<int>(SendMessage(LB_SETTOPINDEX, index_arg(nIndex)));
}
int CListBox::GetText(int nIndex, LPTSTR lpszBuffer) const {
  return static_cast<int>(
      SendMessage(LB_GETTEXT, index_arg(nIndex), reinterpret_cast<LPARAM>(lpszBuffer)));
}
void CListBox::GetText(int nIndex, CString& rString) const {
  item_text(this, LB_GETTEXTLEN, LB_GETTEXT, nIndex, rString);
}
int CListBox::GetTextLen(int nIndex) const {
  return static_cast<int>(SendMessage(LB_GETTEXTLEN, index_arg(nIndex)));
}
DWORD_PTR CListBox::GetItemData(int nIndex) const {
  return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, index_arg(nIndex)));
}
int CListBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
  return static_cast<int>(
      SendMessage(LB_SETITEMDATA, index_arg(nIndex), static_cast<LPARAM>(dwItemData)));
}
BOOL CListBox::SetTabStops(int nTabStops, LPINT rgTabStops) {
  return static_cast<BOOL>(
      SendMessage(LB_SETTABSTOPS, index_arg(nTabStops), reinterpret_cast<LPARAM>(rgTabStops)));
}
BOOL CListBox::SetTabStops(const int& cxEachStop) {
  return SetTabStops(1, const_cast<LPINT>(&cxEachStop));
}
int CListBox::AddString(LPCTSTR lpszItem) {
  return static_cast<int>(SendMessage(LB_ADDSTRING, 0, text_arg(lpszItem)));
}
int CListBox::DeleteString(UINT nIndex) {
  return static_cast<int>(SendMessage(LB_DELETESTRING, nIndex));
}
int CListBox::InsertString(int nIndex, LPCTSTR lpszItem) {
  return static_cast<int>(SendMessage(LB_INSERTSTRING, index_arg(nIndex), text_arg(lpszItem)));
}
void CListBox::ResetContent() { SendMessage(LB_RESETCONTENT); }
int CListBox::FindString(int nStartAfter, LPCTSTR lpszItem) const {
  return static_cast<int>(SendMessage(LB_FINDSTRING, index_arg(nStartAfter), text_arg(lpszItem)));
}
int CListBox::FindStringExact(int nIndexStart, LPCTSTR lpszFind) const {
  return static_cast<int>(
      SendMessage(LB_FINDSTRINGEXACT, index_arg(nIndexStart), text_arg(lpszFind)));
}
int CListBox::SelectString(int nStartAfter, LPCTSTR lpszItem) {
  return static_cast<int>(SendMessage(LB_SELECTSTRING, index_arg(nStartAfter), text_arg(lpszItem)));
}

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create("COMBOBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}
int CComboBox::GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
int CComboBox::GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
int CComboBox::SetCurSel(int nSelect) {
  return static_cast<int>(SendMessage(CB_SETCURSEL, index_arg(nSelect)));
}
DWORD CComboBox::GetEditSel() const { return static_cast<DWORD>(SendMessage(CB_GETEDITSEL)); }
BOOL CComboBox::SetEditSel(int nStartChar, int nEndChar) {
  return static_cast<BOOL>(SendMessage(
      CB_SETEDITSEL, 0, MAKELPARAM(static_cast<WORD>(nStartChar), static_cast<WORD>(nEndChar))));
}
BOOL CComboBox::LimitText(int nMaxChars) {
  return static_cast<BOOL>(SendMessage(CB_LIMITTEXT, index_arg(nMaxChars)));
}
int CComboBox::GetLBText(int nIndex, LPTSTR lpszText) const {
  return static_cast<int>(
      SendMessage(CB_GETLBTEXT, index_arg(nIndex), reinterpret_cast<LPARAM>(lpszText)));
}
void CComboBox::GetLBText(int nIndex, CString& rString) const {
  item_text(this, CB_GETLBTEXTLEN, CB_GETLBTEXT, nIndex, rString);
}
int CComboBox::GetLBTextLen(int nIndex) const {
  return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, index_arg(nIndex)));
}
DWORD_PTR CComboBox::GetItemData(int nIndex) const {
  return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, index_arg(nIndex)));
}
int CComboBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
  return static_cast<int>(
      SendMessage(CB_SETITEMDATA, index_arg(nIndex), static_cast<LPARAM>(dwItemData)));
}
void CComboBox::ShowDropDown(BOOL bShowIt) { SendMessage(CB_SHOWDROPDOWN, bShowIt); }
BOOL CComboBox::GetDroppedState() const {
  return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE));
}
int CComboBox::AddString(LPCTSTR lpszString) {
  return static_cast<int>(SendMessage(CB_ADDSTRING, 0, text_arg(lpszString)));
}
int CComboBox::DeleteString(UINT nIndex) {
  return static_cast<int>(SendMessage(CB_DELETESTRING, nIndex));
}
int CComboBox::InsertString(int nIndex, LPCTSTR lpszString) {
  return static_cast<int>(SendMessage(CB_INSERTSTRING, index_arg(nIndex), text_arg(lpszString)));
}
void CComboBox::ResetContent() { SendMessage(CB_RESETCONTENT); }
int CComboBox::FindString(int nStartAfter, LPCTSTR lpszString) const {
  return static_cast<int>(SendMessage(CB_FINDSTRING, index_arg(nStartAfter), text_arg(lpszString)));
}
int CComboBox::FindStringExact(int nIndexStart, LPCTSTR lpszFind) const {
  return static_cast<int>(
      SendMessage(CB_FINDSTRINGEXACT, index_arg(nIndexStart), text_arg(lpszFind)));
}
int CComboBox::SelectString(int nStartAfter, LPCTSTR lpszString) {
  return static_cast<int>(
      SendMessage(CB_SELECTSTRING, index_arg(nStartAfter), text_arg(lpszString)));
}

BOOL CSliderCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(TRACKBAR_CLASSA, nullptr, dwStyle, rect, pParentWnd, nID);
}
int CSliderCtrl::GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
void CSliderCtrl::SetPos(int nPos) { SendMessage(TBM_SETPOS, TRUE, nPos); }
int CSliderCtrl::GetRangeMin() const { return static_cast<int>(SendMessage(TBM_GETRANGEMIN)); }
int CSliderCtrl::GetRangeMax() const { return static_cast<int>(SendMessage(TBM_GETRANGEMAX)); }
void CSliderCtrl::GetRange(int& nMin, int& nMax) const {
  nMin = GetRangeMin();
  nMax = GetRangeMax();
}
void CSliderCtrl::SetRange(int nMin, int nMax, BOOL bRedraw) {
  SendMessage(TBM_SETRANGEMIN, FALSE, nMin);
  SendMessage(TBM_SETRANGEMAX, bRedraw, nMax);
}
void CSliderCtrl::SetRangeMin(int nMin, BOOL bRedraw) {
  SendMessage(TBM_SETRANGEMIN, bRedraw, nMin);
}
void CSliderCtrl::SetRangeMax(int nMax, BOOL bRedraw) {
  SendMessage(TBM_SETRANGEMAX, bRedraw, nMax);
}
int CSliderCtrl::GetLineSize() const { return static_cast<int>(SendMessage(TBM_GETLINESIZE)); }
int CSliderCtrl::SetLineSize(int nSize) {
  return static_cast<int>(SendMessage(TBM_SETLINESIZE, 0, nSize));
}
int CSliderCtrl::GetPageSize() const { return static_cast<int>(SendMessage(TBM_GETPAGESIZE)); }
int CSliderCtrl::SetPageSize(int nSize) {
  return static_cast<int>(SendMessage(TBM_SETPAGESIZE, 0, nSize));
}
BOOL CSliderCtrl::SetTic(int nTic) { return static_cast<BOOL>(SendMessage(TBM_SETTIC, 0, nTic)); }
void CSliderCtrl::SetTicFreq(int nFreq) { SendMessage(TBM_SETTICFREQ, index_arg(nFreq)); }
void CSliderCtrl::ClearTics(BOOL bRedraw) { SendMessage(TBM_CLEARTICS, bRedraw); }
UINT CSliderCtrl::GetNumTics() const { return static_cast<UINT>(SendMessage(TBM_GETNUMTICS)); }

namespace kelm::ui {

std::unique_ptr<CWnd> make_temporary(HWND window) {
  std::unique_ptr<CWnd> wnd;
  if (is_class(window, "BUTTON"))
    wnd = std::make_unique<CButton>();
  else if (is_class(window, "EDIT"))
    wnd = std::make_unique<CEdit>();
  else if (is_class(window, "STATIC"))
    wnd = std::make_unique<CStatic>();
  else if (is_class(window, "LISTBOX"))
    wnd = std::make_unique<CListBox>();
  else if (is_class(window, "COMBOBOX"))
    wnd = std::make_unique<CComboBox>();
  else if (is_class(window, TRACKBAR_CLASSA))
    wnd = std::make_unique<CSliderCtrl>();
  else
    wnd = std::make_unique<CWnd>();
  wnd->m_hWnd = window;
  return wnd;
}

}  // namespace kelm::ui
