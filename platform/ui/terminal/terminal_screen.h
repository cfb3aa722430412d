// The terminal front end's state and its drawing of the top-level windows on
// the screen: each window's placement in cells, kept from the last drawing
// for the mouse, and where the cursor goes. Internal to the terminal front
// end; drawing uses ncurses' current screen.
#pragma once

#include <signal.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "platform/string.h"
#include "platform/ui/terminal/terminal_front_end.h"
#include "terminal_input.h"

namespace kelm::terminal {

// Pixels of a character cell: the platform's dialog base units.
inline constexpr int cell_width = 8;
inline constexpr int cell_height = 16;

inline constexpr std::array<int, 10> fatal_signals = {SIGINT,  SIGTERM, SIGHUP, SIGQUIT, SIGABRT,
                                                      SIGSEGV, SIGBUS,  SIGFPE, SIGILL,  SIGPIPE};

struct Glyph {
  wchar_t ch;
  bool accelerator;
};

// A label's characters; with prefix, "&x" underlines x and "&&" is one '&'.
std::vector<Glyph> glyphs(const CString& text, bool prefix);

// The pixels the outer ring of a grid's cells stands for.
int canvas_inset(const KelmCharacterGrid& grid);

}  // namespace kelm::terminal

struct KelmTerminalFrontEnd::Impl {
  using Glyph = kelm::terminal::Glyph;

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
  std::array<struct sigaction, kelm::terminal::fatal_signals.size()> old_actions{};
  std::vector<Placement> placed;
  std::vector<std::pair<HWND, const KelmCharacterGrid*>> canvases;
  int cursor_y = -1;
  int cursor_x = -1;
  kelm::terminal::LastPress last_press;

  // Drawing (terminal_draw.cpp).
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

  // Input (terminal_front_end.cpp).
  bool post(const kelm::terminal::Event& event);
  bool post_mouse(const MEVENT& event);
};
