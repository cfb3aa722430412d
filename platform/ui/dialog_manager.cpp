// The dialog manager: dialog windows made from templates, their default
// behaviour (default button, closing, focus), and IsDialogMessage's keyboard
// interface: Tab and Shift+Tab through the tab stops, arrows within a group,
// Enter to the default button, Esc to Cancel, and the & accelerators.
#include <algorithm>
#include <iterator>
#include <map>
#include <vector>

#include "platform/message.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/window_state.h"

namespace {

using kelm::ui::live;

std::map<UINT, KelmDialogTemplate>& templates() {
  static std::map<UINT, KelmDialogTemplate> all;
  return all;
}

bool is_dialog(HWND w) { return kelm::ui::is_class(w, "#32770"); }

bool is_push_button(HWND w) {
  if (!kelm::ui::is_class(w, "BUTTON")) return false;
  const DWORD type = w->style & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool can_take_focus(HWND w) {
  return (w->style & WS_VISIBLE) != 0 && (w->style & WS_DISABLED) == 0;
}

UINT dialog_code(HWND w, MSG* msg) {
  return w != nullptr
             ? static_cast<UINT>(SendMessageA(w, WM_GETDLGCODE, 0, reinterpret_cast<LPARAM>(msg)))
             : 0;
}

// Focus moved by the keyboard selects an edit's whole text, as Win32 does.
void focus_control(HWND control) {
  if (control == nullptr) return;
  SetFocus(control);
  if (live(control) != nullptr && (dialog_code(control, nullptr) & DLGC_HASSETSEL) != 0)
    SendMessageA(control, EM_SETSEL, 0, -1);
}

HWND control_of(HWND dialog, HWND window) {
  while (window != nullptr && window->parent != dialog) window = window->parent;
  return window;
}

void press_button(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button != nullptr && !IsWindowEnabled(button)) {
    MessageBeep(MB_SIMPLEBEEP);
    return;
  }
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

// The control whose accelerator is ch, searching from the one after the
// focus so that a repeated letter moves on.
HWND find_mnemonic(HWND dialog, HWND focus, char ch) {
  const std::vector<HWND>& children = dialog->children;
  const size_t n = children.size();
  size_t start = 0;
  for (size_t i = 0; i < n; ++i)
    if (children[i] == focus) start = i + 1;
  const char wanted = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
  for (size_t k = 0; k < n; ++k) {
    HWND child = children[(start + k) % n];
    // A hidden push button keeps its accelerator: dialogs use such buttons
    // as keyboard shortcuts.
    if ((child->style & WS_VISIBLE) == 0 && !is_push_button(child)) continue;
    if (kelm::ui::is_class(child, "STATIC") && (child->style & SS_NOPREFIX) != 0) continue;
    if (kelm::ui::mnemonic(child->text) == wanted) return child;
  }
  return nullptr;
}

bool handle_mnemonic(HWND dialog, HWND focus, char ch) {
  HWND control = find_mnemonic(dialog, focus, ch);
  if (control == nullptr) return false;
  const UINT code = dialog_code(control, nullptr);
  if ((code & DLGC_STATIC) != 0) {
    // A label or group box hands the focus to the control after it.
    const auto& children = dialog->children;
    for (auto it = std::find(children.begin(), children.end(), control) + 1; it != children.end();
         ++it) {
      if (can_take_focus(*it) && (dialog_code(*it, nullptr) & DLGC_STATIC) == 0) {
        focus_control(*it);
        return true;
      }
    }
    return true;
  }
  if ((control->style & WS_DISABLED) != 0) return true;
  if (is_push_button(control)) {
    press_button(dialog, control->id);
    return true;
  }
  focus_control(control);
  if ((code & DLGC_BUTTON) != 0 && live(control) != nullptr) SendMessageA(control, BM_CLICK, 0, 0);
  return true;
}

std::vector<HWND> tab_stops(HWND dialog) {
  std::vector<HWND> stops;
  for (HWND child : dialog->children)
    if (can_take_focus(child) && (child->style & WS_TABSTOP) != 0) stops.push_back(child);
  return stops;
}

}  // namespace

void KelmRegisterDialogTemplate(const KelmDialogTemplate& dialogTemplate) {
  templates()[dialogTemplate.id] = dialogTemplate;
}

const KelmDialogTemplate* KelmFindDialogTemplate(UINT nID) {
  const auto it = templates().find(nID);
  return it == templates().end() ? nullptr : &it->second;
}

HWND KelmCreateDialogWindow(const KelmDialogTemplate& t, HWND hWndParent) {
  if (t.cx <= 0 || t.cy <= 0) return nullptr;
  RECT client{t.x, t.y, t.x + t.cx, t.y + t.cy};
  MapDialogRect(nullptr, &client);
  const DWORD style = (t.style & ~WS_VISIBLE) | ((t.style & WS_CHILD) != 0 ? 0 : WS_POPUP);
  const bool framed =
      (style & WS_CHILD) == 0 && (style & (WS_CAPTION | WS_DLGFRAME | WS_BORDER)) != 0;
  const int fx = framed ? kelm::ui::frame_x : 0;
  const int fy = framed ? kelm::ui::frame_y : 0;
  HWND dialog = CreateWindowExA(
      0, "#32770", t.caption, style, client.left, client.top, client.right - client.left + 2 * fx,
      client.bottom - client.top + 2 * fy, hWndParent, nullptr, nullptr, nullptr);
  if (dialog == nullptr) return nullptr;
  bool default_found = false;
  for (const KelmDialogControl& c : t.controls) {
    RECT r{c.x, c.y, c.x + c.cx, c.y + c.cy};
    MapDialogRect(dialog, &r);
    HWND control = CreateWindowExA(
        c.exStyle, c.className, c.text, c.style | WS_CHILD, r.left, r.top, r.right - r.left,
        r.bottom - r.top, dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(static_cast<WORD>(c.id))), nullptr, nullptr);
    if (control == nullptr) {
      DestroyWindow(dialog);
      return nullptr;
    }
    // Resource compilers store IDs as 16 bits; IDC_STATIC reads back as -1.
    control->id = c.id == IDC_STATIC ? IDC_STATIC : static_cast<WORD>(c.id);
    const UINT add = kelm::ui::is_class(control, "COMBOBOX") ? CB_ADDSTRING : LB_ADDSTRING;
    for (const CString& s : c.initialStrings)
      SendMessageA(control, add, 0, reinterpret_cast<LPARAM>(s.GetString()));
    if (!default_found && is_push_button(control) &&
        (control->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      dialog->def_id = control->id;
      default_found = true;
    }
  }
  return dialog;
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
  HWND dialog = live(hDlg);
  if (dialog == nullptr) return FALSE;
  dialog->ended = true;
  dialog->end_code = nResult;
  ShowWindow(dialog, SW_HIDE);
  return TRUE;
}

HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
  HWND dialog = live(hDlg);
  if (dialog == nullptr) return nullptr;
  const std::vector<HWND> stops = tab_stops(dialog);
  if (stops.empty()) return nullptr;
  const auto n = static_cast<std::ptrdiff_t>(stops.size());
  const HWND current = control_of(dialog, live(hCtl));
  const auto at = std::find(stops.begin(), stops.end(), current) - stops.begin();
  if (at == n) {
    // From a control that is no tab stop, go by its place among all children.
    if (current == nullptr) return bPrevious ? stops.back() : stops.front();
    const auto& all = dialog->children;
    const auto place = std::find(all.begin(), all.end(), current);
    if (bPrevious) {
      for (auto it = std::make_reverse_iterator(place); it != all.rend(); ++it)
        if (std::find(stops.begin(), stops.end(), *it) != stops.end()) return *it;
      return stops.back();
    }
    for (auto it = place; it != all.end(); ++it)
      if (std::find(stops.begin(), stops.end(), *it) != stops.end()) return *it;
    return stops.front();
  }
  return stops[static_cast<size_t>((at + (bPrevious ? n - 1 : 1)) % n)];
}

HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
  HWND dialog = live(hDlg);
  HWND current = dialog != nullptr ? control_of(dialog, live(hCtl)) : nullptr;
  if (current == nullptr) return nullptr;
  const std::vector<HWND>& all = dialog->children;
  const auto at = static_cast<size_t>(std::find(all.begin(), all.end(), current) - all.begin());
  size_t first = at;
  while (first > 0 && (all[first]->style & WS_GROUP) == 0) --first;
  size_t last = at + 1;
  while (last < all.size() && (all[last]->style & WS_GROUP) == 0) ++last;
  const size_t n = last - first;
  for (size_t k = 1; k < n; ++k) {
    const size_t step = bPrevious ? n - k : k;
    HWND candidate = all[first + (at - first + step) % n];
    if (can_take_focus(candidate) && (dialog_code(candidate, nullptr) & DLGC_STATIC) == 0)
      return candidate;
  }
  return current;
}

BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg) {
  HWND dialog = live(hDlg);
  if (dialog == nullptr || lpMsg == nullptr) return FALSE;
  HWND target = live(lpMsg->hwnd);
  if (target == nullptr || kelm::ui::top_level(target) != kelm::ui::top_level(dialog)) return FALSE;
  const HWND focus = GetFocus();
  const UINT code = dialog_code(target, lpMsg);
  const bool wants_all = (code & DLGC_WANTALLKEYS) != 0;
  switch (lpMsg->message) {
    case WM_KEYDOWN:
      switch (lpMsg->wParam) {
        case VK_TAB:
          if ((code & DLGC_WANTTAB) != 0 || wants_all) break;
          focus_control(GetNextDlgTabItem(dialog, focus, GetKeyState(VK_SHIFT) < 0));
          return TRUE;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN: {
          if ((code & DLGC_WANTARROWS) != 0 || wants_all) break;
          const bool back = lpMsg->wParam == VK_LEFT || lpMsg->wParam == VK_UP;
          HWND next = GetNextDlgGroupItem(dialog, focus, back);
          if (next != nullptr) focus_control(next);
          return TRUE;
        }
        case VK_RETURN: {
          if (wants_all) break;
          HWND pressed = control_of(dialog, focus);
          const int id =
              pressed != nullptr && is_push_button(pressed) ? pressed->id : dialog->def_id;
          press_button(dialog, id);
          return TRUE;
        }
        case VK_ESCAPE:
          if (wants_all) break;
          press_button(dialog, IDCANCEL);
          return TRUE;
        default:
          break;
      }
      break;
    case WM_CHAR:
      if (lpMsg->wParam == '\r' || lpMsg->wParam == '\x1B' || lpMsg->wParam == '\t') {
        if (!wants_all) return TRUE;
        break;
      }
      if ((code & DLGC_WANTCHARS) == 0 && lpMsg->wParam > ' ' &&
          handle_mnemonic(dialog, focus, static_cast<char>(lpMsg->wParam)))
        return TRUE;
      break;
    case WM_SYSCHAR:
      if (!handle_mnemonic(dialog, focus, static_cast<char>(lpMsg->wParam)))
        MessageBeep(MB_SIMPLEBEEP);
      return TRUE;
    default:
      break;
  }
  TranslateMessage(lpMsg);
  DispatchMessageA(lpMsg);
  return TRUE;
}

namespace kelm::ui {

void dialog_focus_changed(HWND dialog, HWND focus) {
  if (!is_dialog(dialog)) return;
  HWND control = control_of(dialog, focus);
  const bool button_focused = control != nullptr && is_push_button(control);
  for (HWND child : dialog->children) {
    if (!is_push_button(child)) continue;
    const bool is_default = button_focused ? child == control : child->id == dialog->def_id;
    child->style = (child->style & ~BS_TYPEMASK) | (is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  }
}

LRESULT dialog_procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case DM_GETDEFID:
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(w->def_id), DC_HASDEFID));
    case DM_SETDEFID: {
      w->def_id = static_cast<int>(wParam);
      HWND focus = GetFocus();
      dialog_focus_changed(w, top_level(focus) == w ? focus : nullptr);
      return TRUE;
    }
    case WM_CLOSE:
      press_button(w, IDCANCEL);
      return 0;
    case WM_NEXTDLGCTL:
      if (LOWORD(lParam) != 0)
        focus_control(live(reinterpret_cast<HWND>(wParam)));
      else
        focus_control(GetNextDlgTabItem(w, GetFocus(), wParam != 0));
      return 0;
    case WM_SETFOCUS: {
      HWND remembered = live(w->last_focus);
      if (remembered != nullptr && can_take_focus(remembered))
        SetFocus(remembered);
      else
        focus_control(GetNextDlgTabItem(w, nullptr, FALSE));
      return 0;
    }
    default:
      return DefWindowProcA(w, message, wParam, lParam);
  }
}

}  // namespace kelm::ui
