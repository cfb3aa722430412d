#include "terminal_input.h"

#include <cstring>

#include "platform/code_page.h"

namespace kelm::terminal {

namespace {

int vk_of_letter(char ch) {
  if (ch >= 'a' && ch <= 'z') return ch - 'a' + 'A';
  if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) return ch;
  return VK_PACKET;
}

Event key_event(int vk, UINT modifiers = 0, char ch = 0) {
  Event e;
  e.kind = Event::key;
  e.vk = vk;
  e.modifiers = modifiers;
  e.ch = ch;
  return e;
}

Event function_key(int code) {
  switch (code) {
    case KEY_UP:
      return key_event(VK_UP);
    case KEY_DOWN:
      return key_event(VK_DOWN);
    case KEY_LEFT:
      return key_event(VK_LEFT);
    case KEY_RIGHT:
      return key_event(VK_RIGHT);
    case KEY_SR:
      return key_event(VK_UP, KELM_MOD_SHIFT);
    case KEY_SF:
      return key_event(VK_DOWN, KELM_MOD_SHIFT);
    case KEY_SLEFT:
      return key_event(VK_LEFT, KELM_MOD_SHIFT);
    case KEY_SRIGHT:
      return key_event(VK_RIGHT, KELM_MOD_SHIFT);
    case KEY_HOME:
      return key_event(VK_HOME);
    case KEY_END:
      return key_event(VK_END);
    case KEY_SHOME:
      return key_event(VK_HOME, KELM_MOD_SHIFT);
    case KEY_SEND:
      return key_event(VK_END, KELM_MOD_SHIFT);
    case KEY_PPAGE:
      return key_event(VK_PRIOR);
    case KEY_NPAGE:
      return key_event(VK_NEXT);
    case KEY_DC:
      return key_event(VK_DELETE);
    case KEY_IC:
      return key_event(VK_INSERT);
    case KEY_SDC:
      return key_event(VK_DELETE, KELM_MOD_SHIFT);
    case KEY_SIC:
      return key_event(VK_INSERT, KELM_MOD_SHIFT);
    case KEY_BACKSPACE:
      return key_event(VK_BACK);
    case KEY_ENTER:
      return key_event(VK_RETURN);
    case KEY_BTAB:
      return key_event(VK_TAB, KELM_MOD_SHIFT);
    default:
      if (code >= KEY_F(1) && code <= KEY_F(12)) return key_event(VK_F1 + code - KEY_F(1));
      // Ctrl+Delete and Ctrl+Insert have no codes of their own, only names
      // terminfo gives them.
      if (const char* name = keyname(code); name != nullptr) {
        if (std::strcmp(name, "kDC5") == 0) return key_event(VK_DELETE, KELM_MOD_CONTROL);
        if (std::strcmp(name, "kIC5") == 0) return key_event(VK_INSERT, KELM_MOD_CONTROL);
      }
      return Event{};
  }
}

Event character(wint_t wide) {
  switch (wide) {
    case L'\t':
      return key_event(VK_TAB);
    case L'\r':
    case L'\n':
      return key_event(VK_RETURN);
    case 127:
    case 8:
      return key_event(VK_BACK);
    case L' ':
      return key_event(VK_SPACE, 0, ' ');
    default:
      break;
  }
  if (wide >= 1 && wide <= 26) {
    const char letter = static_cast<char>('a' + wide - 1);
    return key_event(vk_of_letter(letter), KELM_MOD_CONTROL, letter);
  }
  const char byte = byte_of(static_cast<wchar_t>(wide));
  if (byte == 0) return Event{};
  Event e;
  e.kind = Event::character;
  e.ch = byte;
  return e;
}

// Esc followed at once by a key is that key with Alt, as terminals send it.
Event after_escape() {
  wtimeout(stdscr, 20);
  wint_t next = 0;
  const int more = wget_wch(stdscr, &next);
  if (more == KEY_CODE_YES) {
    Event e = function_key(static_cast<int>(next));
    e.modifiers |= KELM_MOD_ALT;
    return e;
  }
  if (more != OK) return key_event(VK_ESCAPE);
  // A second Esc is a key of its own, not lost: Esc twice closes a message
  // box and then the dialog under it.
  if (next == 27) {
    unget_wch(next);
    return key_event(VK_ESCAPE);
  }
  if (next < L' ') {
    Event e = character(next);
    e.modifiers |= KELM_MOD_ALT;
    return e;
  }
  const char byte = byte_of(static_cast<wchar_t>(next));
  return key_event(vk_of_letter(byte), KELM_MOD_ALT, byte);
}

}  // namespace

void configure_input() {
  // Raw, not cbreak: Ctrl+C, Ctrl+V and Ctrl+Z are the dialogs' keys (copy,
  // paste), not the terminal driver's signals and literal-next, so that a
  // person copying in an edit box does not kill the program and lose it.
  raw();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  // Long enough for the rest of a key's or a mouse report's sequence to come
  // in on a busy machine, short enough that a lone Esc feels immediate.
  set_escdelay(100);
  // Every button's reports, though only some are used: ncurses reads on
  // without its time-out past a report outside the mask, so a release of the
  // right button would hold a look for input until the next key.
  mousemask(ALL_MOUSE_EVENTS, nullptr);
  mouseinterval(0);
}

Event read_event(int timeout_ms) {
  wtimeout(stdscr, timeout_ms);
  wint_t wide = 0;
  const int got = wget_wch(stdscr, &wide);
  if (got == ERR) return Event{};
  if (got == KEY_CODE_YES) {
    if (wide == KEY_RESIZE) {
      Event e;
      e.kind = Event::resize;
      return e;
    }
    if (wide == KEY_MOUSE) {
      Event e;
      if (getmouse(&e.mouse_event) == OK) e.kind = Event::mouse;
      return e;
    }
    return function_key(static_cast<int>(wide));
  }
  if (wide == 27) return after_escape();
  return character(wide);
}

std::vector<MouseMessage> mouse_messages(const MEVENT& event, LastPress& last,
                                         std::chrono::steady_clock::time_point now) {
  const mmask_t b = event.bstate;
  if ((b & BUTTON4_PRESSED) != 0) return {{WM_MOUSEWHEEL, WHEEL_DELTA}};
  if ((b & BUTTON5_PRESSED) != 0) return {{WM_MOUSEWHEEL, -WHEEL_DELTA}};
  if ((b & BUTTON1_PRESSED) != 0) {
    const bool twice =
        event.y == last.y && event.x == last.x && now - last.at < std::chrono::milliseconds(400);
    last.y = twice ? -1 : event.y;
    last.x = twice ? -1 : event.x;
    last.at = now;
    return {{static_cast<UINT>(twice ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN), 0}};
  }
  if ((b & BUTTON1_RELEASED) != 0) return {{WM_LBUTTONUP, 0}};
  if ((b & BUTTON1_CLICKED) != 0) return {{WM_LBUTTONDOWN, 0}, {WM_LBUTTONUP, 0}};
  if ((b & BUTTON3_PRESSED) != 0) return {{WM_RBUTTONDOWN, 0}};
  return {};
}

wchar_t wide_of(char byte) {
  return static_cast<wchar_t>(KelmCp1252Char(static_cast<unsigned char>(byte)));
}

char byte_of(wchar_t wide) {
  const int byte = KelmCp1252Byte(static_cast<char32_t>(wide));
  return byte < 0 ? '\0' : static_cast<char>(byte);
}

}  // namespace kelm::terminal
