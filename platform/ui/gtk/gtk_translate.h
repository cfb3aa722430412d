// What the GTK front end translates between the toolkit and the window
// model, kept apart from any window so that it can be tested alone: key
// presses as virtual keys and Windows-1252 characters, text between
// Windows-1252 and UTF-8, labels as Pango markup, and a canvas's cells as the
// model's pixels. Internal to the GTK front end.
#pragma once

#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/ui/front_end.h"

// After the platform's headers, whose TRUE and FALSE constants GLib's macros
// of those names would break.
#include <gdk/gdk.h>

namespace kelm::gtk {

struct KeyPress {
  enum Kind { none, key, character } kind = none;
  int vk = 0;
  char ch = 0;  // the Windows-1252 character the key types, 0 for none
  UINT modifiers = 0;
  bool operator==(const KeyPress&) const = default;
};

// What a GDK key press stands for: a named key with its modifiers, a typed
// character (whose key the model derives), or none for a lone modifier and
// characters Windows-1252 cannot hold. With Control or Alt, a letter or
// digit is its key with those modifiers, as the dialog manager expects.
KeyPress key_press(guint keyval, GdkModifierType state);

// Windows-1252 text as UTF-8.
std::string utf8_of(std::string_view cp1252);
// UTF-8 text as Windows-1252: each character it cannot hold, and each
// malformed sequence, becomes one '?'.
std::string cp1252_of(std::string_view utf8);

// A label's text as Pango markup: with prefix, "&x" underlines x and "&&" is
// one '&'.
std::string label_markup(std::string_view cp1252, bool prefix);

// The model's pixel at the middle of a canvas cell: the outer ring of cells
// stands for the inset pixels at each edge, the others for cell_size pixels.
int canvas_pixel(int cell, int cell_size, int inset);

}  // namespace kelm::gtk
