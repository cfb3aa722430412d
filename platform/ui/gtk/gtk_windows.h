// The GTK front end's state: one GtkWindow for each top-level window of the
// model, and in it one widget for each control, each widget remembering what
// it last showed so that bringing a window up to date touches only what
// changed. Internal to the GTK front end.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/character_grid.h"
#include "platform/message.h"
#include "platform/profile.h"
#include "platform/ui/font.h"
#include "platform/ui/gtk/gtk_front_end.h"

// After the platform's headers, whose TRUE and FALSE constants GLib's macros
// of those names would break.
#include <gtk/gtk.h>

namespace kelm::gtk {

// Pixels of the model: a character cell, a list's row, a scroll bar.
inline constexpr int cell_width = 8;
inline constexpr int cell_height = 16;
inline constexpr int list_row_height = 16;
inline constexpr int scroll_bar_width = 8;

// What a list (a list box, a combo box's list, its closed box) shows, read
// from the model when its window is brought up to date and drawn from here.
struct ListState {
  std::vector<std::string> items;  // UTF-8
  std::vector<int> tab_stops;      // dialog units
  int top = 0;
  int selected = -1;
  int first_row_y = 0;  // pixels above the first row: a combo's box
  bool focused = false;
  bool enabled = true;
  bool scroll_bar = false;
  bool box_only = false;  // a closed drop-down combo box: its text and arrow
  std::string box_text;   // UTF-8
  std::string font;       // a Pango font description
  bool operator==(const ListState&) const = default;
};

struct Control {
  HWND hwnd = nullptr;
  std::string kind;  // the widget made for it
  GtkWidget* widget = nullptr;
  GtkWidget* dropped = nullptr;  // a drop-down combo box's open list
  GtkWidget* partner = nullptr;  // a radio button's group of its own (owned)
  GtkWidget* caret = nullptr;    // a focused edit's caret
  std::string shown;             // what it last showed, to skip unchanged updates
  ListState list;
  ListState dropped_list;
};

struct TopWindow {
  KelmGtkFrontEnd::Impl* owner = nullptr;
  HWND hwnd = nullptr;
  GtkWindow* window = nullptr;
  GtkWidget* caption = nullptr;
  GtkWidget* fixed = nullptr;
  GtkWidget* canvas = nullptr;
  const KelmCharacterGrid* grid = nullptr;
  std::map<HWND, Control> controls;
  std::string title;
  double pointer_x = 0;
  double pointer_y = 0;
  bool dirty = true;
};

// Draws a list from its state (gtk_lists.cpp).
void draw_list(cairo_t* cr, int width, int height, const ListState& list);
// A canvas's size in the toolkit's pixels and its cell size (gtk_canvas.cpp).
struct CanvasMetrics {
  double cell_width;
  double cell_height;
};
CanvasMetrics canvas_metrics(const KelmCharacterGrid& grid);
void draw_canvas(GtkWidget* area, cairo_t* cr, const KelmCharacterGrid& grid);
// Posts the clicks, wheel turns and pointer moves over target
// (gtk_front_end.cpp).
void listen(TopWindow& w, GtkWidget* target);
// Gives the window a title bar with a close button; returns its caption
// label (gtk_front_end.cpp).
GtkWidget* title_bar(GtkWindow* window);

}  // namespace kelm::gtk

struct KelmGtkFrontEnd::Impl {
  KelmGtkFrontEnd* self = nullptr;
  KelmFrontEnd* previous = nullptr;
  bool open = false;
  bool posted = false;
  std::map<HWND, std::unique_ptr<kelm::gtk::TopWindow>> windows;
  std::map<HWND, const KelmCharacterGrid*> canvases;
  GtkCssProvider* css = nullptr;

  // Windows (gtk_front_end.cpp).
  void refresh();
  kelm::gtk::TopWindow& window_of(HWND top);
  void drop(HWND top);
  void sync(kelm::gtk::TopWindow& w);
  void show_canvas(kelm::gtk::TopWindow& w);
  GtkWindow* active_window() const;

  // Controls (gtk_controls.cpp).
  void sync_controls(kelm::gtk::TopWindow& w);
};
