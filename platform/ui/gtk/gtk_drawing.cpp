#include <algorithm>
#include <cmath>
#include <string>

#include "gtk_translate.h"
#include "gtk_windows.h"

using kelm::gtk::ListState;
using kelm::gtk::TopWindow;

namespace {

constexpr char list_font[] = "DejaVu Sans 12px";
constexpr char canvas_font[] = "DejaVu Sans Mono 13px";

struct Colour {
  double r;
  double g;
  double b;
};
constexpr Colour white{1, 1, 1};
constexpr Colour black{0, 0, 0};
constexpr Colour border{0.6, 0.6, 0.6};
constexpr Colour face{0.92, 0.92, 0.91};
constexpr Colour shadow{0.45, 0.45, 0.45};
constexpr Colour highlight{0.11, 0.44, 0.85};
constexpr Colour dim_text{0.55, 0.55, 0.55};

void set(cairo_t* cr, Colour c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void fill(cairo_t* cr, double x, double y, double w, double h, Colour c) {
  set(cr, c);
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
}

void frame(cairo_t* cr, double x, double y, double w, double h, Colour c) {
  set(cr, c);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, x + 0.5, y + 0.5, w - 1, h - 1);
  cairo_stroke(cr);
}

void focus_rectangle(cairo_t* cr, double x, double y, double w, double h) {
  static const double dash[] = {1, 1};
  cairo_save(cr);
  cairo_set_dash(cr, dash, 2, 0);
  frame(cr, x, y, w, h, black);
  cairo_restore(cr);
}

void arrow(cairo_t* cr, double cx, double cy, double size, bool down) {
  set(cr, shadow);
  const double d = down ? 1 : -1;
  cairo_move_to(cr, cx - size, cy - d * size / 2);
  cairo_line_to(cr, cx + size, cy - d * size / 2);
  cairo_line_to(cr, cx, cy + d * size / 2);
  cairo_close_path(cr);
  cairo_fill(cr);
}

PangoLayout* layout(cairo_t* cr, const std::string& font) {
  PangoLayout* l = pango_cairo_create_layout(cr);
  PangoFontDescription* d =
      pango_font_description_from_string(font.empty() ? list_font : font.c_str());
  pango_layout_set_font_description(l, d);
  pango_font_description_free(d);
  return l;
}

// Draws text from x, its line centred in a row from y of the given height.
void text(cairo_t* cr, PangoLayout* l, const std::string& s, double x, double y, double height,
          Colour c) {
  pango_layout_set_text(l, s.c_str(), -1);
  int w = 0;
  int h = 0;
  pango_layout_get_pixel_size(l, &w, &h);
  set(cr, c);
  cairo_move_to(cr, x, y + (height - h) / 2);
  pango_cairo_show_layout(cr, l);
}

// Tab stops in dialog units, a quarter of a cell across each; none means one
// every 32 units, and one alone repeats.
PangoTabArray* tabs(const std::vector<int>& stops) {
  const int unit = kelm::gtk::cell_width / 4;
  if (stops.empty()) {
    PangoTabArray* a = pango_tab_array_new(1, TRUE);
    pango_tab_array_set_tab(a, 0, PANGO_TAB_LEFT, 32 * unit);
    return a;
  }
  PangoTabArray* a = pango_tab_array_new(static_cast<int>(stops.size()), TRUE);
  for (size_t i = 0; i < stops.size(); ++i)
    pango_tab_array_set_tab(a, static_cast<int>(i), PANGO_TAB_LEFT, stops[i] * unit);
  return a;
}

void scroll_bar(cairo_t* cr, double x, double y, double height, const ListState& list, int rows) {
  const double w = kelm::gtk::scroll_bar_width;
  const double row = kelm::gtk::list_row_height;
  fill(cr, x, y, w, height, face);
  arrow(cr, x + w / 2, y + row / 2, 3, false);
  arrow(cr, x + w / 2, y + height - row / 2, 3, true);
  const int count = static_cast<int>(list.items.size());
  const double track = std::max(0.0, height - 2 * row);
  const double thumb = std::max(6.0, track * rows / std::max(count, 1));
  const double at = count > rows ? (track - thumb) * list.top / (count - rows) : 0;
  fill(cr, x + 1, y + row + at, w - 2, thumb, shadow);
}

}  // namespace

namespace kelm::gtk {

void draw_list(cairo_t* cr, int width, int height, const ListState& list) {
  const Colour ink = list.enabled ? black : dim_text;
  fill(cr, 0, 0, width, height, list.enabled ? white : face);
  frame(cr, 0, 0, width, height, border);
  PangoLayout* l = layout(cr, list.font);
  if (list.box_only) {
    const double right = width - 14;
    if (list.focused) fill(cr, 2, 2, right - 3, height - 4, highlight);
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, right, height);
    cairo_clip(cr);
    text(cr, l, list.box_text, 4, 0, height, list.focused ? white : ink);
    cairo_restore(cr);
    arrow(cr, width - 7, height / 2.0, 3.5, true);
    g_object_unref(l);
    return;
  }
  if (list.first_row_y > 0) {
    text(cr, l, list.box_text, 4, 0, list.first_row_y, ink);
    set(cr, border);
    cairo_rectangle(cr, 0, list.first_row_y - 1, width, 1);
    cairo_fill(cr);
  }
  PangoTabArray* stops = tabs(list.tab_stops);
  pango_layout_set_tabs(l, stops);
  pango_tab_array_free(stops);
  const int rows = std::max(1, (height - list.first_row_y) / list_row_height);
  const double item_width = width - (list.scroll_bar ? scroll_bar_width : 0);
  cairo_save(cr);
  cairo_rectangle(cr, 1, list.first_row_y, item_width - 1, height - list.first_row_y - 1);
  cairo_clip(cr);
  const int count = static_cast<int>(list.items.size());
  for (int r = 0; r < rows; ++r) {
    const int index = list.top + r;
    const double y = list.first_row_y + r * list_row_height;
    const bool selected = index == list.selected && index < count;
    if (selected) fill(cr, 1, y, item_width - 2, list_row_height, list.focused ? highlight : face);
    if (index < count)
      text(cr, l, list.items[static_cast<size_t>(index)], 3, y, list_row_height,
           selected && list.focused ? white : ink);
    if (list.focused && (selected || (list.selected < 0 && r == 0)))
      focus_rectangle(cr, 1, y, item_width - 2, list_row_height);
  }
  cairo_restore(cr);
  if (list.scroll_bar)
    scroll_bar(cr, item_width, list.first_row_y, height - list.first_row_y, list, rows);
  g_object_unref(l);
}

// Each cell is drawn at its place, so the grid's own cell size holds
// whatever the font's advance; the font is chosen to fit it.
CanvasMetrics canvas_metrics(const KelmCharacterGrid& grid) {
  return CanvasMetrics{static_cast<double>(grid.GetCellWidth()),
                       static_cast<double>(grid.GetCellHeight())};
}

void draw_canvas(GtkWidget* area, cairo_t* cr, const KelmCharacterGrid& grid) {
  const CanvasMetrics m = canvas_metrics(grid);
  fill(cr, 0, 0, gtk_widget_get_width(area), gtk_widget_get_height(area), white);
  PangoLayout* l = layout(cr, canvas_font);
  int frame_left = grid.GetColumns();
  int frame_top = grid.GetRows();
  int frame_right = -1;
  int frame_bottom = -1;
  int focus_left = grid.GetColumns();
  int focus_top = grid.GetRows();
  int focus_right = -1;
  int focus_bottom = -1;
  const auto colour = [](COLORREF c) {
    return Colour{GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0};
  };
  for (int row = 0; row < grid.GetRows(); ++row) {
    const double y = row * m.cell_height;
    for (int column = 0; column < grid.GetColumns(); ++column) {
      const KelmCharacterGrid::Cell& cell = grid.At(column, row);
      const double x = column * m.cell_width;
      if (cell.frame) {
        frame_left = std::min(frame_left, column);
        frame_top = std::min(frame_top, row);
        frame_right = std::max(frame_right, column);
        frame_bottom = std::max(frame_bottom, row);
        continue;
      }
      if (cell.focused) {
        focus_left = std::min(focus_left, column);
        focus_top = std::min(focus_top, row);
        focus_right = std::max(focus_right, column);
        focus_bottom = std::max(focus_bottom, row);
      }
      const Colour back = colour(cell.inverted ? cell.text : cell.background);
      const Colour ink = colour(cell.inverted ? cell.background : cell.text);
      if (cell.inverted || cell.background != RGB(255, 255, 255))
        fill(cr, x, y, std::ceil(m.cell_width), m.cell_height, back);
      if (cell.ch != ' ')
        text(cr, l, utf8_of(std::string_view(&cell.ch, 1)), x, y, m.cell_height, ink);
    }
  }
  if (frame_right >= frame_left && frame_bottom >= frame_top) {
    // A sunken edge through the middle of the ring of cells it takes.
    const double left = (frame_left + 0.5) * m.cell_width;
    const double top = (frame_top + 0.5) * m.cell_height;
    const double right = (frame_right + 0.5) * m.cell_width;
    const double bottom = (frame_bottom + 0.5) * m.cell_height;
    cairo_set_line_width(cr, 1);
    set(cr, shadow);
    cairo_move_to(cr, left + 0.5, bottom);
    cairo_line_to(cr, left + 0.5, top + 0.5);
    cairo_line_to(cr, right, top + 0.5);
    cairo_stroke(cr);
    set(cr, face);
    cairo_move_to(cr, right - 0.5, top);
    cairo_line_to(cr, right - 0.5, bottom - 0.5);
    cairo_line_to(cr, left, bottom - 0.5);
    cairo_stroke(cr);
  }
  if (focus_right >= focus_left && focus_bottom >= focus_top)
    focus_rectangle(cr, focus_left * m.cell_width, focus_top * m.cell_height,
                    (focus_right - focus_left + 1) * m.cell_width,
                    (focus_bottom - focus_top + 1) * m.cell_height);
  g_object_unref(l);
}

}  // namespace kelm::gtk

namespace {

void draw_canvas_area(GtkDrawingArea* area, cairo_t* cr, int, int, gpointer data) {
  const auto* w = static_cast<const TopWindow*>(data);
  if (w->grid != nullptr) kelm::gtk::draw_canvas(GTK_WIDGET(area), cr, *w->grid);
}

}  // namespace

void KelmGtkFrontEnd::Impl::show_canvas(TopWindow& w) {
  w.canvas = gtk_drawing_area_new();
  gtk_widget_set_hexpand(w.canvas, TRUE);
  gtk_widget_set_vexpand(w.canvas, TRUE);
  gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(w.canvas), draw_canvas_area, &w, nullptr);
  gtk_window_set_child(w.window, w.canvas);
  // The grid's size is the window's least: the host made the grid to fit
  // the canvas it was given, and a larger window only adds margin.
  const kelm::gtk::CanvasMetrics m = kelm::gtk::canvas_metrics(*w.grid);
  gtk_drawing_area_set_content_width(
      GTK_DRAWING_AREA(w.canvas), static_cast<int>(std::ceil(w.grid->GetColumns() * m.cell_width)));
  gtk_drawing_area_set_content_height(
      GTK_DRAWING_AREA(w.canvas), static_cast<int>(std::ceil(w.grid->GetRows() * m.cell_height)));
  kelm::gtk::listen(w, w.canvas);
}
