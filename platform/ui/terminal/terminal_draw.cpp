#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/character_grid.h"
#include "platform/ui/font.h"
#include "platform/ui/win_user.h"
#include "terminal_screen.h"

namespace kelm::terminal {

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

int canvas_inset(const KelmCharacterGrid& grid) {
  return (grid.GetPixelRect().Width() - (grid.GetColumns() - 2) * grid.GetCellWidth()) / 2;
}

}  // namespace kelm::terminal

using kelm::terminal::cell_height;
using kelm::terminal::cell_width;
using kelm::terminal::Glyph;
using kelm::terminal::glyphs;
using kelm::terminal::wide_of;

namespace {

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
