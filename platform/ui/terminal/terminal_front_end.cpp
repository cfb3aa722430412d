#include "platform/ui/terminal/terminal_front_end.h"

#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <curses.h>
#include <fcntl.h>
#include <langinfo.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/gdi/character_grid.h"
#include "platform/message.h"
#include "platform/ui/font.h"
#include "platform/ui/win_user.h"

namespace {

// Pixels of a character cell: the platform's dialog base units.
constexpr int cell_width = 8;
constexpr int cell_height = 16;

// What the terminal needs to be given back, kept where a signal handler
// can reach it with async-signal-safe calls only.
struct SavedTerminal {
  int fd = -1;
  termios modes{};
  volatile sig_atomic_t taken = 0;
};
SavedTerminal saved;

// Attributes off, mouse reports off, cursor shown, the normal screen back.
constexpr char reset_sequence[] =
    "\033[0m\033[?1000l\033[?1002l\033[?1003l\033[?1006l\033[?25h\033[?1049l";

void give_back_now() {
  if (!saved.taken) return;
  saved.taken = 0;
  ssize_t ignored = write(saved.fd, reset_sequence, sizeof reset_sequence - 1);
  (void)ignored;
  tcsetattr(saved.fd, TCSANOW, &saved.modes);
}

constexpr std::array<int, 10> fatal_signals = {SIGINT,  SIGTERM, SIGHUP, SIGQUIT, SIGABRT,
                                               SIGSEGV, SIGBUS,  SIGFPE, SIGILL,  SIGPIPE};

void on_fatal_signal(int signal_number) {
  give_back_now();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

void at_exit() { give_back_now(); }

wchar_t wide_of(char byte) {
  static const std::array<wchar_t, 256> table = [] {
    std::array<wchar_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
      const char c = static_cast<char>(b);
      WCHAR unit = 0;
      t[static_cast<size_t>(b)] =
          MultiByteToWideChar(CP_ACP, 0, &c, 1, &unit, 1) == 1 ? static_cast<wchar_t>(unit) : L'?';
    }
    return t;
  }();
  return table[static_cast<unsigned char>(byte)];
}

// The Windows-1252 byte of a typed character, or 0 when it has none.
char byte_of(wchar_t wide) {
  if (wide > 0xFFFF) return 0;
  const auto unit = static_cast<WCHAR>(wide);
  char byte = 0;
  BOOL defaulted = FALSE;
  if (WideCharToMultiByte(CP_ACP, 0, &unit, 1, &byte, 1, nullptr, &defaulted) != 1 || defaulted)
    return 0;
  return byte;
}

CString text_of(HWND w) {
  char buffer[1024];
  GetWindowTextA(w, buffer, sizeof buffer);
  return buffer;
}

CString class_of(HWND w) {
  char buffer[64];
  GetClassNameA(w, buffer, sizeof buffer);
  return buffer;
}

DWORD style_of(HWND w) { return static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)); }

bool bold_font(HWND w) {
  LOGFONTA font;
  const auto handle = reinterpret_cast<HGDIOBJ>(SendMessageA(w, WM_GETFONT, 0, 0));
  return handle != nullptr && GetObjectA(handle, sizeof font, &font) != 0 && font.lfWeight >= 600;
}

struct Glyph {
  wchar_t ch;
  bool accelerator;
};

// A label's characters; "&x" underlines x and "&&" is one '&'.
std::vector<Glyph> glyphs(const CString& text, bool prefix) {
  std::vector<Glyph> out;
  const int n = text.GetLength();
  for (int i = 0; i < n; ++i) {
    char c = text[i];
    bool accelerator = false;
    if (prefix && c == '&' && i + 1 < n) {
      c = text[++i];
      accelerator = c != '&';
    }
    out.push_back({wide_of(c), accelerator});
  }
  return out;
}

// The pixels the outer ring of a grid's cells stands for.
int canvas_inset(const KelmCharacterGrid& grid) {
  return (grid.GetPixelRect().Width() - (grid.GetColumns() - 2) * grid.GetCellWidth()) / 2;
}

struct Event {
  enum Kind { none, key, character, mouse, resize } kind = none;
  int vk = 0;
  UINT modifiers = 0;
  char ch = 0;
  MEVENT mouse_event{};
};

}  // namespace

struct KelmTerminalFrontEnd::Impl {
  struct Cells {
    int left;
    int top;
    int right;  // past the last column
    int bottom;
    bool contains(int y, int x) const { return y >= top && y < bottom && x >= left && x < right; }
  };

  struct Placement {
    HWND window;
    Cells frame;
    Cells client;
    const KelmCharacterGrid* canvas = nullptr;
  };

  KelmFrontEnd* previous = nullptr;
  FILE* in = nullptr;
  FILE* out = nullptr;
  SCREEN* screen = nullptr;
  std::string old_locale;
  bool unicode = false;
  bool dirty = true;
  std::array<struct sigaction, fatal_signals.size()> old_actions{};
  std::vector<Placement> placed;
  std::vector<std::pair<HWND, const KelmCharacterGrid*>> canvases;
  int cursor_y = -1;
  int cursor_x = -1;
  // A second press on the same cell soon after the first is a double click.
  int last_press_y = -1;
  int last_press_x = -1;
  std::chrono::steady_clock::time_point last_press{};

  // Drawing.
  void put(const Cells& clip, int y, int x, wchar_t ch, attr_t attr) const;
  void text(const Cells& clip, int y, int x, int width, const std::vector<Glyph>& label,
            attr_t attr, bool underline_accelerators) const;
  wchar_t line(wchar_t fancy, char plain) const {
    return unicode ? fancy : static_cast<wchar_t>(plain);
  }
  void box(const Cells& clip, const Cells& b, attr_t attr) const;
  void redraw();
  void draw_window(HWND top, bool active);
  const KelmCharacterGrid* canvas_of(HWND top) const;
  void draw_canvas(HWND top, const KelmCharacterGrid& grid);
  wchar_t frame_line(const KelmCharacterGrid& grid, int column, int row) const;
  void draw_control(HWND control, const Placement& p, bool dropped_pass);
  Cells cells_of(HWND control, const Placement& p) const;
  void draw_list(HWND control, const Cells& clip, const Cells& area, bool list_box, bool focused);
  void draw_field(HWND control, const Cells& clip, int y, int x, int width, bool focused,
                  bool combo);

  // Input.
  Event read(int timeout_ms);
  bool post(const Event& event);
  bool post_mouse(const MEVENT& event);
};

namespace {

KelmTerminalFrontEnd* open_front_end = nullptr;

}  // namespace

void KelmTerminalFrontEnd::Impl::put(const Cells& clip, int y, int x, wchar_t ch,
                                     attr_t attr) const {
  if (!clip.contains(y, x) || y < 0 || x < 0 || y >= LINES || x >= COLS) return;
  if (!unicode && ch > 0x7E) ch = L'?';
  const wchar_t s[2] = {ch, 0};
  cchar_t c;
  setcchar(&c, s, attr, 0, nullptr);
  mvadd_wch(y, x, &c);
}

void KelmTerminalFrontEnd::Impl::text(const Cells& clip, int y, int x, int width,
                                      const std::vector<Glyph>& label, attr_t attr,
                                      bool underline_accelerators) const {
  for (int i = 0; i < width && i < static_cast<int>(label.size()); ++i) {
    const Glyph& g = label[static_cast<size_t>(i)];
    put(clip, y, x + i, g.ch,
        attr | (g.accelerator && underline_accelerators ? A_UNDERLINE : A_NORMAL));
  }
}

void KelmTerminalFrontEnd::Impl::box(const Cells& clip, const Cells& b, attr_t attr) const {
  for (int x = b.left + 1; x < b.right - 1; ++x) {
    put(clip, b.top, x, line(L'─', '-'), attr);
    put(clip, b.bottom - 1, x, line(L'─', '-'), attr);
  }
  for (int y = b.top + 1; y < b.bottom - 1; ++y) {
    put(clip, y, b.left, line(L'│', '|'), attr);
    put(clip, y, b.right - 1, line(L'│', '|'), attr);
  }
  put(clip, b.top, b.left, line(L'┌', '+'), attr);
  put(clip, b.top, b.right - 1, line(L'┐', '+'), attr);
  put(clip, b.bottom - 1, b.left, line(L'└', '+'), attr);
  put(clip, b.bottom - 1, b.right - 1, line(L'┘', '+'), attr);
}

// Rounded to the nearest cell edge, so that controls a few units apart do
// not run into each other.
KelmTerminalFrontEnd::Impl::Cells KelmTerminalFrontEnd::Impl::cells_of(HWND control,
                                                                       const Placement& p) const {
  RECT r;
  GetWindowRect(control, &r);
  RECT frame;
  RECT client;
  GetWindowRect(p.window, &frame);
  GetClientRect(p.window, &client);
  const LONG origin_x = frame.left + (frame.right - frame.left - client.right) / 2;
  const LONG origin_y = frame.top + (frame.bottom - frame.top - client.bottom) / 2;
  const int left = static_cast<int>((r.left - origin_x + cell_width / 2) / cell_width);
  const int top = static_cast<int>((r.top - origin_y + cell_height / 2) / cell_height);
  const int right = static_cast<int>((r.right - origin_x + cell_width / 2) / cell_width);
  const int bottom = static_cast<int>((r.bottom - origin_y + cell_height / 2) / cell_height);
  return Cells{p.client.left + left, p.client.top + top, p.client.left + std::max(right, left + 1),
               p.client.top + std::max(bottom, top + 1)};
}

void KelmTerminalFrontEnd::Impl::redraw() {
  dirty = false;
  cursor_y = cursor_x = -1;
  erase();
  placed.clear();
  HWND tops[64];
  const int count = std::min(KelmGetTopLevelWindows(tops, 64), 64);
  for (int i = 0; i < count; ++i) draw_window(tops[i], i == count - 1);
  if (cursor_y >= 0) {
    curs_set(1);
    move(cursor_y, cursor_x);
  } else {
    curs_set(0);
  }
  refresh();
}

const KelmCharacterGrid* KelmTerminalFrontEnd::Impl::canvas_of(HWND top) const {
  for (const auto& [window, grid] : canvases)
    if (window == top) return grid;
  return nullptr;
}

// A sunken edge's cell joins the edge cells beside it, as a box's line does.
wchar_t KelmTerminalFrontEnd::Impl::frame_line(const KelmCharacterGrid& grid, int column,
                                               int row) const {
  const auto edge = [&](int c, int r) {
    return c >= 0 && r >= 0 && c < grid.GetColumns() && r < grid.GetRows() && grid.At(c, r).frame;
  };
  const bool left = edge(column - 1, row);
  const bool right = edge(column + 1, row);
  const bool up = edge(column, row - 1);
  const bool down = edge(column, row + 1);
  if (right && down && !left && !up) return line(L'┌', '+');
  if (left && down && !right && !up) return line(L'┐', '+');
  if (right && up && !left && !down) return line(L'└', '+');
  if (left && up && !right && !down) return line(L'┘', '+');
  if (up || down) return line(L'│', '|');
  return line(L'─', '-');
}

void KelmTerminalFrontEnd::Impl::draw_canvas(HWND top, const KelmCharacterGrid& grid) {
  const Cells whole{0, 0, COLS, LINES};
  for (int row = 0; row < grid.GetRows(); ++row)
    for (int column = 0; column < grid.GetColumns(); ++column) {
      const KelmCharacterGrid::Cell& cell = grid.At(column, row);
      const attr_t attr =
          (cell.inverted ? A_REVERSE : A_NORMAL) | (cell.focused ? A_UNDERLINE : A_NORMAL);
      put(whole, row, column, cell.frame ? frame_line(grid, column, row) : wide_of(cell.ch), attr);
    }
  const Cells area{0, 0, std::min(grid.GetColumns(), COLS), std::min(grid.GetRows(), LINES)};
  placed.push_back(Placement{top, area, area, &grid});
}

void KelmTerminalFrontEnd::Impl::draw_window(HWND top, bool active) {
  if (const KelmCharacterGrid* grid = canvas_of(top); grid != nullptr) {
    draw_canvas(top, *grid);
    return;
  }
  RECT r;
  GetWindowRect(top, &r);
  RECT client;
  GetClientRect(top, &client);
  // Whole cells for the client area, and one cell of frame where there is
  // any frame at all.
  const int framed_x = r.right - r.left > client.right ? 1 : 0;
  const int framed_y = r.bottom - r.top > client.bottom ? 1 : 0;
  const int width = static_cast<int>((client.right + cell_width - 1) / cell_width) + 2 * framed_x;
  const int height =
      static_cast<int>((client.bottom + cell_height - 1) / cell_height) + 2 * framed_y;
  const int left = std::max(0, (COLS - width) / 2);
  const int top_row = std::max(0, (LINES - height) / 2);
  Placement p{top, Cells{left, top_row, left + width, top_row + height},
              Cells{left + framed_x, top_row + framed_y, left + width - framed_x,
                    top_row + height - framed_y}};
  const Cells whole{0, 0, COLS, LINES};
  for (int y = p.frame.top; y < p.frame.bottom; ++y)
    for (int x = p.frame.left; x < p.frame.right; ++x) put(whole, y, x, L' ', A_NORMAL);
  if (framed_x > 0 && framed_y > 0) {
    box(whole, p.frame, A_NORMAL);
    std::vector<Glyph> caption = glyphs(" " + text_of(top) + " ", false);
    const int room = std::max(0, width - 4);
    const int shown = std::min(room, static_cast<int>(caption.size()));
    text(whole, p.frame.top, p.frame.left + (width - shown) / 2, shown, caption,
         active ? A_BOLD : A_NORMAL, false);
  }
  placed.push_back(p);
  for (int pass = 0; pass < 2; ++pass)
    for (HWND child = GetWindow(top, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
      if (IsWindowVisible(child)) draw_control(child, p, pass == 1);
}

void KelmTerminalFrontEnd::Impl::draw_field(HWND control, const Cells& clip, int y, int x,
                                            int width, bool focused, bool combo) {
  const CString value = text_of(control);
  const DWORD style = style_of(control);
  const bool read_only = !combo && (style & ES_READONLY) != 0;
  DWORD start = 0;
  DWORD end = 0;
  SendMessageA(control, combo ? CB_GETEDITSEL : EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  const int caret = static_cast<int>(end);
  const int offset = std::max(0, caret - width + 1);
  // The focused field is in reverse video, its selection standing out of it.
  const attr_t base = (bold_font(control) ? A_BOLD : A_NORMAL) |
                      (read_only ? A_NORMAL : A_UNDERLINE) | (focused ? A_REVERSE : A_NORMAL);
  for (int i = 0; i < width; ++i) {
    const int at = offset + i;
    wchar_t ch = L' ';
    if (at < value.GetLength())
      ch = !combo && (style & ES_PASSWORD) != 0 ? L'*' : wide_of(value[at]);
    const bool selected = focused && at >= static_cast<int>(std::min(start, end)) &&
                          at < static_cast<int>(std::max(start, end));
    put(clip, y, x + i, ch, selected ? base & ~A_REVERSE : base);
  }
  if (focused) {
    cursor_y = y;
    cursor_x = x + std::min(caret - offset, width - 1);
  }
}

void KelmTerminalFrontEnd::Impl::draw_list(HWND control, const Cells& clip, const Cells& area,
                                           bool list_box, bool focused) {
  const auto count =
      static_cast<int>(SendMessageA(control, list_box ? LB_GETCOUNT : CB_GETCOUNT, 0, 0));
  const auto top =
      static_cast<int>(SendMessageA(control, list_box ? LB_GETTOPINDEX : CB_GETTOPINDEX, 0, 0));
  const auto selected =
      static_cast<int>(SendMessageA(control, list_box ? LB_GETCURSEL : CB_GETCURSEL, 0, 0));
  const int rows = area.bottom - area.top;
  const bool bar = count > rows && (style_of(control) & WS_VSCROLL) != 0;
  const int width = area.right - area.left - (bar ? 1 : 0);
  std::vector<int> stops(16);
  const int stop_count = list_box ? KelmGetListTabStops(control, stops.data(), 16) : 0;
  stops.resize(static_cast<size_t>(std::min(stop_count, 16)));
  const auto next_stop = [&](int column) {
    if (stops.size() > 1)
      for (int s : stops)
        if (s / 4 > column) return s / 4;
    const int every = stops.size() == 1 ? std::max(1, stops[0] / 4) : 8;
    return (column / every + 1) * every;
  };
  const attr_t base = bold_font(control) ? A_BOLD : A_NORMAL;
  for (int row = 0; row < rows; ++row) {
    const int index = top + row;
    const int y = area.top + row;
    attr_t attr = base;
    if (index == selected) attr |= focused ? A_REVERSE : A_UNDERLINE;
    std::vector<wchar_t> line(static_cast<size_t>(std::max(width, 0)), L' ');
    if (index < count) {
      const UINT len_msg = list_box ? LB_GETTEXTLEN : CB_GETLBTEXTLEN;
      const auto length = SendMessageA(control, len_msg, static_cast<WPARAM>(index), 0);
      std::string item(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
      SendMessageA(control, list_box ? LB_GETTEXT : CB_GETLBTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(item.data()));
      int column = 0;
      for (size_t k = 0; k < static_cast<size_t>(std::max<LRESULT>(length, 0)) && column < width;
           ++k) {
        if (item[k] == '\t') {
          column = next_stop(column);
          continue;
        }
        line[static_cast<size_t>(column++)] = wide_of(item[k]);
      }
    }
    for (int i = 0; i < width; ++i) put(clip, y, area.left + i, line[static_cast<size_t>(i)], attr);
    if (focused && (index == selected || (selected < 0 && row == 0))) {
      cursor_y = y;
      cursor_x = area.left;
    }
  }
  if (!bar) return;
  const int x = area.right - 1;
  const int track = std::max(1, rows - 2);
  const int thumb =
      area.top + 1 +
      (count - rows > 0 ? (top * (track - 1) + (count - rows) / 2) / (count - rows) : 0);
  for (int y = area.top; y < area.bottom; ++y) {
    wchar_t ch = line(L'│', '|');
    if (y == area.top)
      ch = line(L'▲', '^');
    else if (y == area.bottom - 1)
      ch = line(L'▼', 'v');
    else if (y == thumb)
      ch = line(L'█', '#');
    put(clip, y, x, ch, A_NORMAL);
  }
}

void KelmTerminalFrontEnd::Impl::draw_control(HWND control, const Placement& p, bool dropped_pass) {
  const CString cls = class_of(control);
  const DWORD style = style_of(control);
  const bool focused = GetFocus() == control;
  const bool enabled = IsWindowEnabled(control) != 0;
  const Cells c = cells_of(control, p);
  const int width = c.right - c.left;
  const attr_t dim = enabled ? A_NORMAL : A_DIM;
  const attr_t bold = bold_font(control) ? A_BOLD : A_NORMAL;
  // The open list of a drop-down combo box lies over the controls after it.
  if (dropped_pass) {
    if (cls == "COMBOBOX" && (style & 3) != CBS_SIMPLE &&
        SendMessageA(control, CB_GETDROPPEDSTATE, 0, 0) != 0)
      draw_list(control, Cells{0, 0, COLS, LINES}, Cells{c.left, c.top + 1, c.right, c.bottom},
                false, true);
    return;
  }
  if (cls == "STATIC") {
    const std::vector<Glyph> label = glyphs(text_of(control), (style & SS_NOPREFIX) == 0);
    const int length = static_cast<int>(label.size());
    int x = c.left;
    if ((style & 3) == SS_CENTER) x += std::max(0, (width - length) / 2);
    if ((style & 3) == SS_RIGHT) x += std::max(0, width - length);
    // A label may run on past its box to the dialog's edge; controls drawn
    // after it take their own cells back.
    text(p.client, c.top, x, p.client.right - x, label, dim | bold, enabled);
    return;
  }
  if (cls == "BUTTON") {
    const DWORD type = style & BS_TYPEMASK;
    const std::vector<Glyph> label = glyphs(text_of(control), true);
    if (type == BS_GROUPBOX) {
      box(p.client, c, dim);
      std::vector<Glyph> title = {{L' ', false}};
      title.insert(title.end(), label.begin(), label.end());
      title.push_back({L' ', false});
      text(p.client, c.top, c.left + 1, width - 2, title, dim | bold, enabled);
      return;
    }
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
      const bool is_default = type == BS_DEFPUSHBUTTON;
      std::vector<Glyph> shown;
      shown.push_back({is_default ? L'<' : L'[', false});
      shown.push_back({L' ', false});
      shown.insert(shown.end(), label.begin(), label.end());
      shown.push_back({L' ', false});
      shown.push_back({is_default ? L'>' : L']', false});
      const int length = std::min(width, static_cast<int>(shown.size()));
      const int y = c.top + (c.bottom - c.top - 1) / 2;
      const attr_t attr =
          dim | bold | (focused ? A_REVERSE : A_NORMAL) | (is_default ? A_BOLD : A_NORMAL);
      text(p.client, y, c.left + (width - length) / 2, length, shown, attr, enabled);
      return;
    }
    const int check = static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0));
    const bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
    const wchar_t mark = check == BST_CHECKED         ? (radio ? L'*' : L'x')
                         : check == BST_INDETERMINATE ? L'-'
                                                      : L' ';
    const std::vector<Glyph> box_glyphs = {
        {radio ? L'(' : L'[', false}, {mark, false}, {radio ? L')' : L']', false}};
    text(p.client, c.top, c.left, 3, box_glyphs, dim, false);
    text(p.client, c.top, c.left + 4, width - 4, label,
         dim | bold | (focused ? A_REVERSE : A_NORMAL), enabled);
    if (focused) {
      cursor_y = c.top;
      cursor_x = c.left + 1;
    }
    return;
  }
  if (cls == "EDIT") {
    draw_field(control, p.client, c.top, c.left, width, focused, false);
    return;
  }
  if (cls == "LISTBOX") {
    draw_list(control, p.client, c, true, focused);
    return;
  }
  if (cls == "COMBOBOX") {
    if ((style & 3) == CBS_SIMPLE) {
      draw_field(control, p.client, c.top, c.left, width, focused, true);
      draw_list(control, p.client, Cells{c.left, c.top + 1, c.right, c.bottom}, false, false);
      return;
    }
    const std::vector<Glyph> shown = glyphs(text_of(control), false);
    for (int i = 0; i < width - 1; ++i)
      put(p.client, c.top, c.left + i,
          i < static_cast<int>(shown.size()) ? shown[static_cast<size_t>(i)].ch : L' ',
          dim | bold | A_UNDERLINE | (focused ? A_REVERSE : A_NORMAL));
    put(p.client, c.top, c.right - 1, line(L'▼', 'v'), dim);
    if (focused) {
      cursor_y = c.top;
      cursor_x = c.left;
    }
    return;
  }
  if (cls == TRACKBAR_CLASSA) {
    const int low = static_cast<int>(SendMessageA(control, TBM_GETRANGEMIN, 0, 0));
    const int high = static_cast<int>(SendMessageA(control, TBM_GETRANGEMAX, 0, 0));
    const int pos = static_cast<int>(SendMessageA(control, TBM_GETPOS, 0, 0));
    const int y = c.top + (c.bottom - c.top - 1) / 2;
    const int at = high > low ? (pos - low) * (width - 1) / (high - low) : 0;
    for (int i = 0; i < width; ++i) put(p.client, y, c.left + i, line(L'─', '-'), dim);
    put(p.client, y, c.left + at, line(L'█', '#'), dim | (focused ? A_REVERSE : A_NORMAL));
    if (focused) {
      cursor_y = y;
      cursor_x = c.left + at;
    }
  }
}

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
    case KEY_BACKSPACE:
      return key_event(VK_BACK);
    case KEY_ENTER:
      return key_event(VK_RETURN);
    case KEY_BTAB:
      return key_event(VK_TAB, KELM_MOD_SHIFT);
    default:
      if (code >= KEY_F(1) && code <= KEY_F(12)) return key_event(VK_F1 + code - KEY_F(1));
      // Ctrl+Delete has no code of its own, only a name terminfo gives it.
      if (const char* name = keyname(code); name != nullptr && std::strcmp(name, "kDC5") == 0)
        return key_event(VK_DELETE, KELM_MOD_CONTROL);
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

}  // namespace

Event KelmTerminalFrontEnd::Impl::read(int timeout_ms) {
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
  if (wide == 27) {
    // Esc followed at once by a key is that key with Alt, as terminals send it.
    wtimeout(stdscr, 20);
    wint_t next = 0;
    const int more = wget_wch(stdscr, &next);
    if (more == OK && next != 27 && next >= L' ') {
      const char byte = byte_of(static_cast<wchar_t>(next));
      return key_event(vk_of_letter(byte), KELM_MOD_ALT, byte);
    }
    if (more == KEY_CODE_YES) {
      Event e = function_key(static_cast<int>(next));
      e.modifiers |= KELM_MOD_ALT;
      return e;
    }
    return key_event(VK_ESCAPE);
  }
  return character(wide);
}

bool KelmTerminalFrontEnd::Impl::post_mouse(const MEVENT& event) {
  if (placed.empty()) return false;
  const Placement& p = placed.back();
  if (!p.client.contains(event.y, event.x)) return false;
  // A canvas's outer ring of cells stands for its narrower inset.
  const auto canvas_pixel = [](int cell, int size, int inset) {
    return cell == 0 ? inset / 2 : inset + (cell - 1) * size + size / 2;
  };
  const POINT at =
      p.canvas != nullptr
          ? POINT{canvas_pixel(event.x, p.canvas->GetCellWidth(), canvas_inset(*p.canvas)),
                  canvas_pixel(event.y, p.canvas->GetCellHeight(), canvas_inset(*p.canvas))}
          : POINT{(event.x - p.client.left) * cell_width + cell_width / 2,
                  (event.y - p.client.top) * cell_height + cell_height / 2};
  const mmask_t b = event.bstate;
  if ((b & BUTTON4_PRESSED) != 0) return KelmPostMouse(p.window, WM_MOUSEWHEEL, at, WHEEL_DELTA);
  if ((b & BUTTON5_PRESSED) != 0) return KelmPostMouse(p.window, WM_MOUSEWHEEL, at, -WHEEL_DELTA);
  if ((b & BUTTON1_PRESSED) != 0) {
    const auto now = std::chrono::steady_clock::now();
    const bool twice = event.y == last_press_y && event.x == last_press_x &&
                       now - last_press < std::chrono::milliseconds(400);
    last_press_y = twice ? -1 : event.y;
    last_press_x = twice ? -1 : event.x;
    last_press = now;
    return KelmPostMouse(p.window, twice ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, at);
  }
  if ((b & BUTTON1_RELEASED) != 0) return KelmPostMouse(p.window, WM_LBUTTONUP, at);
  if ((b & BUTTON1_CLICKED) != 0) {
    KelmPostMouse(p.window, WM_LBUTTONDOWN, at);
    return KelmPostMouse(p.window, WM_LBUTTONUP, at);
  }
  if ((b & BUTTON3_PRESSED) != 0) return KelmPostMouse(p.window, WM_RBUTTONDOWN, at);
  return false;
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
  cbreak();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  // Long enough for the rest of a key's or a mouse report's sequence to come
  // in on a busy machine, short enough that a lone Esc feels immediate.
  set_escdelay(100);
  mousemask(
      BUTTON1_PRESSED | BUTTON1_RELEASED | BUTTON3_PRESSED | BUTTON4_PRESSED | BUTTON5_PRESSED,
      nullptr);
  mouseinterval(0);
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
    const Event event = m.read(wait);
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

namespace {

struct BoxButton {
  int answer;
  const char* text;
};

std::vector<BoxButton> box_buttons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
    case MB_YESNOCANCEL:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
    default:
      return {{IDOK, "OK"}};
  }
}

const char* icon_mark(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      return "(x) ";
    case MB_ICONQUESTION:
      return "(?) ";
    case MB_ICONEXCLAMATION:
      return "(!) ";
    case MB_ICONASTERISK:
      return "(i) ";
    default:
      return "";
  }
}

// The text's lines, each cut into pieces of at most width characters at
// blanks where it can be.
std::vector<CString> wrap(const CString& text, int width) {
  std::vector<CString> lines;
  CString rest = text;
  for (;;) {
    const int end = rest.Find('\n');
    CString line = end < 0 ? rest : rest.Left(end);
    while (line.GetLength() > width) {
      int cut = width;
      while (cut > 0 && line[cut] != ' ') --cut;
      if (cut == 0) cut = width;
      lines.push_back(line.Left(cut));
      line = line.Mid(cut);
      line.TrimLeft();
    }
    lines.push_back(line);
    if (end < 0) return lines;
    rest = rest.Mid(end + 1);
  }
}

}  // namespace

int KelmTerminalFrontEnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
  Impl& m = *m_impl;
  const std::vector<BoxButton> buttons = box_buttons(nType);
  if (m.screen == nullptr) return buttons.front().answer == IDOK ? IDOK : IDCANCEL;
  int chosen =
      std::min(static_cast<int>((nType & MB_DEFMASK) >> 8), static_cast<int>(buttons.size()) - 1);
  const auto cancel = std::find_if(buttons.begin(), buttons.end(),
                                   [](const BoxButton& b) { return b.answer == IDCANCEL; });
  for (;;) {
    m.redraw();
    const int max_width = std::max(10, COLS - 6);
    const std::vector<CString> lines = wrap(CString(icon_mark(nType)) + lpszText, max_width);
    int buttons_width = 0;
    for (const BoxButton& b : buttons)
      buttons_width += static_cast<int>(glyphs(b.text, true).size()) + 5;
    int width = std::max(buttons_width + 3, static_cast<int>(std::strlen(lpszCaption)) + 6);
    for (const CString& l : lines) width = std::max(width, l.GetLength() + 4);
    width = std::min(width, COLS);
    const int height = static_cast<int>(lines.size()) + 5;
    const int left = std::max(0, (COLS - width) / 2);
    const int top = std::max(0, (LINES - height) / 2);
    const Impl::Cells frame{left, top, left + width, top + height};
    const Impl::Cells screen{0, 0, COLS, LINES};
    for (int y = frame.top; y < frame.bottom; ++y)
      for (int x = frame.left; x < frame.right; ++x) m.put(screen, y, x, L' ', A_NORMAL);
    m.box(screen, frame, A_NORMAL);
    const std::vector<Glyph> caption = glyphs(CString(" ") + lpszCaption + " ", false);
    if (lpszCaption[0] != '\0')
      m.text(screen, top, left + (width - static_cast<int>(caption.size())) / 2, width - 2, caption,
             A_BOLD, false);
    for (size_t i = 0; i < lines.size(); ++i)
      m.text(screen, top + 2 + static_cast<int>(i), left + 2, width - 4, glyphs(lines[i], false),
             A_NORMAL, false);
    const int row = frame.bottom - 2;
    int x = left + (width - buttons_width + 1) / 2;
    std::vector<std::pair<int, int>> spans;
    for (size_t i = 0; i < buttons.size(); ++i) {
      std::vector<Glyph> shown = {{L'[', false}, {L' ', false}};
      const std::vector<Glyph> label = glyphs(buttons[i].text, true);
      shown.insert(shown.end(), label.begin(), label.end());
      shown.push_back({L' ', false});
      shown.push_back({L']', false});
      const bool focused = static_cast<int>(i) == chosen;
      m.text(screen, row, x, static_cast<int>(shown.size()), shown,
             focused ? A_REVERSE | A_BOLD : A_NORMAL, true);
      spans.emplace_back(x, x + static_cast<int>(shown.size()));
      x += static_cast<int>(shown.size()) + 1;
    }
    curs_set(0);
    refresh();
    const Event e = m.read(-1);
    if (e.kind == Event::resize || e.kind == Event::none) continue;
    if (e.kind == Event::mouse) {
      if ((e.mouse_event.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED)) == 0 ||
          e.mouse_event.y != row)
        continue;
      for (size_t i = 0; i < spans.size(); ++i)
        if (e.mouse_event.x >= spans[i].first && e.mouse_event.x < spans[i].second) {
          m.dirty = true;
          return buttons[i].answer;
        }
      continue;
    }
    const int count = static_cast<int>(buttons.size());
    if (e.kind == Event::key) {
      if (e.vk == VK_RETURN || e.vk == VK_SPACE) {
        m.dirty = true;
        return buttons[static_cast<size_t>(chosen)].answer;
      }
      if (e.vk == VK_ESCAPE) {
        if (cancel != buttons.end() || count == 1) {
          m.dirty = true;
          return cancel != buttons.end() ? IDCANCEL : buttons.front().answer;
        }
        beep();
        continue;
      }
      if (e.vk == VK_LEFT || (e.vk == VK_TAB && (e.modifiers & KELM_MOD_SHIFT) != 0)) {
        chosen = (chosen + count - 1) % count;
        continue;
      }
      if (e.vk == VK_RIGHT || e.vk == VK_TAB) {
        chosen = (chosen + 1) % count;
        continue;
      }
    }
    const char pressed = static_cast<char>(std::tolower(static_cast<unsigned char>(e.ch)));
    for (const BoxButton& b : buttons) {
      const char* amp = std::strchr(b.text, '&');
      if (pressed != 0 && amp != nullptr &&
          std::tolower(static_cast<unsigned char>(amp[1])) == pressed) {
        m.dirty = true;
        return b.answer;
      }
    }
  }
}
