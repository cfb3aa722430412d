#include <algorithm>
#include <optional>
#include <set>
#include <string>

#include "gtk_translate.h"
#include "gtk_windows.h"

using kelm::gtk::Control;
using kelm::gtk::ListState;
using kelm::gtk::TopWindow;

namespace {

// Where an edit's text starts: its frame and padding.
constexpr int caret_inset = 5;

struct Box {
  int x;
  int y;
  int width;
  int height;
  bool operator==(const Box&) const = default;
};

CString text_of(HWND w) {
  char buffer[1024];
  GetWindowTextA(w, buffer, sizeof buffer);
  return buffer;
}

std::string class_of(HWND w) {
  char buffer[64];
  GetClassNameA(w, buffer, sizeof buffer);
  return buffer;
}

DWORD style_of(HWND w) { return static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)); }

// The control's rectangle in its top-level window's client area.
Box box_of(HWND control, HWND top) {
  RECT r;
  RECT frame;
  RECT client;
  GetWindowRect(control, &r);
  GetWindowRect(top, &frame);
  GetClientRect(top, &client);
  const LONG origin_x = frame.left + (frame.right - frame.left - client.right) / 2;
  const LONG origin_y = frame.top + (frame.bottom - frame.top - client.bottom) / 2;
  return Box{static_cast<int>(r.left - origin_x), static_cast<int>(r.top - origin_y),
             static_cast<int>(std::max<LONG>(r.right - r.left, 1)),
             static_cast<int>(std::max<LONG>(r.bottom - r.top, 1))};
}

// The window's font as a Pango description, empty for the dialog's own.
std::string font_of(HWND w) {
  LOGFONTA font;
  const auto handle = reinterpret_cast<HGDIOBJ>(SendMessageA(w, WM_GETFONT, 0, 0));
  if (handle == nullptr || GetObjectA(handle, sizeof font, &font) == 0) return {};
  std::string description = font.lfFaceName[0] != '\0' ? std::string(font.lfFaceName) + "," : "";
  description += "DejaVu Sans";
  if (font.lfWeight >= FW_BOLD - 100) description += " Bold";
  if (font.lfItalic != 0) description += " Italic";
  // A positive height includes the font's internal leading, about a fifth.
  const LONG height = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight * 4 / 5;
  description += " " + std::to_string(height > 0 ? height : 12) + "px";
  return description;
}

void set_font(GtkWidget* label, const std::string& font) {
  PangoAttrList* attributes = pango_attr_list_new();
  if (!font.empty()) {
    PangoFontDescription* description = pango_font_description_from_string(font.c_str());
    pango_attr_list_insert(attributes, pango_attr_font_desc_new(description));
    pango_font_description_free(description);
  }
  if (GTK_IS_LABEL(label))
    gtk_label_set_attributes(GTK_LABEL(label), attributes);
  else
    gtk_entry_set_attributes(GTK_ENTRY(label), attributes);
  pango_attr_list_unref(attributes);
}

GtkWidget* new_label() {
  GtkWidget* label = gtk_label_new(nullptr);
  gtk_widget_set_can_target(label, FALSE);
  return label;
}

void draw_list_area(GtkDrawingArea*, cairo_t* cr, int width, int height, gpointer data) {
  kelm::gtk::draw_list(cr, width, height, *static_cast<const ListState*>(data));
}

GtkWidget* new_list_area(const ListState& list) {
  GtkWidget* area = gtk_drawing_area_new();
  gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area), draw_list_area,
                                 const_cast<ListState*>(&list), nullptr);
  return area;
}

// The widget kind a control is shown as.
std::string kind_of(const std::string& cls, DWORD style) {
  if (cls == "STATIC") return "label";
  if (cls == "EDIT") return "entry";
  if (cls == "LISTBOX") return "list";
  if (cls == "COMBOBOX") return "combo";
  if (cls == TRACKBAR_CLASSA) return "scale";
  if (cls == "BUTTON") {
    const DWORD type = style & BS_TYPEMASK;
    if (type == BS_GROUPBOX) return "group";
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) return "button";
    return "check";
  }
  return "label";
}

GtkWidget* make_widget(Control& c, DWORD style) {
  GtkWidget* widget = nullptr;
  if (c.kind == "label") {
    widget = new_label();
    gtk_label_set_wrap(GTK_LABEL(widget), TRUE);
    gtk_label_set_wrap_mode(GTK_LABEL(widget), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_yalign(GTK_LABEL(widget), 0);
    const DWORD align = style & 3;
    const float x = align == SS_CENTER ? 0.5F : align == SS_RIGHT ? 1.0F : 0.0F;
    gtk_label_set_xalign(GTK_LABEL(widget), x);
    gtk_label_set_justify(GTK_LABEL(widget), align == SS_CENTER  ? GTK_JUSTIFY_CENTER
                                             : align == SS_RIGHT ? GTK_JUSTIFY_RIGHT
                                                                 : GTK_JUSTIFY_LEFT);
  } else if (c.kind == "button") {
    widget = gtk_button_new();
    gtk_button_set_child(GTK_BUTTON(widget), new_label());
  } else if (c.kind == "check") {
    widget = gtk_check_button_new();
    gtk_check_button_set_child(GTK_CHECK_BUTTON(widget), new_label());
    const DWORD type = style & BS_TYPEMASK;
    if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
      // A group of its own draws it as a radio button, while the model
      // alone decides which is on.
      c.partner = g_object_ref_sink(gtk_check_button_new());
      gtk_check_button_set_group(GTK_CHECK_BUTTON(widget), GTK_CHECK_BUTTON(c.partner));
    }
  } else if (c.kind == "group") {
    widget = gtk_frame_new(nullptr);
    gtk_frame_set_label_widget(GTK_FRAME(widget), new_label());
  } else if (c.kind == "entry") {
    widget = gtk_entry_new();
    gtk_editable_set_editable(GTK_EDITABLE(widget), FALSE);
    gtk_editable_set_width_chars(GTK_EDITABLE(widget), 1);
  } else if (c.kind == "scale") {
    widget = gtk_scale_new(GTK_ORIENTATION_HORIZONTAL, nullptr);
    gtk_scale_set_draw_value(GTK_SCALE(widget), FALSE);
  } else {
    widget = new_list_area(c.list);
  }
  gtk_widget_set_can_focus(widget, FALSE);
  gtk_widget_set_focusable(widget, FALSE);
  gtk_widget_set_can_target(widget, FALSE);
  return widget;
}

std::string item_text(HWND control, bool list_box, int index) {
  const UINT len_msg = list_box ? LB_GETTEXTLEN : CB_GETLBTEXTLEN;
  const auto length = SendMessageA(control, len_msg, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::string item(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(control, list_box ? LB_GETTEXT : CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(item.data()));
  item.resize(static_cast<size_t>(length));
  return kelm::gtk::utf8_of(item);
}

ListState list_state(HWND control, bool list_box, int rows, bool focused, const std::string& font) {
  ListState s;
  const auto count =
      static_cast<int>(SendMessageA(control, list_box ? LB_GETCOUNT : CB_GETCOUNT, 0, 0));
  s.top = static_cast<int>(SendMessageA(control, list_box ? LB_GETTOPINDEX : CB_GETTOPINDEX, 0, 0));
  s.selected =
      static_cast<int>(SendMessageA(control, list_box ? LB_GETCURSEL : CB_GETCURSEL, 0, 0));
  // Only the rows in sight are read: a list may hold many.
  s.items.resize(static_cast<size_t>(std::max(count, 0)));
  for (int i = std::max(s.top, 0); i < std::min(count, s.top + rows); ++i)
    s.items[static_cast<size_t>(i)] = item_text(control, list_box, i);
  if (list_box) {
    int stops[32];
    const int n = std::min(KelmGetListTabStops(control, stops, 32), 32);
    s.tab_stops.assign(stops, stops + n);
  }
  s.scroll_bar = count > rows && (style_of(control) & WS_VSCROLL) != 0;
  s.focused = focused;
  s.enabled = IsWindowEnabled(control) != 0;
  s.font = font;
  return s;
}

void set_class(GtkWidget* widget, const char* name, bool on) {
  if (on)
    gtk_widget_add_css_class(widget, name);
  else
    gtk_widget_remove_css_class(widget, name);
}

void update_list(Control& c, ListState s) {
  if (s == c.list) return;
  c.list = std::move(s);
  gtk_widget_queue_draw(c.widget);
}

// A drop-down combo box's open list lies over the controls after it.
void update_dropped(TopWindow& w, Control& c, const Box& box, bool dropped,
                    const std::string& font) {
  if (!dropped) {
    if (c.dropped != nullptr) gtk_fixed_remove(GTK_FIXED(w.fixed), c.dropped);
    c.dropped = nullptr;
    return;
  }
  const int rows =
      std::max(1, (box.height - kelm::gtk::list_row_height) / kelm::gtk::list_row_height);
  ListState s = list_state(c.hwnd, false, rows, true, font);
  if (c.dropped == nullptr) {
    c.dropped = new_list_area(c.dropped_list);
    gtk_widget_set_can_target(c.dropped, FALSE);
    gtk_fixed_put(GTK_FIXED(w.fixed), c.dropped, box.x, box.y + kelm::gtk::list_row_height);
  }
  gtk_widget_insert_before(c.dropped, w.fixed, nullptr);
  gtk_fixed_move(GTK_FIXED(w.fixed), c.dropped, box.x, box.y + kelm::gtk::list_row_height);
  gtk_widget_set_size_request(c.dropped, box.width, box.height - kelm::gtk::list_row_height);
  if (s == c.dropped_list) return;
  c.dropped_list = std::move(s);
  gtk_widget_queue_draw(c.dropped);
}

// The text before the caret, start characters of Windows-1252 into text (in
// UTF-8).
std::optional<std::string> text_before(const std::string& utf8, DWORD start) {
  const glong count = g_utf8_strlen(utf8.c_str(), -1);
  const char* end = g_utf8_offset_to_pointer(utf8.c_str(), std::min<glong>(count, start));
  return std::string(utf8.c_str(), end);
}

// An edit that cannot take GTK's focus shows no cursor of its own: the
// model's caret is a thin bar at the end of the text before it.
void place_caret(TopWindow& w, Control& c, const Box& box, std::optional<std::string> before,
                 const std::string& font) {
  if (!before) {
    if (c.caret != nullptr) gtk_widget_set_visible(c.caret, FALSE);
    return;
  }
  if (c.caret == nullptr) {
    c.caret = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_widget_add_css_class(c.caret, "kelm-caret");
    gtk_widget_set_can_target(c.caret, FALSE);
    gtk_fixed_put(GTK_FIXED(w.fixed), c.caret, box.x, box.y);
  }
  PangoLayout* layout = gtk_widget_create_pango_layout(c.widget, before->c_str());
  if (!font.empty()) {
    PangoFontDescription* description = pango_font_description_from_string(font.c_str());
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
  }
  int width = 0;
  pango_layout_get_pixel_size(layout, &width, nullptr);
  g_object_unref(layout);
  const int x = std::min(box.width - 3, caret_inset + width);
  gtk_widget_set_size_request(c.caret, 1, std::max(1, box.height - 8));
  gtk_fixed_move(GTK_FIXED(w.fixed), c.caret, box.x + x, box.y + 4);
  gtk_widget_set_visible(c.caret, TRUE);
}

void update(TopWindow& w, Control& c, const Box& box) {
  const HWND h = c.hwnd;
  const DWORD style = style_of(h);
  const bool focused = GetFocus() == h;
  const std::string font = font_of(h);
  gtk_widget_set_sensitive(c.widget, IsWindowEnabled(h));
  // Lists draw their own focus, on the row that has it.
  set_class(c.widget, "kelm-focus", focused && c.kind != "list" && c.kind != "combo");
  if (c.kind == "label" || c.kind == "button" || c.kind == "check" || c.kind == "group") {
    const bool prefix = c.kind != "label" || (style & SS_NOPREFIX) == 0;
    const std::string markup = kelm::gtk::label_markup(text_of(h).GetString(), prefix);
    GtkWidget* label = c.widget;
    if (c.kind == "button") label = gtk_button_get_child(GTK_BUTTON(c.widget));
    if (c.kind == "check") label = gtk_check_button_get_child(GTK_CHECK_BUTTON(c.widget));
    if (c.kind == "group") label = gtk_frame_get_label_widget(GTK_FRAME(c.widget));
    const std::string shown = markup + '\n' + font;
    if (shown != c.shown) {
      c.shown = shown;
      gtk_label_set_markup(GTK_LABEL(label), markup.c_str());
      set_font(label, font);
    }
    if (c.kind == "button")
      set_class(c.widget, "kelm-default", (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    if (c.kind == "check") {
      const auto check = SendMessageA(h, BM_GETCHECK, 0, 0);
      gtk_check_button_set_inconsistent(GTK_CHECK_BUTTON(c.widget), check == BST_INDETERMINATE);
      gtk_check_button_set_active(GTK_CHECK_BUTTON(c.widget), check == BST_CHECKED);
    }
    return;
  }
  if (c.kind == "entry") {
    std::string text = kelm::gtk::utf8_of(text_of(h).GetString());
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(h, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::string shown = text + '\n' + font + '\n' + std::to_string(start) + ',' +
                              std::to_string(end) + (focused ? "f" : "");
    if (shown == c.shown) return;
    c.shown = shown;
    gtk_entry_set_visibility(GTK_ENTRY(c.widget), (style & ES_PASSWORD) == 0);
    gtk_editable_set_text(GTK_EDITABLE(c.widget), text.c_str());
    set_font(c.widget, font);
    place_caret(w, c, box, focused && start == end ? text_before(text, start) : std::nullopt, font);
    // The selection shows only in the focused edit, as the model has it.
    if (focused)
      gtk_editable_select_region(GTK_EDITABLE(c.widget), static_cast<int>(start),
                                 static_cast<int>(end));
    else
      gtk_editable_select_region(GTK_EDITABLE(c.widget), 0, 0);
    return;
  }
  if (c.kind == "scale") {
    const auto low = static_cast<double>(SendMessageA(h, TBM_GETRANGEMIN, 0, 0));
    const auto high = static_cast<double>(SendMessageA(h, TBM_GETRANGEMAX, 0, 0));
    gtk_range_set_range(GTK_RANGE(c.widget), low, std::max(low, high));
    gtk_range_set_value(GTK_RANGE(c.widget),
                        static_cast<double>(SendMessageA(h, TBM_GETPOS, 0, 0)));
    return;
  }
  const bool list_box = c.kind == "list";
  const int type = static_cast<int>(style & 3);
  if (list_box || type == CBS_SIMPLE) {
    const int first = list_box ? 0 : kelm::gtk::list_row_height;
    const int rows = std::max(1, (box.height - first) / kelm::gtk::list_row_height);
    ListState s = list_state(h, list_box, rows, focused, font);
    s.first_row_y = first;
    if (!list_box) s.box_text = kelm::gtk::utf8_of(text_of(h).GetString());
    update_list(c, std::move(s));
    return;
  }
  ListState s;
  s.box_only = true;
  s.box_text = kelm::gtk::utf8_of(text_of(h).GetString());
  s.focused = focused;
  s.enabled = IsWindowEnabled(h) != 0;
  s.font = font;
  update_list(c, std::move(s));
  update_dropped(w, c, box, SendMessageA(h, CB_GETDROPPEDSTATE, 0, 0) != 0, font);
}

void remove(TopWindow& w, Control& c) {
  if (c.dropped != nullptr) gtk_fixed_remove(GTK_FIXED(w.fixed), c.dropped);
  if (c.caret != nullptr) gtk_fixed_remove(GTK_FIXED(w.fixed), c.caret);
  gtk_fixed_remove(GTK_FIXED(w.fixed), c.widget);
  if (c.partner != nullptr) g_object_unref(c.partner);
}

}  // namespace

void KelmGtkFrontEnd::Impl::sync_controls(TopWindow& w) {
  std::set<HWND> seen;
  for (HWND child = GetWindow(w.hwnd, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    seen.insert(child);
    Control& c = w.controls[child];
    const DWORD style = style_of(child);
    const Box box = box_of(child, w.hwnd);
    if (c.widget == nullptr) {
      c.hwnd = child;
      c.kind = kind_of(class_of(child), style);
      c.widget = make_widget(c, style);
      gtk_fixed_put(GTK_FIXED(w.fixed), c.widget, box.x, box.y);
    } else {
      gtk_fixed_move(GTK_FIXED(w.fixed), c.widget, box.x, box.y);
    }
    // A combo box's rectangle holds its open list; closed, it is one row.
    const bool drop_down = c.kind == "combo" && (style & 3) != CBS_SIMPLE;
    gtk_widget_set_size_request(
        c.widget, box.width,
        drop_down ? std::min(box.height, kelm::gtk::list_row_height) : box.height);
    const bool visible = IsWindowVisible(child) != 0;
    gtk_widget_set_visible(c.widget, visible);
    if (visible) update(w, c, box);
  }
  for (auto it = w.controls.begin(); it != w.controls.end();) {
    if (seen.count(it->first) == 0) {
      remove(w, it->second);
      it = w.controls.erase(it);
    } else {
      ++it;
    }
  }
}
