#include "platform/ui/wnd.h"

#include <algorithm>
#include <vector>

#include "platform/ui/dialog.h"
#include "platform/ui/window_state.h"

namespace {

bool entry_matches(const AFX_MSGMAP_ENTRY& entry, UINT message, WPARAM wParam) {
  if (entry.nMessage != message) return false;
  if (message != WM_COMMAND) return true;
  const UINT id = LOWORD(wParam);
  return entry.nCode == HIWORD(wParam) && id >= entry.nID && id <= entry.nLastID;
}

const AFX_MSGMAP_ENTRY* find_entry(const AFX_MSGMAP* map, UINT message, WPARAM wParam) {
  for (; map != nullptr; map = map->pBaseMap)
    for (const AFX_MSGMAP_ENTRY& entry : map->lpEntries)
      if (entry_matches(entry, message, wParam)) return &entry;
  return nullptr;
}

}  // namespace

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID) {
  if (m_hWnd != nullptr) return FALSE;
  HWND w = CreateWindowExA(0, lpszClassName, lpszWindowName, dwStyle & ~WS_VISIBLE, rect.left,
                           rect.top, rect.right - rect.left, rect.bottom - rect.top,
                           pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), nullptr, nullptr);
  if (w == nullptr || !Attach(w)) return FALSE;
  if ((dwStyle & WS_VISIBLE) != 0) ::ShowWindow(w, SW_SHOWNA);
  return TRUE;
}

BOOL CWnd::DestroyWindow() { return ::DestroyWindow(m_hWnd); }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    if (pResult != nullptr) *pResult = 0;
    return TRUE;
  }
  const AFX_MSGMAP_ENTRY* entry = find_entry(GetMessageMap(), message, wParam);
  if (entry == nullptr) return FALSE;
  const LRESULT result = entry->pfn(this, wParam, lParam);
  if (pResult != nullptr) *pResult = result;
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  const AFX_MSGMAP_ENTRY* entry = find_entry(GetMessageMap(), WM_COMMAND, wParam);
  if (entry == nullptr) return FALSE;
  entry->pfn(this, wParam, lParam);
  return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND w = kelm::ui::live(m_hWnd);
  return w != nullptr ? kelm::ui::class_procedure(w, message, wParam, lParam) : 0;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

void CWnd::PostNcDestroy() {}

const AFX_MSGMAP* CWnd::GetMessageMap() const {
  static const AFX_MSGMAP map;
  return &map;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const CUserException&) {
    return FALSE;
  }
  return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
int CWnd::SetDlgCtrlID(int nID) { return ::SetWindowLongA(m_hWnd, GWL_ID, nID); }
CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }

CWnd* CWnd::GetTopLevelParent() const {
  HWND w = kelm::ui::live(m_hWnd);
  return FromHandle(kelm::ui::top_level(w));
}

CWnd* CWnd::GetWindow(UINT nCmd) const { return FromHandle(::GetWindow(m_hWnd, nCmd)); }

CWnd* CWnd::GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious) const {
  return FromHandle(
      ::GetNextDlgTabItem(m_hWnd, pWndCtl != nullptr ? pWndCtl->m_hWnd : nullptr, bPrevious));
}

CWnd* CWnd::GetNextDlgGroupItem(CWnd* pWndCtl, BOOL bPrevious) const {
  return FromHandle(
      ::GetNextDlgGroupItem(m_hWnd, pWndCtl != nullptr ? pWndCtl->m_hWnd : nullptr, bPrevious));
}

DWORD CWnd::GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
DWORD CWnd::GetExStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_EXSTYLE)); }

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT) {
  if (kelm::ui::live(m_hWnd) == nullptr) return FALSE;
  const DWORD style = GetStyle();
  const DWORD changed = (style & ~dwRemove) | dwAdd;
  if (changed == style) return FALSE;
  ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(changed));
  return TRUE;
}

void CWnd::SetWindowText(LPCTSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const {
  return ::GetWindowTextA(m_hWnd, lpszStringBuf, nMaxCount);
}

void CWnd::GetWindowText(CString& rString) const {
  std::vector<char> buffer(static_cast<size_t>(GetWindowTextLength()) + 1);
  const int count = ::GetWindowTextA(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
  rString = CString(buffer.data(), count);
}

int CWnd::GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }
void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString) {
  ::SetDlgItemTextA(m_hWnd, nID, lpszString);
}

int CWnd::GetDlgItemText(int nID, CString& rString) const {
  rString.Empty();
  if (CWnd* item = GetDlgItem(nID)) item->GetWindowText(rString);
  return rString.GetLength();
}

void CWnd::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned) {
  CString text;
  if (bSigned)
    text.Format("%d", static_cast<int>(nValue));
  else
    text.Format("%u", nValue);
  SetDlgItemText(nID, text);
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const {
  CString text;
  GetDlgItemText(nID, text);
  text.Trim();
  const char* p = text;
  bool negative = false;
  if (bSigned && *p == '-') {
    negative = true;
    ++p;
  }
  long long value = 0;
  const char* digits = p;
  while (*p >= '0' && *p <= '9' && value <= 0xFFFFFFFFLL) value = value * 10 + (*p++ - '0');
  const bool ok =
      p != digits && *p == '\0' &&
      (bSigned ? value <= (negative ? 0x80000000LL : 0x7FFFFFFFLL) : value <= 0xFFFFFFFFLL);
  if (lpTrans != nullptr) *lpTrans = ok;
  if (!ok) return 0;
  return static_cast<UINT>(negative ? -value : value);
}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck) {
  ::CheckDlgButton(m_hWnd, nIDButton, nCheck);
}
UINT CWnd::IsDlgButtonChecked(int nIDButton) const {
  return ::IsDlgButtonChecked(m_hWnd, nIDButton);
}
LRESULT CWnd::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendDlgItemMessageA(m_hWnd, nID, message, wParam, lParam);
}

BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
  m_pFont = pFont;
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(pFont != nullptr ? pFont->m_hObject : nullptr),
              bRedraw);
}

CFont* CWnd::GetFont() const {
  const auto font = reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT));
  return m_pFont != nullptr && m_pFont->m_hObject == font ? m_pFont : nullptr;
}

void CWnd::GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
void CWnd::GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
  return ::SetWindowPos(m_hWnd, pWndInsertAfter != nullptr ? pWndInsertAfter->m_hWnd : nullptr, x,
                        y, cx, cy, nFlags);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
  ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
  MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top,
             bRepaint);
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const {
  RECT window;
  RECT client;
  if (!::GetWindowRect(m_hWnd, &window) || !::GetClientRect(m_hWnd, &client)) return;
  const bool framed = kelm::ui::has_frame(m_hWnd);
  lpPoint->x -= window.left + (framed ? kelm::ui::frame_x : 0);
  lpPoint->y -= window.top + (framed ? kelm::ui::frame_y : 0);
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const {
  POINT origin{0, 0};
  ScreenToClient(&origin);
  lpPoint->x -= origin.x;
  lpPoint->y -= origin.y;
}

void CWnd::Invalidate(BOOL bErase) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

int CWnd::SetScrollPos(int nBar, int nPos, BOOL) {
  HWND w = kelm::ui::live(m_hWnd);
  if (w == nullptr || (nBar != SB_HORZ && nBar != SB_VERT)) return 0;
  const int old = w->scroll_pos[nBar];
  w->scroll_pos[nBar] =
      std::clamp(nPos, w->scroll_min[nBar], std::max(w->scroll_min[nBar], w->scroll_max[nBar]));
  kelm::ui::changed(w);
  return old;
}

int CWnd::GetScrollPos(int nBar) const {
  HWND w = kelm::ui::live(m_hWnd);
  return w != nullptr && (nBar == SB_HORZ || nBar == SB_VERT) ? w->scroll_pos[nBar] : 0;
}

void CWnd::SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw) {
  HWND w = kelm::ui::live(m_hWnd);
  if (w == nullptr || (nBar != SB_HORZ && nBar != SB_VERT)) return;
  w->scroll_min[nBar] = nMinPos;
  w->scroll_max[nBar] = nMaxPos;
  SetScrollPos(nBar, w->scroll_pos[nBar], bRedraw);
}

void CWnd::GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const {
  HWND w = kelm::ui::live(m_hWnd);
  const bool ok = w != nullptr && (nBar == SB_HORZ || nBar == SB_VERT);
  if (lpMinPos != nullptr) *lpMinPos = ok ? w->scroll_min[nBar] : 0;
  if (lpMaxPos != nullptr) *lpMaxPos = ok ? w->scroll_max[nBar] : 0;
}

void CWnd::ShowScrollBar(UINT nBar, BOOL bShow) {
  const DWORD bits = nBar == SB_HORZ   ? WS_HSCROLL
                     : nBar == SB_VERT ? WS_VSCROLL
                                       : WS_HSCROLL | WS_VSCROLL;
  ModifyStyle(bShow ? 0 : bits, bShow ? bits : 0);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
  return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}
BOOL CWnd::KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }

BOOL AfxPreTranslateMessage(MSG* pMsg) {
  for (HWND w = kelm::ui::live(pMsg->hwnd); w != nullptr; w = kelm::ui::live(w->parent)) {
    if (CWnd* wnd = w->wnd; wnd != nullptr && wnd->PreTranslateMessage(pMsg)) return TRUE;
    if (kelm::ui::live(pMsg->hwnd) == nullptr) return TRUE;
  }
  return FALSE;
}

BOOL AfxPumpMessage() {
  MSG msg;
  if (!::GetMessageA(&msg, nullptr, 0, 0)) return FALSE;
  if (!AfxPreTranslateMessage(&msg)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return TRUE;
}
