// The message queue of the user-interface thread, timers, the key state, and
// the front end's input: a front end turns a person's actions into posted
// messages, which the loops read as they would read Win32's.
#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/front_end_box.h"
#include "platform/ui/front_end.h"
#include "platform/ui/window_state.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
  HWND window;
  UINT_PTR id;
  std::chrono::milliseconds interval;
  Clock::time_point due;
  TIMERPROC proc;
};

struct Queue {
  std::deque<MSG> messages;
  std::vector<Timer> timers;
  std::array<BYTE, 256> keys{};
  bool quit = false;
  int quit_code = 0;
  int last_quit_code = 0;
  // The mouse buttons as the front end's posts leave them.
  bool left_down = false;
  bool right_down = false;
};

Queue& queue() {
  thread_local Queue q;
  return q;
}

KelmFrontEnd*& active_front_end() {
  static KelmFrontEnd* front_end = nullptr;
  return front_end;
}

// The core's message boxes reach the front end through this.
bool show_on_front_end(LPCSTR text, LPCSTR caption, UINT type, int& answer) {
  KelmFrontEnd* front_end = active_front_end();
  if (front_end == nullptr) return false;
  answer = front_end->MessageBox(text, caption, type);
  return true;
}

Clock::time_point start_time() {
  static const Clock::time_point start = Clock::now();
  return start;
}

void note_key_state(const MSG& msg) {
  auto& keys = queue().keys;
  const auto vk = static_cast<BYTE>(msg.wParam);
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) keys[vk] = 0x80;
  if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) keys[vk] = 0;
  if (msg.message == WM_LBUTTONDOWN) keys[VK_LBUTTON] = 0x80;
  if (msg.message == WM_LBUTTONUP) keys[VK_LBUTTON] = 0;
  if (msg.message == WM_RBUTTONDOWN) keys[VK_RBUTTON] = 0x80;
  if (msg.message == WM_RBUTTONUP) keys[VK_RBUTTON] = 0;
}

bool matches(const MSG& msg, HWND window, UINT first, UINT last) {
  if (window != nullptr && msg.hwnd != window) return false;
  if (first == 0 && last == 0) return true;
  return msg.message >= first && msg.message <= last;
}

// Timers fire only when nothing else is waiting, one WM_TIMER per timer.
bool post_due_timer() {
  Queue& q = queue();
  const Clock::time_point now = Clock::now();
  for (Timer& t : q.timers) {
    if (t.due > now) continue;
    t.due = now + t.interval;
    MSG msg;
    msg.hwnd = t.window;
    msg.message = WM_TIMER;
    msg.wParam = t.id;
    msg.lParam = reinterpret_cast<LPARAM>(t.proc);
    msg.time = GetTickCount();
    q.messages.push_back(msg);
    return true;
  }
  return false;
}

int milliseconds_to_next_timer() {
  const auto& timers = queue().timers;
  if (timers.empty()) return -1;
  const auto next = std::min_element(timers.begin(), timers.end(),
                                     [](const Timer& a, const Timer& b) { return a.due < b.due; });
  const auto wait =
      std::chrono::duration_cast<std::chrono::milliseconds>(next->due - Clock::now()).count();
  return static_cast<int>(std::max<long long>(wait, 0));
}

bool take(LPMSG lpMsg, HWND window, UINT first, UINT last, bool remove) {
  Queue& q = queue();
  const auto found = std::find_if(q.messages.begin(), q.messages.end(),
                                  [&](const MSG& m) { return matches(m, window, first, last); });
  if (found == q.messages.end()) return false;
  *lpMsg = *found;
  if (remove) {
    q.messages.erase(found);
    note_key_state(*lpMsg);
  }
  return true;
}

bool take_quit(LPMSG lpMsg, bool remove) {
  Queue& q = queue();
  if (!q.quit) return false;
  *lpMsg = MSG{};
  lpMsg->message = WM_QUIT;
  lpMsg->wParam = static_cast<WPARAM>(q.quit_code);
  if (remove) {
    q.quit = false;
    q.last_quit_code = q.quit_code;
  }
  return true;
}

void post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg;
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  queue().messages.push_back(msg);
}

HWND key_target() {
  if (HWND focus = GetFocus()) return focus;
  return GetActiveWindow();
}

// The virtual key and shift of a character on a US keyboard.
struct KeyOfChar {
  int vk;
  bool shift;
};

KeyOfChar key_of_char(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  if (c >= 'a' && c <= 'z') return {c - 'a' + 'A', false};
  if (c >= 'A' && c <= 'Z') return {c, true};
  if (c >= '0' && c <= '9') return {c, false};
  if (c == ' ') return {VK_SPACE, false};
  static constexpr std::string_view plain = ";=,-./`[\\]'";
  static constexpr std::string_view shifted = ":+<_>?~{|}\"";
  static constexpr int oem[] = {VK_OEM_1,      VK_OEM_PLUS, VK_OEM_COMMA, VK_OEM_MINUS,
                                VK_OEM_PERIOD, VK_OEM_2,    VK_OEM_3,     VK_OEM_4,
                                VK_OEM_5,      VK_OEM_6,    VK_OEM_7};
  if (const auto at = plain.find(ch); at != std::string_view::npos) return {oem[at], false};
  if (const auto at = shifted.find(ch); at != std::string_view::npos) return {oem[at], true};
  static constexpr std::string_view digit_shifts = ")!@#$%^&*(";
  if (const auto at = digit_shifts.find(ch); at != std::string_view::npos)
    return {static_cast<int>('0' + at), true};
  return {VK_PACKET, false};
}

char implied_char(int vk) {
  switch (vk) {
    case VK_RETURN:
      return '\r';
    case VK_TAB:
      return '\t';
    case VK_BACK:
      return '\b';
    case VK_ESCAPE:
      return '\x1B';
    default:
      return 0;
  }
}

// Whether a click at the point goes through this child to what lies below,
// as it does through statics and group boxes.
bool transparent(HWND child) {
  if (kelm::ui::is_class(child, "STATIC")) return true;
  return kelm::ui::is_class(child, "BUTTON") && (child->style & BS_TYPEMASK) == BS_GROUPBOX;
}

// A drop-down combo box's rectangle holds its open list; closed, it is
// only its first row.
bool closed_drop_down(HWND child) {
  return kelm::ui::is_class(child, "COMBOBOX") && (child->style & 3) != CBS_SIMPLE &&
         !child->dropped;
}

HWND child_at(HWND window, POINT* pt) {
  for (HWND child : window->children) {
    if ((child->style & WS_VISIBLE) == 0 || transparent(child)) continue;
    const RECT& r = child->rect;
    if (pt->x < r.left || pt->x >= r.right || pt->y < r.top || pt->y >= r.bottom) continue;
    if (closed_drop_down(child) && pt->y >= r.top + kelm::ui::item_height) continue;
    // A disabled control takes no clicks; they go nowhere, as in Win32.
    if ((child->style & WS_DISABLED) != 0) return window;
    pt->x -= r.left;
    pt->y -= r.top;
    return child_at(child, pt);
  }
  return window;
}

}  // namespace

KelmFrontEnd::~KelmFrontEnd() {
  if (active_front_end() == this) active_front_end() = nullptr;
}
void KelmFrontEnd::WindowShown(HWND) {}
void KelmFrontEnd::WindowHidden(HWND) {}
void KelmFrontEnd::WindowDestroyed(HWND) {}
void KelmFrontEnd::WindowChanged(HWND) {}
void KelmFrontEnd::Beep(UINT) {}
void KelmFrontEnd::SetCanvas(HWND, const KelmCharacterGrid*) {}
BOOL KelmFrontEnd::PutClipboardText(LPCSTR) { return FALSE; }
BOOL KelmFrontEnd::GetClipboardText(CString&) { return FALSE; }

KelmFrontEnd* KelmSetFrontEnd(KelmFrontEnd* pFrontEnd) {
  front_end_box::install(show_on_front_end);
  KelmFrontEnd* old = active_front_end();
  active_front_end() = pFrontEnd;
  return old;
}

KelmFrontEnd* KelmGetFrontEnd() { return active_front_end(); }

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd != nullptr && !IsWindow(hWnd)) return FALSE;
  post(hWnd, Msg, wParam, lParam);
  return TRUE;
}

void PostQuitMessage(int nExitCode) {
  queue().quit = true;
  queue().quit_code = nExitCode;
}

// Without a front end there is nobody to wait for: the wait ends as WM_QUIT
// would, unless a timer is still to fire.
BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (lpMsg == nullptr) return FALSE;
  for (;;) {
    kelm::ui::collect_destroyed();
    if (take(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) return lpMsg->message != WM_QUIT;
    if (take_quit(lpMsg, true)) return FALSE;
    if (post_due_timer()) continue;
    const int wait = milliseconds_to_next_timer();
    if (KelmFrontEnd* front_end = KelmGetFrontEnd()) {
      front_end->WaitForInput(wait);
    } else if (wait >= 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    } else {
      *lpMsg = MSG{};
      lpMsg->message = WM_QUIT;
      return FALSE;
    }
  }
}

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  if (lpMsg == nullptr) return FALSE;
  const bool remove = (wRemoveMsg & PM_REMOVE) != 0;
  kelm::ui::collect_destroyed();
  if (take(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, remove)) return TRUE;
  if (take_quit(lpMsg, remove)) return TRUE;
  if (!post_due_timer()) {
    if (KelmFrontEnd* front_end = KelmGetFrontEnd()) front_end->WaitForInput(0);
  }
  return take(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, remove) ? TRUE : FALSE;
}

// The character rides in the key message (see win_user.h); Ctrl turns a
// letter into its control code, Alt makes it WM_SYSCHAR. The character comes
// next, ahead of anything queued after the key.
BOOL TranslateMessage(const MSG* lpMsg) {
  if (lpMsg == nullptr) return FALSE;
  if (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN) return FALSE;
  auto ch = static_cast<unsigned char>((static_cast<DWORD_PTR>(lpMsg->lParam) >> 16) & 0xFF);
  if (ch == 0) return FALSE;
  const bool alt = lpMsg->message == WM_SYSKEYDOWN;
  if (!alt && GetKeyState(VK_CONTROL) < 0) {
    if ((ch | 0x20) >= 'a' && (ch | 0x20) <= 'z')
      ch = static_cast<unsigned char>((ch | 0x20) - 'a' + 1);
    else if (ch != '\r' && ch != '\b' && ch != '\x1B' && ch != '\t')
      return FALSE;
  }
  MSG msg = *lpMsg;
  msg.message = alt ? WM_SYSCHAR : WM_CHAR;
  msg.wParam = ch;
  queue().messages.push_front(msg);
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* lpMsg) {
  if (lpMsg == nullptr || lpMsg->hwnd == nullptr) return 0;
  if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
    reinterpret_cast<TIMERPROC>(lpMsg->lParam)(lpMsg->hwnd, WM_TIMER, lpMsg->wParam,
                                               GetTickCount());
    return 0;
  }
  return SendMessageA(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

short GetKeyState(int nVirtKey) {
  if (nVirtKey < 0 || nVirtKey > 255) return 0;
  const BYTE state = queue().keys[static_cast<size_t>(nVirtKey)];
  return static_cast<short>((state & 0x80) != 0 ? 0xFF80 : 0);
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  if (hWnd != nullptr && !IsWindow(hWnd)) return 0;
  auto& timers = queue().timers;
  std::erase_if(timers, [&](const Timer& t) { return t.window == hWnd && t.id == nIDEvent; });
  const auto interval = std::chrono::milliseconds(std::max<UINT>(uElapse, 10));
  timers.push_back(Timer{hWnd, nIDEvent, interval, Clock::now() + interval, lpTimerFunc});
  return nIDEvent == 0 ? 1 : nIDEvent;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  auto& timers = queue().timers;
  const auto removed =
      std::erase_if(timers, [&](const Timer& t) { return t.window == hWnd && t.id == uIDEvent; });
  std::erase_if(queue().messages, [&](const MSG& m) {
    return m.message == WM_TIMER && m.hwnd == hWnd && m.wParam == uIDEvent;
  });
  return removed != 0;
}

DWORD GetTickCount() {
  return static_cast<DWORD>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_time()).count());
}

BOOL MessageBeep(UINT uType) {
  if (KelmFrontEnd* front_end = KelmGetFrontEnd()) front_end->Beep(uType);
  return TRUE;
}

namespace kelm::ui {
int last_quit_code() { return queue().last_quit_code; }

// A destroyed window's timers and queued messages go with it.
void forget_window(HWND window) {
  auto& q = queue();
  std::erase_if(q.timers, [&](const Timer& t) { return t.window == window; });
  std::erase_if(q.messages, [&](const MSG& m) { return m.hwnd == window; });
}
}  // namespace kelm::ui

void KelmPostKey(int nVirtKey, char ch, UINT nModifiers) {
  const HWND target = key_target();
  const bool alt = (nModifiers & KELM_MOD_ALT) != 0;
  if (ch == 0) ch = implied_char(nVirtKey);
  const LPARAM alt_bit = alt ? KF_ALTDOWN_LPARAM : 0;
  const LPARAM up_bits = (LPARAM{1} << 30) | (LPARAM{1} << 31);
  const UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
  const UINT up = alt ? WM_SYSKEYUP : WM_KEYUP;
  if ((nModifiers & KELM_MOD_SHIFT) != 0) post(target, down, VK_SHIFT, 1 | alt_bit);
  if ((nModifiers & KELM_MOD_CONTROL) != 0) post(target, down, VK_CONTROL, 1 | alt_bit);
  if (alt) post(target, WM_SYSKEYDOWN, VK_MENU, 1 | alt_bit);
  const LPARAM char_bits = static_cast<LPARAM>(static_cast<unsigned char>(ch)) << 16;
  post(target, down, static_cast<WPARAM>(nVirtKey), 1 | char_bits | alt_bit);
  post(target, up, static_cast<WPARAM>(nVirtKey), 1 | up_bits | alt_bit);
  if (alt) post(target, WM_KEYUP, VK_MENU, 1 | up_bits);
  if ((nModifiers & KELM_MOD_CONTROL) != 0) post(target, WM_KEYUP, VK_CONTROL, 1 | up_bits);
  if ((nModifiers & KELM_MOD_SHIFT) != 0) post(target, WM_KEYUP, VK_SHIFT, 1 | up_bits);
}

void KelmPostChar(char ch) {
  const KeyOfChar key = key_of_char(ch);
  KelmPostKey(key.vk, ch, key.shift ? KELM_MOD_SHIFT : 0);
}

BOOL KelmPostMouse(HWND hWndTop, UINT message, POINT ptClient, short nWheelDelta) {
  const bool known = message == WM_LBUTTONDOWN || message == WM_LBUTTONUP ||
                     message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN ||
                     message == WM_RBUTTONUP || message == WM_MOUSEMOVE || message == WM_MOUSEWHEEL;
  HWND top = kelm::ui::live(hWndTop);
  if (!known || top == nullptr || !kelm::ui::is_shown_top_level(top)) return FALSE;
  RECT client;
  GetClientRect(top, &client);
  if (ptClient.x < 0 || ptClient.y < 0 || ptClient.x >= client.right || ptClient.y >= client.bottom)
    return FALSE;
  // Win32 activates an enabled window a click lands on; a disabled one (the
  // owner of a modal dialog) takes no clicks at all.
  if ((top->style & WS_DISABLED) != 0) {
    if (message != WM_MOUSEMOVE && message != WM_MOUSEWHEEL) MessageBeep(MB_SIMPLEBEEP);
    return FALSE;
  }
  Queue& q = queue();
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) q.left_down = true;
  if (message == WM_LBUTTONUP) q.left_down = false;
  if (message == WM_RBUTTONDOWN) q.right_down = true;
  if (message == WM_RBUTTONUP) q.right_down = false;
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN)
    kelm::ui::activate(top);
  POINT local = ptClient;
  HWND target = child_at(top, &local);
  const WORD buttons =
      static_cast<WORD>((q.left_down ? MK_LBUTTON : 0) | (q.right_down ? MK_RBUTTON : 0));
  if (message == WM_MOUSEWHEEL) {
    RECT window;
    GetWindowRect(target, &window);
    post(target, message, MAKEWPARAM(buttons, static_cast<WORD>(nWheelDelta)),
         MAKELPARAM(static_cast<WORD>(window.left + local.x),
                    static_cast<WORD>(window.top + local.y)));
    return TRUE;
  }
  post(target, message, buttons,
       MAKELPARAM(static_cast<WORD>(local.x), static_cast<WORD>(local.y)));
  return TRUE;
}
