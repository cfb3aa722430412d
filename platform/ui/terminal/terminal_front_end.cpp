#include "platform/ui/terminal/terminal_front_end.h"

#include <fcntl.h>
#include <langinfo.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/character_grid.h"
#include "terminal_screen.h"

using kelm::terminal::cell_height;
using kelm::terminal::cell_width;
using kelm::terminal::Event;
using kelm::terminal::fatal_signals;

namespace {

// What the terminal needs to be given back, kept where a signal handler
// can reach it with async-signal-safe calls only.
struct SavedTerminal {
  int fd = -1;
  termios modes{};
  volatile sig_atomic_t taken = 0;
};
SavedTerminal saved;

// Attributes off, mouse reports off, cursor shown, cursor keys and keypad
// back to normal mode (else a shell's arrows send what it does not expect
// after a signal), the normal screen back.
constexpr char reset_sequence[] =
    "\033[0m\033[?1000l\033[?1002l\033[?1003l\033[?1006l\033[?25h\033[?1l\033>\033[?1049l";

void give_back_now() {
  if (!saved.taken) return;
  saved.taken = 0;
  ssize_t ignored = write(saved.fd, reset_sequence, sizeof reset_sequence - 1);
  (void)ignored;
  tcsetattr(saved.fd, TCSANOW, &saved.modes);
}

void on_fatal_signal(int signal_number) {
  give_back_now();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

void at_exit() { give_back_now(); }

KelmTerminalFrontEnd* open_front_end = nullptr;

}  // namespace

bool KelmTerminalFrontEnd::Impl::post_mouse(const MEVENT& event) {
  if (placed.empty()) return false;
  const Placement& p = placed.back();
  if (!p.client.contains(event.y, event.x)) return false;
  // A canvas's outer ring of cells stands for its narrower inset.
  const auto canvas_pixel = [](int cell, int size, int inset) {
    return cell == 0 ? inset / 2 : inset + (cell - 1) * size + size / 2;
  };
  const POINT at = p.canvas != nullptr
                       ? POINT{canvas_pixel(event.x, p.canvas->GetCellWidth(),
                                            kelm::terminal::canvas_inset(*p.canvas)),
                               canvas_pixel(event.y, p.canvas->GetCellHeight(),
                                            kelm::terminal::canvas_inset(*p.canvas))}
                       : POINT{(event.x - p.client.left) * cell_width + cell_width / 2,
                               (event.y - p.client.top) * cell_height + cell_height / 2};
  bool posted = false;
  for (const kelm::terminal::MouseMessage& m :
       kelm::terminal::mouse_messages(event, last_press, std::chrono::steady_clock::now()))
    posted = KelmPostMouse(p.window, m.message, at, m.wheel_delta);
  return posted;
}

bool KelmTerminalFrontEnd::Impl::post(const Event& event) {
  switch (event.kind) {
    case Event::key:
      KelmPostKey(event.vk, event.ch, event.modifiers);
      return true;
    case Event::character:
      KelmPostChar(event.ch);
      return true;
    case Event::mouse:
      return post_mouse(event.mouse_event);
    case Event::resize:
      dirty = true;
      return false;
    default:
      return false;
  }
}

KelmTerminalFrontEnd::KelmTerminalFrontEnd() : m_impl(std::make_unique<Impl>()) {}

KelmTerminalFrontEnd::~KelmTerminalFrontEnd() { Close(); }

BOOL KelmTerminalFrontEnd::IsOpen() const { return m_impl->screen != nullptr; }

int KelmTerminalFrontEnd::GetColumns() const { return m_impl->screen != nullptr ? COLS : 0; }

int KelmTerminalFrontEnd::GetRows() const { return m_impl->screen != nullptr ? LINES : 0; }

BOOL KelmTerminalFrontEnd::Open(LPCSTR lpszDevice) {
  Impl& m = *m_impl;
  if (m.screen != nullptr || open_front_end != nullptr) return FALSE;
  const int fd =
      open(lpszDevice != nullptr ? lpszDevice : "/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return FALSE;
  termios modes{};
  if (!isatty(fd) || tcgetattr(fd, &modes) != 0) {
    close(fd);
    return FALSE;
  }
  const int out_fd = dup(fd);
  m.in = fdopen(fd, "r");
  m.out = out_fd >= 0 ? fdopen(out_fd, "w") : nullptr;
  if (m.in == nullptr || m.out == nullptr) {
    if (m.in != nullptr)
      fclose(m.in);
    else
      close(fd);
    if (m.out != nullptr)
      fclose(m.out);
    else if (out_fd >= 0)
      close(out_fd);
    m.in = m.out = nullptr;
    return FALSE;
  }
  // Wide characters reach a UTF-8 terminal only under a UTF-8 locale.
  const char* current = setlocale(LC_CTYPE, nullptr);
  m.old_locale = current != nullptr ? current : "C";
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0 && setlocale(LC_CTYPE, "") != nullptr &&
      std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
    setlocale(LC_CTYPE, "C.UTF-8");
  m.unicode = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  saved.fd = fileno(m.out);
  saved.modes = modes;
  m.screen = newterm(nullptr, m.out, m.in);
  if (m.screen == nullptr) {
    setlocale(LC_CTYPE, m.old_locale.c_str());
    fclose(m.in);
    fclose(m.out);
    m.in = m.out = nullptr;
    return FALSE;
  }
  saved.taken = 1;
  set_term(m.screen);
  kelm::terminal::configure_input();
  static bool exit_hook = false;
  if (!exit_hook) exit_hook = std::atexit(at_exit) == 0;
  for (size_t i = 0; i < fatal_signals.size(); ++i) {
    struct sigaction action {};
    action.sa_handler = on_fatal_signal;
    sigemptyset(&action.sa_mask);
    sigaction(fatal_signals[i], &action, &m.old_actions[i]);
  }
  open_front_end = this;
  m.previous = KelmSetFrontEnd(this);
  m.dirty = true;
  return TRUE;
}

void KelmTerminalFrontEnd::Close() {
  Impl& m = *m_impl;
  if (m.screen == nullptr) return;
  endwin();
  give_back_now();
  for (size_t i = 0; i < fatal_signals.size(); ++i)
    sigaction(fatal_signals[i], &m.old_actions[i], nullptr);
  delscreen(m.screen);
  m.screen = nullptr;
  fclose(m.in);
  fclose(m.out);
  m.in = m.out = nullptr;
  setlocale(LC_CTYPE, m.old_locale.c_str());
  if (KelmGetFrontEnd() == this) KelmSetFrontEnd(m.previous);
  open_front_end = nullptr;
}

BOOL KelmTerminalFrontEnd::WaitForInput(int nTimeoutMs) {
  Impl& m = *m_impl;
  if (m.screen == nullptr) return FALSE;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(nTimeoutMs, 0));
  for (;;) {
    // A canvas changes without telling: its view paints as each message is
    // handled.
    if (m.dirty || !m.canvases.empty()) m.redraw();
    int wait = nTimeoutMs;
    if (nTimeoutMs > 0) {
      wait = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count());
      if (wait <= 0) return FALSE;
    }
    const Event event = kelm::terminal::read_event(wait);
    if (event.kind == Event::none && (nTimeoutMs >= 0)) {
      if (nTimeoutMs == 0 || std::chrono::steady_clock::now() >= deadline) return FALSE;
      continue;
    }
    if (m.post(event)) return TRUE;
    if (nTimeoutMs == 0 && !m.dirty) return FALSE;
  }
}

void KelmTerminalFrontEnd::SetCanvas(HWND hWnd, const KelmCharacterGrid* pGrid) {
  Impl& m = *m_impl;
  std::erase_if(m.canvases, [&](const auto& c) { return c.first == hWnd; });
  if (pGrid != nullptr) m.canvases.emplace_back(hWnd, pGrid);
  m.dirty = true;
}

void KelmTerminalFrontEnd::Beep(UINT) {
  if (m_impl->screen != nullptr) beep();
}

void KelmTerminalFrontEnd::WindowShown(HWND) { m_impl->dirty = true; }
void KelmTerminalFrontEnd::WindowHidden(HWND) { m_impl->dirty = true; }
void KelmTerminalFrontEnd::WindowChanged(HWND) { m_impl->dirty = true; }
