#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/ui/front_end.h"
#include "platform/ui/window_state.h"
#include "platform/ui/wnd.h"

namespace {

struct WindowManager {
  std::map<HWND, std::unique_ptr<HWND__>> live;
  std::vector<std::unique_ptr<HWND__>> destroyed;
  std::map<HWND, std::unique_ptr<CWnd>> temporaries;
  std::vector<HWND> top_levels;  // shown, oldest first
  HWND focus = nullptr;
  int depth = 0;  // procedures on the stack
};

WindowManager& manager() {
  static WindowManager m;
  return m;
}

void tell_front_end(void (KelmFrontEnd::*event)(HWND), HWND window) {
  if (KelmFrontEnd* front_end = KelmGetFrontEnd()) (front_end->*event)(window);
}

bool is_top_level(HWND__* w) { return w->parent == nullptr || (w->style & WS_CHILD) == 0; }

POINT client_origin(HWND__* w) {
  POINT origin{w->rect.left, w->rect.top};
  if (kelm::ui::has_frame(w)) {
    origin.x += kelm::ui::frame_x;
    origin.y += kelm::ui::frame_y;
  }
  if (!is_top_level(w)) {
    const POINT parent = client_origin(w->parent);
    origin.x += parent.x;
    origin.y += parent.y;
  }
  return origin;
}

void set_shown(HWND__* w, bool shown) {
  if (!is_top_level(w)) return;
  auto& tops = manager().top_levels;
  const bool listed = std::find(tops.begin(), tops.end(), w) != tops.end();
  if (shown && !listed) {
    tops.push_back(w);
    tell_front_end(&KelmFrontEnd::WindowShown, w);
  } else if (!shown && listed) {
    std::erase(tops, w);
    tell_front_end(&KelmFrontEnd::WindowHidden, w);
  }
}

// Class names compare without regard to case; the known ones keep one spelling.
std::string canonical_class_name(LPCSTR name) {
  static const char* const known[] = {"BUTTON",   "EDIT",          "STATIC", "LISTBOX",
                                      "COMBOBOX", TRACKBAR_CLASSA, "#32770"};
  for (const char* k : known)
    if (CString(k).CompareNoCase(name) == 0) return k;
  return name;
}

bool contains(HWND ancestor, HWND window) {
  for (HWND w = window; w != nullptr; w = w->parent)
    if (w == ancestor) return true;
  return false;
}

void destroy_tree(HWND__* w) {
  kelm::ui::route(w, WM_DESTROY, 0, 0);
  for (HWND child : std::vector<HWND>(w->children))
    if (kelm::ui::live(child) != nullptr) destroy_tree(child);
}

// Removes every trace of the tree, deepest first, and tells the objects.
void release_tree(HWND__* w) {
  for (HWND child : std::vector<HWND>(w->children)) release_tree(child);
  WindowManager& m = manager();
  w->alive = false;
  if (CWnd* wnd = w->wnd) {
    w->wnd = nullptr;
    wnd->m_hWnd = nullptr;
    wnd->PostNcDestroy();
  }
  m.temporaries.erase(w);
  kelm::ui::forget_window(w);
  auto node = m.live.find(w);
  if (node != m.live.end()) {
    m.destroyed.push_back(std::move(node->second));
    m.live.erase(node);
  }
}

}  // namespace

namespace kelm::ui {

HWND__* live(HWND window) {
  if (window == nullptr) return nullptr;
  const auto& all = manager().live;
  return all.count(window) != 0 ? window : nullptr;
}

bool is_class(HWND window, const char* name) {
  return window != nullptr && window->class_name == name;
}

HWND top_level(HWND window) {
  while (window != nullptr && !is_top_level(window)) window = window->parent;
  return window;
}

void notify_parent(HWND control, UINT code) {
  if (live(control) == nullptr || control->parent == nullptr) return;
  SendMessageA(control->parent, WM_COMMAND,
               MAKEWPARAM(static_cast<WORD>(control->id), static_cast<WORD>(code)),
               reinterpret_cast<LPARAM>(control));
}

void changed(HWND window) {
  if (HWND top = top_level(window)) tell_front_end(&KelmFrontEnd::WindowChanged, top);
}

bool is_shown_top_level(HWND window) {
  const auto& tops = manager().top_levels;
  return std::find(tops.begin(), tops.end(), window) != tops.end();
}

void activate(HWND top) {
  auto& tops = manager().top_levels;
  const auto at = std::find(tops.begin(), tops.end(), top);
  if (at == tops.end() || at + 1 == tops.end()) return;
  const HWND was_active = tops.back();
  tops.erase(at);
  tops.push_back(top);
  HWND focus = live(top->last_focus);
  SetFocus(focus != nullptr && top_level(focus) == top ? focus : top);
  changed(was_active);
  changed(top);
}

bool has_frame(HWND window) {
  return is_top_level(window) && (window->style & (WS_CAPTION | WS_DLGFRAME | WS_BORDER)) != 0;
}

LRESULT route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowManager& m = manager();
  ++m.depth;
  LRESULT result = 0;
  try {
    result = window->wnd != nullptr ? window->wnd->WindowProc(message, wParam, lParam)
                                    : class_procedure(window, message, wParam, lParam);
  } catch (...) {
    --m.depth;
    throw;
  }
  --m.depth;
  return result;
}

void collect_destroyed() {
  WindowManager& m = manager();
  if (m.depth == 0) m.destroyed.clear();
}

LRESULT class_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const std::string& name = window->class_name;
  if (name == "BUTTON") return button_procedure(window, message, wParam, lParam);
  if (name == "EDIT") return edit_procedure(window, message, wParam, lParam);
  if (name == "STATIC") return static_procedure(window, message, wParam, lParam);
  if (name == "LISTBOX") return list_box_procedure(window, message, wParam, lParam);
  if (name == "COMBOBOX") return combo_box_procedure(window, message, wParam, lParam);
  if (name == TRACKBAR_CLASSA) return trackbar_procedure(window, message, wParam, lParam);
  if (name == "#32770") return dialog_procedure(window, message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace kelm::ui

using kelm::ui::live;

HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X,
                     int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE,
                     LPVOID) {
  if (lpClassName == nullptr) return nullptr;
  if ((dwStyle & WS_CHILD) != 0 && live(hWndParent) == nullptr) return nullptr;
  auto owned = std::make_unique<HWND__>();
  HWND w = owned.get();
  w->class_name = canonical_class_name(lpClassName);
  w->ex_style = dwExStyle;
  w->style = dwStyle;
  w->text = lpWindowName;
  w->rect = RECT{X, Y, X + nWidth, Y + nHeight};
  w->parent = live(hWndParent);
  w->id = (dwStyle & WS_CHILD) != 0 ? static_cast<int>(reinterpret_cast<INT_PTR>(hMenu)) : 0;
  manager().live.emplace(w, std::move(owned));
  // An owned window (a popup with a parent) is no child: it is not laid out
  // in its owner, takes none of its clicks or accelerators, and is found
  // through GW_OWNER only.
  if (w->parent != nullptr && !is_top_level(w)) w->parent->children.push_back(w);
  kelm::ui::route(w, WM_CREATE, 0, 0);
  if (live(w) == nullptr) return nullptr;
  if ((dwStyle & WS_VISIBLE) != 0) set_shown(w, true);
  kelm::ui::changed(w);
  return w;
}

BOOL DestroyWindow(HWND hWnd) {
  HWND__* w = live(hWnd);
  if (w == nullptr) return FALSE;
  WindowManager& m = manager();
  // The windows it owns go first, as in Win32.
  std::vector<HWND> owned;
  for (const auto& [handle, window] : m.live)
    if (window->parent == w && is_top_level(handle)) owned.push_back(handle);
  for (HWND o : owned) DestroyWindow(o);
  if (live(w) == nullptr) return TRUE;
  if (m.focus != nullptr && contains(w, m.focus)) {
    m.focus = nullptr;
    if (w->parent != nullptr && !is_top_level(w)) SetFocus(w->parent);
  }
  set_shown(w, false);
  if (is_top_level(w)) tell_front_end(&KelmFrontEnd::WindowDestroyed, w);
  destroy_tree(w);
  if (live(w) == nullptr) return TRUE;
  if (w->parent != nullptr && !is_top_level(w)) std::erase(w->parent->children, w);
  kelm::ui::changed(w->parent);
  release_tree(w);
  return TRUE;
}

BOOL IsWindow(HWND hWnd) { return live(hWnd) != nullptr; }

HWND GetParent(HWND hWnd) {
  HWND__* w = live(hWnd);
  return w != nullptr ? w->parent : nullptr;
}

HWND GetWindow(HWND hWnd, UINT uCmd) {
  HWND__* w = live(hWnd);
  if (w == nullptr) return nullptr;
  if (uCmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (uCmd == GW_OWNER) return is_top_level(w) ? w->parent : nullptr;
  if (is_top_level(w)) return nullptr;
  const std::vector<HWND>& siblings = w->parent->children;
  const auto at = std::find(siblings.begin(), siblings.end(), w) - siblings.begin();
  const auto count = static_cast<std::ptrdiff_t>(siblings.size());
  switch (uCmd) {
    case GW_HWNDFIRST:
      return siblings.front();
    case GW_HWNDLAST:
      return siblings.back();
    case GW_HWNDNEXT:
      return at + 1 < count ? siblings[at + 1] : nullptr;
    case GW_HWNDPREV:
      return at > 0 ? siblings[at - 1] : nullptr;
    default:
      return nullptr;
  }
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
  HWND__* w = live(hDlg);
  if (w == nullptr) return nullptr;
  for (HWND child : w->children)
    if (child->id == nIDDlgItem) return child;
  return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
  HWND__* w = live(hWnd);
  return w != nullptr ? w->id : 0;
}

int GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount) {
  HWND__* w = live(hWnd);
  if (w == nullptr || lpClassName == nullptr || nMaxCount <= 0) return 0;
  const int count = std::min(static_cast<int>(w->class_name.size()), nMaxCount - 1);
  std::memcpy(lpClassName, w->class_name.data(), static_cast<size_t>(count));
  lpClassName[count] = '\0';
  return count;
}

LONG GetWindowLongA(HWND hWnd, int nIndex) {
  HWND__* w = live(hWnd);
  if (w == nullptr) return 0;
  switch (nIndex) {
    case GWL_STYLE:
      return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w->ex_style);
    case GWL_ID:
      return w->id;
    default:
      return 0;
  }
}

LONG SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
  HWND__* w = live(hWnd);
  if (w == nullptr) return 0;
  const LONG old = GetWindowLongA(hWnd, nIndex);
  const bool was_visible = (w->style & WS_VISIBLE) != 0;
  switch (nIndex) {
    case GWL_STYLE:
      w->style = static_cast<DWORD>(dwNewLong);
      break;
    case GWL_EXSTYLE:
      w->ex_style = static_cast<DWORD>(dwNewLong);
      break;
    case GWL_ID:
      w->id = dwNewLong;
      break;
    default:
      return 0;
  }
  if (was_visible != ((w->style & WS_VISIBLE) != 0)) set_shown(w, !was_visible);
  kelm::ui::changed(w);
  return old;
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString) {
  if (live(hWnd) == nullptr) return FALSE;
  return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0;
}

int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
  if (live(hWnd) == nullptr || lpString == nullptr || nMaxCount <= 0) return 0;
  return static_cast<int>(SendMessageA(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                       reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowTextLengthA(HWND hWnd) {
  return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
  return SetWindowTextA(GetDlgItem(hDlg, nIDDlgItem), lpString);
}

UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
  if (lpString != nullptr && cchMax > 0) *lpString = '\0';
  return static_cast<UINT>(GetWindowTextA(GetDlgItem(hDlg, nIDDlgItem), lpString, cchMax));
}

// Returns whether the window was disabled before, as Win32 does.
BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  HWND__* w = live(hWnd);
  if (w == nullptr) return FALSE;
  const BOOL was_disabled = (w->style & WS_DISABLED) != 0;
  if (bEnable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    if (manager().focus != nullptr && contains(w, manager().focus)) {
      manager().focus = nullptr;
      if (!is_top_level(w)) SetFocus(kelm::ui::top_level(w));
    }
  }
  if (was_disabled != !bEnable) SendMessageA(w, WM_ENABLE, bEnable, 0);
  kelm::ui::changed(w);
  return was_disabled;
}

BOOL IsWindowEnabled(HWND hWnd) {
  HWND__* w = live(hWnd);
  return w != nullptr && (w->style & WS_DISABLED) == 0;
}

// Returns whether the window was visible before.
BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  HWND__* w = live(hWnd);
  if (w == nullptr) return FALSE;
  const BOOL was_visible = (w->style & WS_VISIBLE) != 0;
  const bool show = nCmdShow != SW_HIDE;
  if (show) {
    w->style |= WS_VISIBLE;
  } else {
    w->style &= ~WS_VISIBLE;
    if (manager().focus != nullptr && contains(w, manager().focus) && !is_top_level(w))
      SetFocus(kelm::ui::top_level(w));
  }
  if (was_visible != show) SendMessageA(w, WM_SHOWWINDOW, show, 0);
  if (live(w) == nullptr) return was_visible;
  set_shown(w, show);
  kelm::ui::changed(w);
  return was_visible;
}

BOOL IsWindowVisible(HWND hWnd) {
  for (HWND__* w = live(hWnd); w != nullptr; w = is_top_level(w) ? nullptr : w->parent)
    if ((w->style & WS_VISIBLE) == 0) return FALSE;
  return live(hWnd) != nullptr;
}

HWND SetFocus(HWND hWnd) {
  WindowManager& m = manager();
  const HWND old = m.focus;
  if (hWnd != nullptr && live(hWnd) == nullptr) return nullptr;
  if (hWnd == old) return old;
  m.focus = hWnd;
  if (live(old) != nullptr) SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
  if (live(hWnd) != nullptr && m.focus == hWnd) {
    if (HWND top = kelm::ui::top_level(hWnd); top != hWnd) top->last_focus = hWnd;
    SendMessageA(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  }
  if (live(hWnd) != nullptr) kelm::ui::dialog_focus_changed(kelm::ui::top_level(hWnd), hWnd);
  kelm::ui::changed(old);
  kelm::ui::changed(hWnd);
  return old;
}

HWND GetFocus() { return live(manager().focus); }

HWND GetActiveWindow() {
  const auto& tops = manager().top_levels;
  return tops.empty() ? nullptr : tops.back();
}

int KelmGetTopLevelWindows(HWND* phWnd, int nMax) {
  const auto& tops = manager().top_levels;
  const int count = std::min(static_cast<int>(tops.size()), std::max(nMax, 0));
  if (phWnd != nullptr) std::copy_n(tops.begin(), count, phWnd);
  return static_cast<int>(tops.size());
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
  HWND__* w = live(hWnd);
  if (w == nullptr || lpRect == nullptr) return FALSE;
  if (is_top_level(w)) {
    *lpRect = w->rect;
    return TRUE;
  }
  const POINT origin = client_origin(w->parent);
  *lpRect = RECT{w->rect.left + origin.x, w->rect.top + origin.y, w->rect.right + origin.x,
                 w->rect.bottom + origin.y};
  return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
  HWND__* w = live(hWnd);
  if (w == nullptr || lpRect == nullptr) return FALSE;
  LONG width = w->rect.right - w->rect.left;
  LONG height = w->rect.bottom - w->rect.top;
  if (kelm::ui::has_frame(w)) {
    width -= 2 * kelm::ui::frame_x;
    height -= 2 * kelm::ui::frame_y;
  }
  *lpRect = RECT{0, 0, std::max(width, LONG{0}), std::max(height, LONG{0})};
  return TRUE;
}

BOOL SetWindowPos(HWND hWnd, HWND, int X, int Y, int cx, int cy, UINT uFlags) {
  HWND__* w = live(hWnd);
  if (w == nullptr) return FALSE;
  RECT r = w->rect;
  const bool move = (uFlags & SWP_NOMOVE) == 0 && (X != r.left || Y != r.top);
  const bool size =
      (uFlags & SWP_NOSIZE) == 0 && (cx != r.right - r.left || cy != r.bottom - r.top);
  if (move) {
    r.right += X - r.left;
    r.bottom += Y - r.top;
    r.left = X;
    r.top = Y;
  }
  if (size) {
    r.right = r.left + std::max(cx, 0);
    r.bottom = r.top + std::max(cy, 0);
  }
  w->rect = r;
  if (move) {
    const POINT origin = client_origin(w);
    const POINT relative = is_top_level(w) ? origin
                                           : POINT{origin.x - client_origin(w->parent).x,
                                                   origin.y - client_origin(w->parent).y};
    SendMessageA(w, WM_MOVE, 0,
                 MAKELPARAM(static_cast<WORD>(relative.x), static_cast<WORD>(relative.y)));
  }
  if (size && live(w) != nullptr) {
    RECT client;
    GetClientRect(w, &client);
    SendMessageA(w, WM_SIZE, 0,
                 MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
  }
  if ((uFlags & SWP_SHOWWINDOW) != 0) ShowWindow(w, SW_SHOWNA);
  if ((uFlags & SWP_HIDEWINDOW) != 0) ShowWindow(w, SW_HIDE);
  kelm::ui::changed(w);
  return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL) {
  return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER);
}

BOOL InvalidateRect(HWND hWnd, LPCRECT, BOOL) {
  if (hWnd != nullptr && live(hWnd) == nullptr) return FALSE;
  if (hWnd == nullptr) {
    for (HWND top : manager().top_levels) kelm::ui::changed(top);
  } else {
    kelm::ui::changed(hWnd);
  }
  return TRUE;
}

BOOL UpdateWindow(HWND hWnd) {
  if (live(hWnd) == nullptr) return FALSE;
  SendMessageA(hWnd, WM_PAINT, 0, 0);
  return TRUE;
}

// Base units of 8 by 16 pixels: x * 8 / 4 and y * 16 / 8.
BOOL MapDialogRect(HWND, LPRECT lpRect) {
  if (lpRect == nullptr) return FALSE;
  lpRect->left *= 2;
  lpRect->right *= 2;
  lpRect->top *= 2;
  lpRect->bottom *= 2;
  return TRUE;
}

LONG GetDialogBaseUnits() { return static_cast<LONG>(MAKELONG(8, 16)); }

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
  HWND button = GetDlgItem(hDlg, nIDButton);
  if (button == nullptr) return FALSE;
  SendMessageA(button, BM_SETCHECK, uCheck, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton) {
  return static_cast<UINT>(SendMessageA(GetDlgItem(hDlg, nIDButton), BM_GETCHECK, 0, 0));
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  HWND__* w = live(hWnd);
  if (w == nullptr) return 0;
  const LRESULT result = kelm::ui::route(w, Msg, wParam, lParam);
  kelm::ui::changed(live(w));
  return result;
}

LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(GetDlgItem(hDlg, nIDDlgItem), Msg, wParam, lParam);
}

// What every window does with the messages its class leaves.
LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  HWND__* w = live(hWnd);
  if (w == nullptr) return 0;
  switch (Msg) {
    case WM_SETTEXT:
      w->text = reinterpret_cast<LPCSTR>(lParam);
      return TRUE;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<LPSTR>(lParam);
      const int room = static_cast<int>(wParam);
      if (buffer == nullptr || room <= 0) return 0;
      const int count = std::min(w->text.GetLength(), room - 1);
      std::memcpy(buffer, w->text.GetString(), static_cast<size_t>(count));
      buffer[count] = '\0';
      return count;
    }
    case WM_GETTEXTLENGTH:
      return w->text.GetLength();
    case WM_SETFONT:
      w->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(w->font);
    case WM_SETREDRAW:
      w->redraw = wParam != 0;
      return 0;
    case WM_CLOSE:
      DestroyWindow(w);
      return 0;
    case WM_MOUSEWHEEL:
      // Unhandled wheel turns go up to the parent, as Win32 sends them.
      if (!is_top_level(w)) return SendMessageA(w->parent, Msg, wParam, lParam);
      return 0;
    default:
      return 0;
  }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  HWND__* w = live(hWnd);
  return w != nullptr ? w->wnd : nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
  HWND__* w = live(hWnd);
  if (w == nullptr) return nullptr;
  if (w->wnd != nullptr) return w->wnd;
  auto& temporary = manager().temporaries[w];
  if (!temporary) {
    temporary = kelm::ui::make_temporary(w);
    temporary->m_hWnd = w;
  }
  return temporary.get();
}

BOOL CWnd::Attach(HWND hWndNew) {
  HWND__* w = live(hWndNew);
  if (w == nullptr || w->wnd != nullptr || m_hWnd != nullptr) return FALSE;
  w->wnd = this;
  m_hWnd = w;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND w = m_hWnd;
  if (live(w) != nullptr && w->wnd == this) w->wnd = nullptr;
  m_hWnd = nullptr;
  return w;
}

BOOL CWnd::SubclassWindow(HWND hWnd) { return Attach(hWnd); }

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  return pParent != nullptr && SubclassWindow(::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)));
}

CWnd::~CWnd() {
  if (live(m_hWnd) != nullptr && m_hWnd->wnd == this) {
    // The object is going; its handlers must not run for the destruction.
    m_hWnd->wnd = nullptr;
    ::DestroyWindow(m_hWnd);
  }
  m_hWnd = nullptr;
}

BOOL SystemParametersInfoA(UINT uiAction, UINT, LPVOID pvParam, UINT) {
  if (uiAction != SPI_GETWHEELSCROLLLINES || pvParam == nullptr) return FALSE;
  *static_cast<UINT*>(pvParam) = 3;
  return TRUE;
}
