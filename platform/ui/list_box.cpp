// The built-in behaviour of list boxes and combo boxes: items kept in the
// system's string order when sorted, one selection, the visible rows, keys,
// clicks and the wheel, and the notifications their parents handle.
#include <algorithm>
#include <cstring>

#include "platform/ui/front_end.h"
#include "platform/ui/window_state.h"

namespace {

using kelm::ui::item_height;
using kelm::ui::notify_parent;

bool is_combo(HWND w) { return kelm::ui::is_class(w, "COMBOBOX"); }
DWORD combo_type(HWND w) { return w->style & 3; }
bool has_edit_field(HWND w) { return is_combo(w) && combo_type(w) != CBS_DROPDOWNLIST; }
bool sorted(HWND w) { return (w->style & (is_combo(w) ? CBS_SORT : LBS_SORT)) != 0; }
int count(HWND w) { return static_cast<int>(w->items.size()); }
bool valid(HWND w, INT_PTR index) { return index >= 0 && index < count(w); }
int error(HWND w) { return is_combo(w) ? CB_ERR : LB_ERR; }

// The rows of the list part: a combo box's first row is its edit field or
// its closed selection.
int list_top(HWND w) { return is_combo(w) ? item_height : 0; }

int rows(HWND w) {
  const int height = static_cast<int>(w->rect.bottom - w->rect.top) - list_top(w);
  return std::max(1, height / item_height);
}

void keep_visible(HWND w, int index) {
  if (!valid(w, index)) return;
  if (index < w->top_index) w->top_index = index;
  if (index >= w->top_index + rows(w)) w->top_index = index - rows(w) + 1;
}

void clamp_top(HWND w) {
  w->top_index = std::clamp(w->top_index, 0, std::max(0, count(w) - rows(w)));
}

void notify(HWND w, UINT list_code, UINT combo_code) {
  if (is_combo(w))
    notify_parent(w, combo_code);
  else if ((w->style & LBS_NOTIFY) != 0)
    notify_parent(w, list_code);
}

void select(HWND w, int index) {
  w->cur_sel = valid(w, index) ? index : -1;
  keep_visible(w, w->cur_sel);
  if (has_edit_field(w) && valid(w, w->cur_sel)) {
    w->text = w->items[static_cast<size_t>(w->cur_sel)].text;
    w->sel_start = 0;
    w->sel_end = w->text.GetLength();
  }
}

// A person's choice: notifies when it changed the selection.
void choose(HWND w, int index) {
  index = std::clamp(index, 0, count(w) - 1);
  if (!valid(w, index)) return;
  const bool changed = index != w->cur_sel;
  select(w, index);
  if (changed) notify(w, LBN_SELCHANGE, CBN_SELCHANGE);
}

int insert(HWND w, int index, LPCSTR text) {
  if (index < 0 || index > count(w)) index = count(w);
  w->items.insert(w->items.begin() + index, ListItem{text, 0});
  if (w->cur_sel >= index) ++w->cur_sel;
  return index;
}

int find(HWND w, INT_PTR start_after, LPCSTR text, bool exact) {
  const int n = count(w);
  if (n == 0 || text == nullptr) return error(w);
  const int first = valid(w, start_after) ? static_cast<int>(start_after) + 1 : 0;
  const auto length = static_cast<int>(std::strlen(text));
  for (int k = 0; k < n; ++k) {
    const int i = (first + k) % n;
    const CString& item = w->items[static_cast<size_t>(i)].text;
    const CString part = exact ? item : item.Left(length);
    if (part.CompareNoCase(text) == 0) return i;
  }
  return error(w);
}

int copy_text(HWND w, INT_PTR index, LPARAM buffer) {
  if (!valid(w, index)) return error(w);
  const CString& text = w->items[static_cast<size_t>(index)].text;
  if (buffer != 0)
    std::memcpy(reinterpret_cast<char*>(buffer), text.GetString(),
                static_cast<size_t>(text.GetLength()) + 1);
  return text.GetLength();
}

// Typing a letter in a list chooses the next item that starts with it.
void choose_by_letter(HWND w, char ch) {
  const int at = find(w, w->cur_sel, CString(ch), false);
  if (at >= 0) choose(w, at);
}

bool list_key(HWND w, WPARAM vk) {
  const int page = std::max(1, rows(w) - 1);
  const int current = w->cur_sel;
  switch (vk) {
    case VK_UP:
      choose(w, current < 0 ? 0 : current - 1);
      return true;
    case VK_DOWN:
      choose(w, current + 1);
      return true;
    case VK_PRIOR:
      choose(w, current < 0 ? 0 : current - page);
      return true;
    case VK_NEXT:
      choose(w, current + page);
      return true;
    case VK_HOME:
      choose(w, 0);
      return true;
    case VK_END:
      choose(w, count(w) - 1);
      return true;
    default:
      return false;
  }
}

void wheel(HWND w, WPARAM wParam) {
  w->top_index -= GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3;
  clamp_top(w);
}

LRESULT shared_items(HWND w, UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
  *handled = true;
  const bool combo = is_combo(w);
  const auto text = reinterpret_cast<LPCSTR>(lParam);
  const auto index = static_cast<INT_PTR>(wParam);
  if (message == (combo ? CB_ADDSTRING : LB_ADDSTRING)) {
    const int at = sorted(w) ? kelm::ui::sorted_insert_position(w->items, text) : -1;
    return insert(w, at, text);
  }
  if (message == (combo ? CB_INSERTSTRING : LB_INSERTSTRING)) {
    if (index > count(w)) return error(w);
    return insert(w, static_cast<int>(index), text);
  }
  if (message == (combo ? CB_DELETESTRING : LB_DELETESTRING)) {
    if (!valid(w, index)) return error(w);
    w->items.erase(w->items.begin() + index);
    if (w->cur_sel == index)
      w->cur_sel = -1;
    else if (w->cur_sel > index)
      --w->cur_sel;
    clamp_top(w);
    return count(w);
  }
  if (message == (combo ? CB_RESETCONTENT : LB_RESETCONTENT)) {
    w->items.clear();
    w->cur_sel = -1;
    w->top_index = 0;
    return 0;
  }
  if (message == (combo ? CB_GETCOUNT : LB_GETCOUNT)) return count(w);
  if (message == (combo ? CB_GETCURSEL : LB_GETCURSEL)) return w->cur_sel;
  if (message == (combo ? CB_SETCURSEL : LB_SETCURSEL)) {
    select(w, static_cast<int>(index));
    return valid(w, index) ? index : error(w);
  }
  if (message == (combo ? CB_GETLBTEXT : LB_GETTEXT)) return copy_text(w, index, lParam);
  if (message == (combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN))
    return valid(w, index) ? w->items[static_cast<size_t>(index)].text.GetLength() : error(w);
  if (message == (combo ? CB_GETITEMDATA : LB_GETITEMDATA))
    return valid(w, index) ? static_cast<LRESULT>(w->items[static_cast<size_t>(index)].data)
                           : error(w);
  if (message == (combo ? CB_SETITEMDATA : LB_SETITEMDATA)) {
    if (!valid(w, index)) return error(w);
    w->items[static_cast<size_t>(index)].data = static_cast<DWORD_PTR>(lParam);
    return 0;
  }
  if (message == (combo ? CB_FINDSTRING : LB_FINDSTRING)) return find(w, index, text, false);
  if (message == (combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT))
    return find(w, index, text, true);
  if (message == (combo ? CB_SELECTSTRING : LB_SELECTSTRING)) {
    const int at = find(w, index, text, false);
    if (at >= 0) select(w, at);
    return at;
  }
  *handled = false;
  return 0;
}

int item_at(HWND w, LPARAM lParam) {
  const int y = GET_Y_LPARAM(lParam) - list_top(w);
  if (y < 0) return -1;
  const int index = w->top_index + y / item_height;
  return valid(w, index) ? index : -1;
}

// The last column of a list with a vertical scroll bar is the bar: its ends
// scroll a row, the rest jumps to the same place in the list.
bool on_scroll_bar(HWND w, LPARAM lParam) {
  const int width = static_cast<int>(w->rect.right - w->rect.left);
  return (w->style & WS_VSCROLL) != 0 && count(w) > rows(w) && GET_X_LPARAM(lParam) >= width - 8;
}

void scroll_by_bar(HWND w, LPARAM lParam) {
  const int row = (GET_Y_LPARAM(lParam) - list_top(w)) / item_height;
  const int n = rows(w);
  if (row <= 0)
    --w->top_index;
  else if (row >= n - 1)
    ++w->top_index;
  else
    w->top_index = (count(w) - n) * row / std::max(1, n - 1);
  clamp_top(w);
}

}  // namespace

int KelmGetListTabStops(HWND hList, int* pStops, int nMax) {
  HWND w = kelm::ui::live(hList);
  if (w == nullptr) return 0;
  const int count = static_cast<int>(w->tab_stops.size());
  for (int i = 0; pStops != nullptr && i < std::min(count, nMax); ++i)
    pStops[i] = w->tab_stops[static_cast<size_t>(i)];
  return count;
}

namespace kelm::ui {

int visible_rows(HWND list) { return rows(list); }

LRESULT list_box_procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  const LRESULT shared = shared_items(w, message, wParam, lParam, &handled);
  if (handled) return shared;
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
      list_key(w, wParam);
      return 0;
    case WM_CHAR:
      if (wParam > 0x20) choose_by_letter(w, static_cast<char>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SetFocus(w);
      if (live(w) == nullptr) return 0;
      if (on_scroll_bar(w, lParam)) {
        scroll_by_bar(w, lParam);
        return 0;
      }
      const int at = item_at(w, lParam);
      if (at < 0) return 0;
      choose(w, at);
      if (message == WM_LBUTTONDBLCLK && live(w) != nullptr) notify(w, LBN_DBLCLK, CBN_DBLCLK);
      return 0;
    }
    case WM_MOUSEWHEEL:
      wheel(w, wParam);
      return 0;
    case WM_SETFOCUS:
      notify(w, LBN_SETFOCUS, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      notify(w, LBN_KILLFOCUS, CBN_KILLFOCUS);
      return 0;
    case LB_GETSEL:
      return valid(w, static_cast<INT_PTR>(wParam)) ? static_cast<int>(wParam) == w->cur_sel
                                                    : LB_ERR;
    case LB_GETTOPINDEX:
      return w->top_index;
    case LB_SETTOPINDEX:
      if (!valid(w, static_cast<INT_PTR>(wParam))) return LB_ERR;
      w->top_index = static_cast<int>(wParam);
      clamp_top(w);
      return LB_OKAY;
    case LB_SETTABSTOPS: {
      w->tab_stops.clear();
      const auto* stops = reinterpret_cast<const int*>(lParam);
      for (WPARAM i = 0; stops != nullptr && i < wParam; ++i) w->tab_stops.push_back(stops[i]);
      return TRUE;
    }
    case LB_GETITEMHEIGHT:
      return item_height;
    default:
      return DefWindowProcA(w, message, wParam, lParam);
  }
}

LRESULT combo_box_procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  const LRESULT shared = shared_items(w, message, wParam, lParam, &handled);
  if (handled) return shared;
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL |
             (w->dropped ? DLGC_WANTALLKEYS : 0);
    case WM_SETTEXT:
      if (!has_edit_field(w)) {
        const int at = find(w, -1, reinterpret_cast<LPCSTR>(lParam), true);
        if (at < 0) return CB_ERR;
        select(w, at);
        return TRUE;
      }
      edit_set_text(w, reinterpret_cast<LPCSTR>(lParam), false);
      return TRUE;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      if (!has_edit_field(w)) {
        const CString shown =
            valid(w, w->cur_sel) ? w->items[static_cast<size_t>(w->cur_sel)].text : CString();
        const CString kept = w->text;
        w->text = shown;
        const LRESULT result = DefWindowProcA(w, message, wParam, lParam);
        w->text = kept;
        return result;
      }
      return DefWindowProcA(w, message, wParam, lParam);
    case WM_KEYDOWN:
      if ((wParam == VK_RETURN || wParam == VK_ESCAPE) && w->dropped) {
        w->dropped = false;
        notify_parent(w, CBN_CLOSEUP);
        return 0;
      }
      if (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_PRIOR || wParam == VK_NEXT ||
          (!has_edit_field(w) && (wParam == VK_HOME || wParam == VK_END))) {
        list_key(w, wParam);
        return 0;
      }
      if (has_edit_field(w)) edit_key(w, static_cast<int>(wParam));
      return 0;
    case WM_COPY:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
      if (has_edit_field(w)) edit_clipboard(w, message);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_DOWN && combo_type(w) != CBS_SIMPLE) {
        w->dropped = !w->dropped;
        notify_parent(w, w->dropped ? CBN_DROPDOWN : CBN_CLOSEUP);
      }
      return 0;
    case WM_CHAR:
      if (has_edit_field(w))
        edit_type_char(w, static_cast<char>(wParam));
      else if (wParam > 0x20)
        choose_by_letter(w, static_cast<char>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SetFocus(w);
      if (live(w) == nullptr) return 0;
      const bool list_shown = combo_type(w) == CBS_SIMPLE || w->dropped;
      const int at = list_shown ? item_at(w, lParam) : -1;
      if (at >= 0) {
        choose(w, at);
        if (live(w) != nullptr && combo_type(w) != CBS_SIMPLE) {
          w->dropped = false;
          notify_parent(w, CBN_CLOSEUP);
        }
      } else if (combo_type(w) != CBS_SIMPLE && GET_Y_LPARAM(lParam) < item_height) {
        w->dropped = !w->dropped;
        notify_parent(w, w->dropped ? CBN_DROPDOWN : CBN_CLOSEUP);
      }
      return 0;
    }
    case WM_MOUSEWHEEL:
      if (combo_type(w) == CBS_SIMPLE || w->dropped) wheel(w, wParam);
      return 0;
    case WM_SETFOCUS:
      notify_parent(w, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (w->dropped) {
        w->dropped = false;
        notify_parent(w, CBN_CLOSEUP);
      }
      notify_parent(w, CBN_KILLFOCUS);
      return 0;
    case CB_GETTOPINDEX:
      return w->top_index;
    case CB_SETTOPINDEX:
      if (!valid(w, static_cast<INT_PTR>(wParam))) return CB_ERR;
      w->top_index = static_cast<int>(wParam);
      clamp_top(w);
      return CB_OKAY;
    case CB_SHOWDROPDOWN:
      if (combo_type(w) != CBS_SIMPLE) w->dropped = wParam != 0;
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return w->dropped;
    case CB_LIMITTEXT:
      w->limit = wParam == 0 ? 0x7FFFFFFE : static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFE));
      return TRUE;
    case CB_GETEDITSEL:
      if (wParam != 0)
        *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(std::min(w->sel_start, w->sel_end));
      if (lParam != 0)
        *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(std::max(w->sel_start, w->sel_end));
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min(w->sel_start, w->sel_end)),
                                           static_cast<WORD>(std::max(w->sel_start, w->sel_end))));
    case CB_SETEDITSEL: {
      if (!has_edit_field(w)) return CB_ERR;
      const int length = w->text.GetLength();
      const auto start = static_cast<short>(LOWORD(lParam));
      const auto end = static_cast<short>(HIWORD(lParam));
      w->sel_start = start < 0 ? length : std::min<int>(start, length);
      w->sel_end = end < 0 ? length : std::min<int>(end, length);
      return TRUE;
    }
    default:
      return DefWindowProcA(w, message, wParam, lParam);
  }
}

}  // namespace kelm::ui
