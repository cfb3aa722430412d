// CWnd, MFC's window object, and its message maps.
//
// A CWnd is attached to at most one window handle (HWND). Messages to an
// attached handle go to the object's WindowProc, which looks the message up in
// the class's message map and otherwise runs the handle's built-in behaviour
// (DefWindowProc). Handles without an object (the controls of a dialog that
// no DDX_Control bound) get a temporary object from FromHandle, which lives
// as long as its handle and is of the control class that matches the
// window's (a CListBox for a list box), so MFC's cast of GetDlgItem's result
// to that class holds.
//
// Message maps are tables, built by functions named as MFC's macros, each
// taking the handler's member-function pointer:
//
//   const AFX_MSGMAP* CMyDlg::GetMessageMap() const {
//     static const AFX_MSGMAP map{CDialog::GetMessageMap(), {
//         ON_BN_CLICKED(IDC_ADD, &CMyDlg::OnAdd),
//         ON_LBN_SELCHANGE(IDC_WORDS, &CMyDlg::OnSelChangeWords),
//         ON_WM_TIMER(&CMyDlg::OnTimer)}};
//     return &map;
//   }
//
// A class's entries are searched before its base's. Everything runs on the
// user-interface thread.
#pragma once

#include <functional>
#include <vector>

#include "platform/export.h"
#include "platform/object.h"
#include "platform/string.h"
#include "platform/ui/font.h"
#include "platform/geometry.h"
#include "platform/ui/win_user.h"

class CWnd;
class CScrollBar;
class CDataExchange;

struct AFX_MSGMAP_ENTRY {
  UINT nMessage = 0;
  UINT nCode = 0;  // WM_COMMAND's notification code
  UINT nID = 0;    // WM_COMMAND's first and last control IDs
  UINT nLastID = 0;
  std::function<LRESULT(CWnd*, WPARAM, LPARAM)> pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* pBaseMap = nullptr;
  std::vector<AFX_MSGMAP_ENTRY> lpEntries;
};

inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;
inline constexpr int SB_BOTH = 3;

class KELM_EXPORT CWnd : public CObject {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  // Destroys a window still attached, as MFC does.
  ~CWnd() override;

  // The attached object of hWnd, else a temporary one that lives as long as
  // the handle; nullptr for a null or destroyed handle.
  static CWnd* FromHandle(HWND hWnd);
  static CWnd* FromHandlePermanent(HWND hWnd);
  BOOL Attach(HWND hWndNew);
  HWND Detach();
  // Attaches this object to an existing window, which then routes its
  // messages through this object's map (DDX_Control does this).
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return GetSafeHwnd(); }  // NOLINT: as MFC

  BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
              CWnd* pParentWnd, UINT nID);
  virtual BOOL DestroyWindow();

  // Message handling.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // Called for each message the loop takes, from the target window up to its
  // top level, before it is dispatched; TRUE consumes it.
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  // Called when the handle is gone; objects that delete themselves do it here.
  virtual void PostNcDestroy();
  virtual const AFX_MSGMAP* GetMessageMap() const;

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  // Data exchange: UpdateData(TRUE) stores the controls into the members,
  // FALSE shows the members in the controls; FALSE when validation refused.
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange* pDX);

  // Tree and identity.
  CWnd* GetDlgItem(int nID) const;
  int GetDlgCtrlID() const;
  int SetDlgCtrlID(int nID);
  CWnd* GetParent() const;
  CWnd* GetTopLevelParent() const;
  CWnd* GetWindow(UINT nCmd) const;
  CWnd* GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const;
  CWnd* GetNextDlgGroupItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const;
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);

  // Text.
  void SetWindowText(LPCTSTR lpszString);
  int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
  void GetWindowText(CString& rString) const;
  int GetWindowTextLength() const;
  void SetDlgItemText(int nID, LPCTSTR lpszString);
  int GetDlgItemText(int nID, CString& rString) const;
  void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE);
  UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const;
  void CheckDlgButton(int nIDButton, UINT nCheck);
  UINT IsDlgButtonChecked(int nIDButton) const;
  LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  // State.
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const;
  CWnd* SetFocus();
  static CWnd* GetFocus();
  void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
  CFont* GetFont() const;

  // Geometry, in pixels (half dialog units).
  void GetWindowRect(LPRECT lpRect) const;
  void GetClientRect(LPRECT lpRect) const;
  BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
  void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
  void ScreenToClient(LPPOINT lpPoint) const;
  void ClientToScreen(LPPOINT lpPoint) const;
  void Invalidate(BOOL bErase = TRUE);
  void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
  void UpdateWindow();

  // Scroll bars of a window with WS_VSCROLL or WS_HSCROLL.
  int SetScrollPos(int nBar, int nPos, BOOL bRedraw = TRUE);
  int GetScrollPos(int nBar) const;
  void SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw = TRUE);
  void GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const;
  void ShowScrollBar(UINT nBar, BOOL bShow = TRUE);

  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr);
  BOOL KillTimer(UINT_PTR nIDEvent);

  HWND m_hWnd = nullptr;

 private:
  CFont* m_pFont = nullptr;  // the object GetFont returns for a font this object set
};

// Win32's scroll bar control is not provided; the type is there for the
// scroll handlers' signatures (a trackbar arrives as it, as in MFC).
class KELM_EXPORT CScrollBar : public CWnd {};

// MFC's wait cursor, shown while a dialog does slow work. A front end
// without a pointer shows nothing; the type is there for the dialogs' code.
class KELM_EXPORT CWaitCursor {
 public:
  CWaitCursor() = default;
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
  void Restore() {}
};

// Message-map entries. Command handlers take no arguments; window-message
// handlers take MFC's arguments for the message.
template <class T>
AFX_MSGMAP_ENTRY ON_COMMAND(UINT nID, void (T::*pfn)()) {
  return {WM_COMMAND, 0, nID, nID, [pfn](CWnd* w, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T*>(w)->*pfn)();
            return 0;
          }};
}
template <class T>
AFX_MSGMAP_ENTRY ON_COMMAND_RANGE(UINT nFirst, UINT nLast, void (T::*pfn)(UINT)) {
  return {WM_COMMAND, 0, nFirst, nLast, [pfn](CWnd* w, WPARAM wp, LPARAM) -> LRESULT {
            (static_cast<T*>(w)->*pfn)(LOWORD(wp));
            return 0;
          }};
}
template <class T>
AFX_MSGMAP_ENTRY ON_CONTROL(UINT nCode, UINT nID, void (T::*pfn)()) {
  return {WM_COMMAND, nCode, nID, nID, [pfn](CWnd* w, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T*>(w)->*pfn)();
            return 0;
          }};
}
template <class T>
AFX_MSGMAP_ENTRY ON_BN_CLICKED(UINT nID, void (T::*pfn)()) {
  return ON_CONTROL(BN_CLICKED, nID, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_EN_CHANGE(UINT nID, void (T::*pfn)()) {
  return ON_CONTROL(EN_CHANGE, nID, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_EN_UPDATE(UINT nID, void (T::*pfn)()) {
  return ON_CONTROL(EN_UPDATE, nID, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_EN_SETFOCUS(UINT nID, void (T::*pfn)()) {
  return ON_CONTROL(EN_SETFOCUS, nID, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_LBN_SELCHANGE(UINT nID, void (T::*pfn)()) {
  return ON_CONTROL(LBN_SELCHANGE, nID, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_LBN_DBLCLK(UINT nID, void (T::*pfn)()) {
  return ON_CONTROL(LBN_DBLCLK, nID, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_LBN_SETFOCUS(UINT nID, void (T::*pfn)()) {
  return ON_CONTROL(LBN_SETFOCUS, nID, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_LBN_KILLFOCUS(UINT nID, void (T::*pfn)()) {
  return ON_CONTROL(LBN_KILLFOCUS, nID, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_CBN_SELCHANGE(UINT nID, void (T::*pfn)()) {
  return ON_CONTROL(CBN_SELCHANGE, nID, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_CBN_EDITCHANGE(UINT nID, void (T::*pfn)()) {
  return ON_CONTROL(CBN_EDITCHANGE, nID, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_MESSAGE(UINT message, LRESULT (T::*pfn)(WPARAM, LPARAM)) {
  return {message, 0, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {
            return (static_cast<T*>(w)->*pfn)(wp, lp);
          }};
}

namespace kelm::ui {
template <class T>
AFX_MSGMAP_ENTRY no_arguments(UINT message, void (T::*pfn)()) {
  return {message, 0, 0, 0, [pfn](CWnd* w, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T*>(w)->*pfn)();
            return 0;
          }};
}
template <class T>
AFX_MSGMAP_ENTRY key(UINT message, void (T::*pfn)(UINT, UINT, UINT)) {
  return {message, 0, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {
            (static_cast<T*>(w)->*pfn)(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
            return 0;
          }};
}
template <class T>
AFX_MSGMAP_ENTRY mouse(UINT message, void (T::*pfn)(UINT, CPoint)) {
  return {message, 0, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {
            (static_cast<T*>(w)->*pfn)(static_cast<UINT>(wp), CPoint(lp));
            return 0;
          }};
}
template <class T>
AFX_MSGMAP_ENTRY focus(UINT message, void (T::*pfn)(CWnd*)) {
  return {message, 0, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM) -> LRESULT {
            (static_cast<T*>(w)->*pfn)(CWnd::FromHandle(reinterpret_cast<HWND>(wp)));
            return 0;
          }};
}
template <class T>
AFX_MSGMAP_ENTRY scroll(UINT message, void (T::*pfn)(UINT, UINT, CScrollBar*)) {
  return {message, 0, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {
            (static_cast<T*>(w)->*pfn)(
                LOWORD(wp), HIWORD(wp),
                // A trackbar arrives as MFC hands it over, for the handler to cast
                // to what it is (CSliderCtrl) as MFC code does.
                reinterpret_cast<CScrollBar*>(CWnd::FromHandle(reinterpret_cast<HWND>(lp))));
            return 0;
          }};
}
}  // namespace kelm::ui

template <class T>
AFX_MSGMAP_ENTRY ON_WM_DESTROY(void (T::*pfn)()) {
  return kelm::ui::no_arguments(WM_DESTROY, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_CLOSE(void (T::*pfn)()) {
  return kelm::ui::no_arguments(WM_CLOSE, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_PAINT(void (T::*pfn)()) {
  return kelm::ui::no_arguments(WM_PAINT, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_KEYDOWN(void (T::*pfn)(UINT, UINT, UINT)) {
  return kelm::ui::key(WM_KEYDOWN, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_KEYUP(void (T::*pfn)(UINT, UINT, UINT)) {
  return kelm::ui::key(WM_KEYUP, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_CHAR(void (T::*pfn)(UINT, UINT, UINT)) {
  return kelm::ui::key(WM_CHAR, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_LBUTTONDOWN(void (T::*pfn)(UINT, CPoint)) {
  return kelm::ui::mouse(WM_LBUTTONDOWN, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_LBUTTONUP(void (T::*pfn)(UINT, CPoint)) {
  return kelm::ui::mouse(WM_LBUTTONUP, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_LBUTTONDBLCLK(void (T::*pfn)(UINT, CPoint)) {
  return kelm::ui::mouse(WM_LBUTTONDBLCLK, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_RBUTTONDOWN(void (T::*pfn)(UINT, CPoint)) {
  return kelm::ui::mouse(WM_RBUTTONDOWN, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_SETFOCUS(void (T::*pfn)(CWnd*)) {
  return kelm::ui::focus(WM_SETFOCUS, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_KILLFOCUS(void (T::*pfn)(CWnd*)) {
  return kelm::ui::focus(WM_KILLFOCUS, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_VSCROLL(void (T::*pfn)(UINT, UINT, CScrollBar*)) {
  return kelm::ui::scroll(WM_VSCROLL, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_HSCROLL(void (T::*pfn)(UINT, UINT, CScrollBar*)) {
  return kelm::ui::scroll(WM_HSCROLL, pfn);
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_TIMER(void (T::*pfn)(UINT_PTR)) {
  return {WM_TIMER, 0, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM) -> LRESULT {
            (static_cast<T*>(w)->*pfn)(wp);
            return 0;
          }};
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_MOVE(void (T::*pfn)(int, int)) {
  return {WM_MOVE, 0, 0, 0, [pfn](CWnd* w, WPARAM, LPARAM lp) -> LRESULT {
            (static_cast<T*>(w)->*pfn)(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
          }};
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_SIZE(void (T::*pfn)(UINT, int, int)) {
  return {WM_SIZE, 0, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {
            (static_cast<T*>(w)->*pfn)(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
            return 0;
          }};
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_MOUSEWHEEL(BOOL (T::*pfn)(UINT, short, CPoint)) {
  return {WM_MOUSEWHEEL, 0, 0, 0, [pfn](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {
            return (static_cast<T*>(w)->*pfn)(LOWORD(wp), GET_WHEEL_DELTA_WPARAM(wp), CPoint(lp));
          }};
}

// The process's message pump as MFC's modal loops and CWinApp run it: takes
// one message (waiting for input when there is none), lets the windows from
// its target up pre-translate it, and dispatches it. FALSE on WM_QUIT.
KELM_EXPORT BOOL AfxPumpMessage();
// The pre-translation step alone: TRUE when a window consumed the message.
KELM_EXPORT BOOL AfxPreTranslateMessage(MSG* pMsg);
