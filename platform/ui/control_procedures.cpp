// The built-in behaviour of buttons, edits, statics and trackbars, as Win32's
// window classes give it: their messages, notifications, keys and clicks.
#include <algorithm>
#include <cstring>

#include "platform/message.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/window_state.h"

namespace {

using kelm::ui::notify_parent;

DWORD button_type(HWND w) { return w->style & BS_TYPEMASK; }

void click(HWND w) {
  if ((w->style & WS_DISABLED) != 0) return;
  if (button_type(w) == BS_AUTOCHECKBOX)
    w->check = w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  if (button_type(w) == BS_AUTO3STATE) w->check = (w->check + 1) % 3;
  if (button_type(w) == BS_AUTORADIOBUTTON) w->check = BST_CHECKED;
  notify_parent(w, BN_CLICKED);
}

bool is_combo(HWND w) { return kelm::ui::is_class(w, "COMBOBOX"); }

void notify_text_change(HWND w) {
  w->modified = true;
  if (is_combo(w)) {
    notify_parent(w, CBN_EDITUPDATE);
    notify_parent(w, CBN_EDITCHANGE);
  } else {
    notify_parent(w, EN_UPDATE);
    notify_parent(w, EN_CHANGE);
  }
}

int selection_low(HWND w) { return std::min(w->sel_start, w->sel_end); }
int selection_high(HWND w) { return std::max(w->sel_start, w->sel_end); }

void replace_selection(HWND w, const CString& text) {
  const int low = selection_low(w);
  const int high = selection_high(w);
  CString kept = w->text.Left(low) + w->text.Mid(high);
  const int room = std::max(0, w->limit - kept.GetLength());
  const CString added = text.Left(room);
  w->text = w->text.Left(low) + added + w->text.Mid(high);
  w->sel_start = w->sel_end = low + added.GetLength();
  if (added.GetLength() < text.GetLength() && !is_combo(w)) notify_parent(w, EN_MAXTEXT);
}

bool read_only(HWND w) { return !is_combo(w) && (w->style & ES_READONLY) != 0; }

// A password's text never leaves its box, as Win32 keeps it.
bool copy_selection(HWND w) {
  const int low = selection_low(w);
  const int length = selection_high(w) - low;
  if (length == 0 || (!is_combo(w) && (w->style & ES_PASSWORD) != 0)) return false;
  if (!OpenClipboard(w)) return false;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(length) + 1);
  bool copied = false;
  if (block != nullptr) {
    std::memcpy(GlobalLock(block), w->text.GetString() + low, static_cast<size_t>(length));
    GlobalUnlock(block);
    copied = SetClipboardData(CF_TEXT, block) != nullptr;
    if (!copied) GlobalFree(block);
  }
  CloseClipboard();
  return copied;
}

// The clipboard's text as the edit would take it: a one-line box takes the
// first line only, and the case styles apply as to typing.
CString clipboard_text(HWND w) {
  if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(w)) return "";
  CString text;
  if (HGLOBAL block = GetClipboardData(CF_TEXT)) {
    if (const auto* bytes = static_cast<const char*>(GlobalLock(block))) {
      text = CString(bytes, static_cast<int>(strnlen(bytes, GlobalSize(block))));
      GlobalUnlock(block);
    }
  }
  CloseClipboard();
  if (is_combo(w) || (w->style & ES_MULTILINE) == 0) {
    const int line_end = text.FindOneOf("\r\n");
    if (line_end >= 0) text = text.Left(line_end);
  }
  if (!is_combo(w) && (w->style & ES_UPPERCASE) != 0) text.MakeUpper();
  if (!is_combo(w) && (w->style & ES_LOWERCASE) != 0) text.MakeLower();
  return text;
}

bool only_digits(const CString& text) {
  for (int i = 0; i < text.GetLength(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

// What the limit lets in is pasted, with EN_MAXTEXT for the rest; a number
// box refuses text that is not all digits, as it refuses such typing.
bool paste(HWND w) {
  if (read_only(w)) {
    MessageBeep(MB_SIMPLEBEEP);
    return false;
  }
  const CString text = clipboard_text(w);
  if (text.IsEmpty()) return false;
  if (!is_combo(w) && (w->style & ES_NUMBER) != 0 && !only_digits(text)) {
    MessageBeep(MB_SIMPLEBEEP);
    return false;
  }
  const CString before = w->text;
  replace_selection(w, text);
  if (w->text == before) return false;
  notify_text_change(w);
  return true;
}

bool clear_selection(HWND w) {
  if (read_only(w) || w->sel_start == w->sel_end) return false;
  replace_selection(w, "");
  notify_text_change(w);
  return true;
}

// The clipboard's keys: Ctrl+C and Ctrl+Insert copy, Ctrl+X and Shift+Delete
// cut, Ctrl+V and Shift+Insert paste; 0 for any other key.
UINT clipboard_message_of_key(int vk) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  if (control && !shift) {
    if (vk == 'C' || vk == VK_INSERT) return WM_COPY;
    if (vk == 'X') return WM_CUT;
    if (vk == 'V') return WM_PASTE;
  }
  if (shift && !control) {
    if (vk == VK_DELETE) return WM_CUT;
    if (vk == VK_INSERT) return WM_PASTE;
  }
  return 0;
}

void set_trackbar_pos(HWND w, int pos) {
  w->pos = std::clamp(pos, w->range_min, std::max(w->range_min, w->range_max));
}

void notify_scroll(HWND w, UINT code) {
  if (w->parent == nullptr) return;
  const UINT message = (w->style & TBS_VERT) != 0 ? WM_VSCROLL : WM_HSCROLL;
  const WORD pos =
      code == TB_THUMBPOSITION || code == TB_THUMBTRACK ? static_cast<WORD>(w->pos) : 0;
  SendMessageA(w->parent, message, MAKEWPARAM(static_cast<WORD>(code), pos),
               reinterpret_cast<LPARAM>(w));
  if (kelm::ui::live(w) != nullptr && code != TB_ENDTRACK)
    SendMessageA(w->parent, message, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(w));
}

void move_trackbar(HWND w, int pos, UINT code) {
  const int old = w->pos;
  set_trackbar_pos(w, pos);
  if (w->pos != old || code == TB_THUMBPOSITION) notify_scroll(w, code);
}

int default_page(HWND w) { return std::max(1, (w->range_max - w->range_min) / 5); }

}  // namespace

namespace kelm::ui {

bool edit_type_char(HWND w, char ch) {
  const auto c = static_cast<unsigned char>(ch);
  if (read_only(w)) {
    if (c >= 0x20 || c == '\b') MessageBeep(MB_SIMPLEBEEP);
    return false;
  }
  if (c == '\b') {
    if (w->sel_start == w->sel_end) {
      if (w->sel_start == 0) return false;
      w->sel_start = w->sel_end - 1;
    }
    replace_selection(w, "");
    notify_text_change(w);
    return true;
  }
  if (c < 0x20) return false;
  if ((w->style & ES_NUMBER) != 0 && !is_combo(w) && (c < '0' || c > '9')) {
    MessageBeep(MB_SIMPLEBEEP);
    return false;
  }
  char typed = ch;
  if (!is_combo(w) && (w->style & ES_UPPERCASE) != 0 && c >= 'a' && c <= 'z')
    typed = static_cast<char>(c - 32);
  if (!is_combo(w) && (w->style & ES_LOWERCASE) != 0 && c >= 'A' && c <= 'Z')
    typed = static_cast<char>(c + 32);
  const int before = w->text.GetLength();
  replace_selection(w, CString(typed));
  if (w->text.GetLength() == before && selection_low(w) == selection_high(w) &&
      before >= w->limit) {
    MessageBeep(MB_SIMPLEBEEP);
    return false;
  }
  notify_text_change(w);
  return true;
}

bool edit_clipboard(HWND w, UINT message) {
  switch (message) {
    case WM_COPY:
      copy_selection(w);
      return false;
    case WM_CUT:
      if (read_only(w)) return false;
      return copy_selection(w) && clear_selection(w);
    case WM_PASTE:
      return paste(w);
    case WM_CLEAR:
      return clear_selection(w);
    default:
      return false;
  }
}

bool edit_key(HWND w, int vk) {
  if (const UINT message = clipboard_message_of_key(vk)) return edit_clipboard(w, message);
  const int length = w->text.GetLength();
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  int caret = w->sel_end;
  switch (vk) {
    case VK_LEFT:
      caret = shift || w->sel_start == w->sel_end ? caret - 1 : selection_low(w);
      break;
    case VK_RIGHT:
      caret = shift || w->sel_start == w->sel_end ? caret + 1 : selection_high(w);
      break;
    case VK_HOME:
      caret = 0;
      break;
    case VK_END:
      caret = length;
      break;
    case VK_DELETE:
      if (read_only(w)) return false;
      if (w->sel_start == w->sel_end) {
        if (w->sel_end >= length) return false;
        w->sel_end = w->sel_start + 1;
      }
      replace_selection(w, "");
      notify_text_change(w);
      return true;
    default:
      return false;
  }
  caret = std::clamp(caret, 0, length);
  if (!shift) w->sel_start = caret;
  w->sel_end = caret;
  return false;
}

void edit_set_text(HWND w, LPCSTR text, bool notify) {
  w->text = text;
  w->sel_start = w->sel_end = 0;
  w->modified = false;
  if (notify) {
    if (is_combo(w)) {
      return;
    }
    notify_parent(w, EN_UPDATE);
    notify_parent(w, EN_CHANGE);
  }
}

LRESULT button_procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE:
      if (button_type(w) == BS_GROUPBOX) return DLGC_STATIC;
      if (button_type(w) == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (button_type(w) == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (button_type(w) == BS_RADIOBUTTON || button_type(w) == BS_AUTORADIOBUTTON)
        return DLGC_BUTTON | DLGC_RADIOBUTTON;
      return DLGC_BUTTON;
    case WM_LBUTTONDOWN:
      if (button_type(w) == BS_GROUPBOX) return 0;
      SetFocus(w);
      if (live(w) != nullptr) w->pushed = true;
      return 0;
    case WM_LBUTTONUP:
      if (!w->pushed) return 0;
      w->pushed = false;
      click(w);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) w->pushed = true;
      return 0;
    case WM_KEYUP:
      if (wParam != VK_SPACE || !w->pushed) return 0;
      w->pushed = false;
      click(w);
      return 0;
    case WM_KILLFOCUS:
      w->pushed = false;
      return 0;
    case BM_CLICK:
      click(w);
      return 0;
    case BM_GETCHECK:
      return w->check;
    case BM_SETCHECK:
      w->check = static_cast<int>(wParam) & 3;
      return 0;
    case BM_GETSTATE:
      return w->check | (w->pushed ? 4 : 0) | (GetFocus() == w ? BST_FOCUS : 0);
    case BM_SETSTATE:
      w->pushed = wParam != 0;
      return 0;
    case BM_SETSTYLE:
      w->style = (w->style & 0xFFFF0000) | LOWORD(wParam);
      return 0;
    default:
      return DefWindowProcA(w, message, wParam, lParam);
  }
}

LRESULT edit_procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_SETTEXT:
      edit_set_text(w, reinterpret_cast<LPCSTR>(lParam), true);
      return TRUE;
    case WM_CHAR:
      edit_type_char(w, static_cast<char>(wParam));
      return 0;
    case WM_KEYDOWN:
      edit_key(w, static_cast<int>(wParam));
      return 0;
    case WM_LBUTTONDOWN: {
      SetFocus(w);
      if (live(w) == nullptr) return 0;
      const int at = std::clamp(GET_X_LPARAM(lParam) / 8, 0, w->text.GetLength());
      w->sel_start = w->sel_end = at;
      return 0;
    }
    case WM_SETFOCUS:
      notify_parent(w, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      notify_parent(w, EN_KILLFOCUS);
      return 0;
    case EM_GETSEL:
      if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(selection_low(w));
      if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(selection_high(w));
      return static_cast<LRESULT>(
          MAKELONG(static_cast<WORD>(selection_low(w)), static_cast<WORD>(selection_high(w))));
    case EM_SETSEL: {
      const int length = w->text.GetLength();
      const auto start = static_cast<int>(static_cast<INT_PTR>(wParam));
      const auto end = static_cast<int>(lParam);
      if (start < 0) {
        w->sel_start = w->sel_end = std::clamp(w->sel_end, 0, length);
        return 0;
      }
      w->sel_start = std::min(start, length);
      w->sel_end = end < 0 ? length : std::min(end, length);
      return 0;
    }
    case WM_COPY:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
      edit_clipboard(w, message);
      return 0;
    case EM_REPLACESEL:
      replace_selection(w, reinterpret_cast<LPCSTR>(lParam));
      notify_text_change(w);
      return 0;
    case EM_LIMITTEXT:
      w->limit = wParam == 0 ? 0x7FFFFFFE : static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFE));
      return 0;
    case EM_GETLIMITTEXT:
      return w->limit;
    case EM_SETREADONLY:
      w->style = wParam != 0 ? w->style | ES_READONLY : w->style & ~ES_READONLY;
      return TRUE;
    case EM_GETMODIFY:
      return w->modified;
    case EM_SETMODIFY:
      w->modified = wParam != 0;
      return 0;
    default:
      return DefWindowProcA(w, message, wParam, lParam);
  }
}

LRESULT static_procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETDLGCODE) return DLGC_STATIC;
  return DefWindowProcA(w, message, wParam, lParam);
}

LRESULT trackbar_procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_LEFT:
        case VK_UP:
          move_trackbar(w, w->pos - w->line_size, TB_LINEUP);
          break;
        case VK_RIGHT:
        case VK_DOWN:
          move_trackbar(w, w->pos + w->line_size, TB_LINEDOWN);
          break;
        case VK_PRIOR:
          move_trackbar(w, w->pos - (w->page_size > 0 ? w->page_size : default_page(w)), TB_PAGEUP);
          break;
        case VK_NEXT:
          move_trackbar(w, w->pos + (w->page_size > 0 ? w->page_size : default_page(w)),
                        TB_PAGEDOWN);
          break;
        case VK_HOME:
          move_trackbar(w, w->range_min, TB_TOP);
          break;
        case VK_END:
          move_trackbar(w, w->range_max, TB_BOTTOM);
          break;
        default:
          break;
      }
      return 0;
    case WM_LBUTTONDOWN: {
      SetFocus(w);
      if (live(w) == nullptr) return 0;
      RECT r;
      GetClientRect(w, &r);
      const bool vertical = (w->style & TBS_VERT) != 0;
      const int extent = std::max<int>(1, (vertical ? r.bottom : r.right) - 1);
      const int at = vertical ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
      move_trackbar(w, w->range_min + (at * (w->range_max - w->range_min) + extent / 2) / extent,
                    TB_THUMBPOSITION);
      return 0;
    }
    case WM_MOUSEWHEEL: {
      const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      if (notches != 0)
        move_trackbar(w, w->pos - notches * w->line_size, notches > 0 ? TB_LINEUP : TB_LINEDOWN);
      return 0;
    }
    case TBM_GETPOS:
      return w->pos;
    case TBM_SETPOS:
      set_trackbar_pos(w, static_cast<int>(lParam));
      return 0;
    case TBM_GETRANGEMIN:
      return w->range_min;
    case TBM_GETRANGEMAX:
      return w->range_max;
    case TBM_SETRANGE:
      w->range_min = static_cast<short>(LOWORD(lParam));
      w->range_max = static_cast<short>(HIWORD(lParam));
      set_trackbar_pos(w, w->pos);
      return 0;
    case TBM_SETRANGEMIN:
      w->range_min = static_cast<int>(lParam);
      set_trackbar_pos(w, w->pos);
      return 0;
    case TBM_SETRANGEMAX:
      w->range_max = static_cast<int>(lParam);
      set_trackbar_pos(w, w->pos);
      return 0;
    case TBM_SETTIC: {
      const auto tic = static_cast<int>(lParam);
      if (tic <= w->range_min || tic >= w->range_max) return FALSE;
      w->ticks.push_back(tic);
      return TRUE;
    }
    case TBM_GETTIC:
      return wParam < w->ticks.size() ? w->ticks[wParam] : -1;
    case TBM_CLEARTICS:
      w->ticks.clear();
      return 0;
    case TBM_SETTICFREQ: {
      w->ticks.clear();
      const auto step = static_cast<int>(wParam);
      if (step > 0)
        for (int t = w->range_min + step; t < w->range_max; t += step) w->ticks.push_back(t);
      return 0;
    }
    case TBM_GETNUMTICS:
      return (w->style & TBS_NOTICKS) != 0 ? 0 : static_cast<LRESULT>(w->ticks.size() + 2);
    case TBM_SETPAGESIZE: {
      const int old = w->page_size > 0 ? w->page_size : default_page(w);
      w->page_size = static_cast<int>(lParam);
      return old;
    }
    case TBM_GETPAGESIZE:
      return w->page_size > 0 ? w->page_size : default_page(w);
    case TBM_SETLINESIZE: {
      const int old = w->line_size;
      w->line_size = static_cast<int>(lParam);
      return old;
    }
    case TBM_GETLINESIZE:
      return w->line_size;
    default:
      return DefWindowProcA(w, message, wParam, lParam);
  }
}

}  // namespace kelm::ui
