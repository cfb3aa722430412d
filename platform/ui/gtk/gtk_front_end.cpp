#include "platform/ui/gtk/gtk_front_end.h"

#include <algorithm>
#include <set>

#include "gtk_translate.h"
#include "gtk_windows.h"

using kelm::gtk::TopWindow;

namespace {

KelmGtkFrontEnd* open_front_end = nullptr;

// Compact enough for controls 16 pixels high, as the model lays them out; the
// focus and the default button as the model says, not as GTK would.
constexpr char style_sheet[] = R"css(
window.kelm-dialog { font-family: "DejaVu Sans", sans-serif; font-size: 12px; }
window.kelm-dialog button { min-height: 0; min-width: 0; padding: 0 6px; }
window.kelm-dialog button.kelm-default { border-color: #1c71d8; box-shadow: inset 0 0 0 1px #1c71d8; }
window.kelm-dialog entry { min-height: 0; padding: 0 4px; }
window.kelm-dialog entry.kelm-focus { border-color: #1c71d8; box-shadow: inset 0 0 0 1px #1c71d8; }
window.kelm-dialog checkbutton { min-height: 0; padding: 0; }
window.kelm-dialog checkbutton check, window.kelm-dialog checkbutton radio {
  min-width: 12px; min-height: 12px; margin: 0 6px 0 0; padding: 0; }
window.kelm-dialog scale { min-height: 0; padding: 0 4px; }
window.kelm-dialog frame { padding: 0; }
window.kelm-dialog .kelm-caret { background: black; min-width: 1px; }
window.kelm-dialog .kelm-focus { outline: 1px dashed alpha(currentColor, 0.8); outline-offset: -3px; }
window.kelm-dialog label:disabled, window.kelm-dialog checkbutton:disabled { opacity: 0.6; }
.kelm-titlebar { min-height: 38px; padding: 0 4px 0 12px; background: #ebebeb;
  border-bottom: 1px solid #d6d6d6; }
.kelm-titlebar label { font-weight: bold; }
window.kelm-message { font-family: "DejaVu Sans", sans-serif; font-size: 12px; }
)css";

std::string window_text(HWND w) {
  char buffer[1024];
  GetWindowTextA(w, buffer, sizeof buffer);
  return buffer;
}

// Each signal handler gets its window; the front end is reached through it.
void post_mouse(TopWindow* w, UINT message, double x, double y, short wheel = 0) {
  POINT at{static_cast<LONG>(x), static_cast<LONG>(y)};
  if (w->grid != nullptr) {
    const kelm::gtk::CanvasMetrics m = kelm::gtk::canvas_metrics(*w->grid);
    const KelmCharacterGrid& g = *w->grid;
    const int column = std::clamp(static_cast<int>(x / m.cell_width), 0, g.GetColumns() - 1);
    const int row = std::clamp(static_cast<int>(y / m.cell_height), 0, g.GetRows() - 1);
    const int inset = (g.GetPixelRect().Width() - (g.GetColumns() - 2) * g.GetCellWidth()) / 2;
    at = POINT{kelm::gtk::canvas_pixel(column, g.GetCellWidth(), inset),
               kelm::gtk::canvas_pixel(row, g.GetCellHeight(), inset)};
  }
  if (KelmPostMouse(w->hwnd, message, at, wheel)) w->owner->posted = true;
}

void on_pressed(GtkGestureClick* gesture, int n_press, double x, double y, TopWindow* w) {
  const guint button = gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(gesture));
  gtk_gesture_set_state(GTK_GESTURE(gesture), GTK_EVENT_SEQUENCE_CLAIMED);
  if (button == GDK_BUTTON_SECONDARY)
    post_mouse(w, WM_RBUTTONDOWN, x, y);
  else if (button == GDK_BUTTON_PRIMARY)
    post_mouse(w, n_press == 2 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, x, y);
}

void on_released(GtkGestureClick* gesture, int, double x, double y, TopWindow* w) {
  if (gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(gesture)) == GDK_BUTTON_PRIMARY)
    post_mouse(w, WM_LBUTTONUP, x, y);
}

void on_motion(GtkEventControllerMotion*, double x, double y, TopWindow* w) {
  w->pointer_x = x;
  w->pointer_y = y;
}

// The wheel goes where the pointer last was over the window.
gboolean on_scroll(GtkEventControllerScroll*, double, double dy, TopWindow* w) {
  const auto notches = static_cast<int>(dy);
  if (notches != 0)
    post_mouse(w, WM_MOUSEWHEEL, w->pointer_x, w->pointer_y,
               static_cast<short>(-notches * WHEEL_DELTA));
  return TRUE;
}

gboolean on_key(GtkEventControllerKey*, guint keyval, guint, GdkModifierType state, TopWindow* w) {
  const kelm::gtk::KeyPress press = kelm::gtk::key_press(keyval, state);
  if (press.kind == kelm::gtk::KeyPress::key) {
    KelmPostKey(press.vk, press.ch, press.modifiers);
    w->owner->posted = true;
  } else if (press.kind == kelm::gtk::KeyPress::character) {
    KelmPostChar(press.ch);
    w->owner->posted = true;
  }
  return TRUE;
}

// Characters come composed through an input method (dead keys, compose
// sequences); those Windows-1252 lacks are not typed.
void on_commit(GtkIMContext*, const char* text, TopWindow* w) {
  for (const char* at = text; *at != '\0'; at = g_utf8_next_char(at)) {
    const std::string one(at, static_cast<size_t>(g_utf8_next_char(at) - at));
    const std::string typed = kelm::gtk::cp1252_of(one);
    if (typed.size() != 1 || (typed[0] == '?' && one != "?")) continue;
    KelmPostChar(typed[0]);
    w->owner->posted = true;
  }
}

gboolean on_close_request(GtkWindow*, TopWindow* w) {
  if (PostMessageA(w->hwnd, WM_CLOSE, 0, 0)) w->owner->posted = true;
  return TRUE;
}

}  // namespace

namespace kelm::gtk {

void listen(TopWindow& w, GtkWidget* target) {
  GtkGesture* click = gtk_gesture_click_new();
  gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(click), 0);
  g_signal_connect(click, "pressed", G_CALLBACK(on_pressed), &w);
  g_signal_connect(click, "released", G_CALLBACK(on_released), &w);
  gtk_widget_add_controller(target, GTK_EVENT_CONTROLLER(click));
  GtkEventController* motion = gtk_event_controller_motion_new();
  g_signal_connect(motion, "enter", G_CALLBACK(on_motion), &w);
  g_signal_connect(motion, "motion", G_CALLBACK(on_motion), &w);
  gtk_widget_add_controller(target, motion);
  GtkEventController* wheel =
      gtk_event_controller_scroll_new(static_cast<GtkEventControllerScrollFlags>(
          GTK_EVENT_CONTROLLER_SCROLL_VERTICAL | GTK_EVENT_CONTROLLER_SCROLL_DISCRETE));
  g_signal_connect(wheel, "scroll", G_CALLBACK(on_scroll), &w);
  gtk_widget_add_controller(target, wheel);
}

// GtkHeaderBar would centre the caption between boxes of equal width, and a
// non-resizable window takes its natural width: a small dialog's caption
// would widen it. This bar's caption shortens instead.
GtkWidget* title_bar(GtkWindow* window) {
  GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_add_css_class(bar, "kelm-titlebar");
  GtkWidget* caption = gtk_label_new(nullptr);
  gtk_label_set_ellipsize(GTK_LABEL(caption), PANGO_ELLIPSIZE_END);
  gtk_label_set_width_chars(GTK_LABEL(caption), 1);
  gtk_widget_set_hexpand(caption, TRUE);
  gtk_box_append(GTK_BOX(bar), caption);
  gtk_box_append(GTK_BOX(bar), gtk_window_controls_new(GTK_PACK_END));
  GtkWidget* handle = gtk_window_handle_new();
  gtk_window_handle_set_child(GTK_WINDOW_HANDLE(handle), bar);
  gtk_window_set_titlebar(window, handle);
  return caption;
}

}  // namespace kelm::gtk

KelmGtkFrontEnd::KelmGtkFrontEnd() : m_impl(std::make_unique<Impl>()) { m_impl->self = this; }

KelmGtkFrontEnd::~KelmGtkFrontEnd() { Close(); }

BOOL KelmGtkFrontEnd::IsOpen() const { return m_impl->open; }

// A window of about 800 by 600 pixels in the model's cells.
int KelmGtkFrontEnd::GetColumns() const { return m_impl->open ? 100 : 0; }
int KelmGtkFrontEnd::GetRows() const { return m_impl->open ? 36 : 0; }

BOOL KelmGtkFrontEnd::Open() {
  Impl& m = *m_impl;
  if (m.open || open_front_end != nullptr) return FALSE;
  if (!gtk_init_check()) return FALSE;
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return FALSE;
  m.css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(m.css, style_sheet, -1);
  gtk_style_context_add_provider_for_display(display, GTK_STYLE_PROVIDER(m.css),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  m.open = true;
  open_front_end = this;
  m.previous = KelmSetFrontEnd(this);
  return TRUE;
}

void KelmGtkFrontEnd::Close() {
  Impl& m = *m_impl;
  if (!m.open) return;
  while (!m.windows.empty()) m.drop(m.windows.begin()->first);
  // Let the display see the windows go before the process goes on.
  for (int i = 0; i < 100 && g_main_context_pending(nullptr); ++i)
    g_main_context_iteration(nullptr, FALSE);
  gtk_style_context_remove_provider_for_display(gdk_display_get_default(),
                                                GTK_STYLE_PROVIDER(m.css));
  g_object_unref(m.css);
  m.css = nullptr;
  m.canvases.clear();
  if (KelmGetFrontEnd() == this) KelmSetFrontEnd(m.previous);
  m.open = false;
  open_front_end = nullptr;
}

BOOL KelmGtkFrontEnd::WaitForInput(int nTimeoutMs) {
  Impl& m = *m_impl;
  if (!m.open) return FALSE;
  m.refresh();
  m.posted = false;
  if (nTimeoutMs == 0) {
    while (!m.posted && g_main_context_iteration(nullptr, FALSE)) {
    }
    return m.posted ? TRUE : FALSE;
  }
  bool timed_out = false;
  guint timer = 0;
  if (nTimeoutMs > 0)
    timer = g_timeout_add(
        static_cast<guint>(nTimeoutMs),
        +[](gpointer flag) {
          *static_cast<bool*>(flag) = true;
          return G_SOURCE_REMOVE;
        },
        &timed_out);
  while (!m.posted && !timed_out) g_main_context_iteration(nullptr, TRUE);
  if (!timed_out && timer != 0) g_source_remove(timer);
  return m.posted ? TRUE : FALSE;
}

void KelmGtkFrontEnd::SetCanvas(HWND hWnd, const KelmCharacterGrid* pGrid) {
  Impl& m = *m_impl;
  if (pGrid != nullptr)
    m.canvases[hWnd] = pGrid;
  else
    m.canvases.erase(hWnd);
  // The window is made again, as a canvas or as a dialog.
  if (m.windows.count(hWnd) != 0) m.drop(hWnd);
}

void KelmGtkFrontEnd::Beep(UINT) {
  if (m_impl->open) gdk_display_beep(gdk_display_get_default());
}

void KelmGtkFrontEnd::WindowShown(HWND hWnd) { WindowChanged(hWnd); }

void KelmGtkFrontEnd::WindowHidden(HWND hWnd) { WindowChanged(hWnd); }

void KelmGtkFrontEnd::WindowDestroyed(HWND hWnd) {
  if (m_impl->open) m_impl->drop(hWnd);
  m_impl->canvases.erase(hWnd);
}

void KelmGtkFrontEnd::WindowChanged(HWND hWnd) {
  const auto found = m_impl->windows.find(hWnd);
  if (found != m_impl->windows.end()) found->second->dirty = true;
}

BOOL KelmGtkFrontEnd::PutClipboardText(LPCSTR lpszText) {
  if (!m_impl->open || lpszText == nullptr) return FALSE;
  gdk_clipboard_set_text(gdk_display_get_clipboard(gdk_display_get_default()),
                         kelm::gtk::utf8_of(lpszText).c_str());
  return TRUE;
}

BOOL KelmGtkFrontEnd::GetClipboardText(CString& strText) {
  if (!m_impl->open) return FALSE;
  struct Reading {
    bool done = false;
    bool timed_out = false;
    char* text = nullptr;
  } reading;
  gdk_clipboard_read_text_async(
      gdk_display_get_clipboard(gdk_display_get_default()), nullptr,
      +[](GObject* source, GAsyncResult* result, gpointer data) {
        auto* r = static_cast<Reading*>(data);
        r->text = gdk_clipboard_read_text_finish(GDK_CLIPBOARD(source), result, nullptr);
        r->done = true;
      },
      &reading);
  // Another program may hold the clipboard and never answer; two seconds is
  // longer than any that works takes.
  const guint timer = g_timeout_add(
      2000,
      +[](gpointer data) {
        static_cast<Reading*>(data)->timed_out = true;
        return G_SOURCE_REMOVE;
      },
      &reading);
  while (!reading.done && !reading.timed_out) g_main_context_iteration(nullptr, TRUE);
  if (!reading.timed_out) g_source_remove(timer);
  // A read still under way finishes into this frame's memory: wait it out.
  while (!reading.done) g_main_context_iteration(nullptr, TRUE);
  if (reading.text == nullptr) return FALSE;
  strText = kelm::gtk::cp1252_of(reading.text).c_str();
  g_free(reading.text);
  return TRUE;
}

void KelmGtkFrontEnd::Impl::refresh() {
  HWND tops[64];
  const int count = std::min(KelmGetTopLevelWindows(tops, 64), 64);
  std::set<HWND> shown(tops, tops + count);
  for (auto it = windows.begin(); it != windows.end();) {
    const HWND hwnd = it->first;
    ++it;
    if (shown.count(hwnd) == 0) drop(hwnd);
  }
  for (int i = 0; i < count; ++i) {
    TopWindow& w = window_of(tops[i]);
    if (w.dirty || w.grid != nullptr) sync(w);
  }
}

TopWindow& KelmGtkFrontEnd::Impl::window_of(HWND top) {
  auto& slot = windows[top];
  if (slot) return *slot;
  slot = std::make_unique<TopWindow>();
  TopWindow& w = *slot;
  w.owner = this;
  w.hwnd = top;
  w.window = GTK_WINDOW(gtk_window_new());
  w.caption = kelm::gtk::title_bar(w.window);
  const auto canvas = canvases.find(top);
  if (canvas != canvases.end()) {
    w.grid = canvas->second;
    show_canvas(w);
  } else {
    gtk_widget_add_css_class(GTK_WIDGET(w.window), "kelm-dialog");
    w.fixed = gtk_fixed_new();
    gtk_window_set_child(w.window, w.fixed);
    gtk_window_set_resizable(w.window, FALSE);
    kelm::gtk::listen(w, w.fixed);
  }
  GtkEventController* keys = gtk_event_controller_key_new();
  gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
  g_signal_connect(keys, "key-pressed", G_CALLBACK(on_key), &w);
  GtkIMContext* input = gtk_im_context_simple_new();
  gtk_im_context_set_client_widget(input, GTK_WIDGET(w.window));
  g_signal_connect(input, "commit", G_CALLBACK(on_commit), &w);
  gtk_event_controller_key_set_im_context(GTK_EVENT_CONTROLLER_KEY(keys), input);
  g_object_unref(input);
  gtk_widget_add_controller(GTK_WIDGET(w.window), keys);
  g_signal_connect(w.window, "close-request", G_CALLBACK(on_close_request), &w);
  return w;
}

void KelmGtkFrontEnd::Impl::drop(HWND top) {
  const auto found = windows.find(top);
  if (found == windows.end()) return;
  std::unique_ptr<TopWindow> w = std::move(found->second);
  windows.erase(found);
  // Windows transient for this one would otherwise go with it.
  for (auto& [hwnd, other] : windows)
    if (gtk_window_get_transient_for(other->window) == w->window)
      gtk_window_set_transient_for(other->window, nullptr);
  g_signal_handlers_disconnect_by_data(w->window, w.get());
  gtk_window_destroy(w->window);
}

void KelmGtkFrontEnd::Impl::sync(TopWindow& w) {
  w.dirty = false;
  const std::string title = kelm::gtk::utf8_of(window_text(w.hwnd));
  if (title != w.title || gtk_window_get_title(w.window) == nullptr) {
    w.title = title;
    gtk_window_set_title(w.window, title.c_str());
    gtk_label_set_text(GTK_LABEL(w.caption), title.c_str());
  }
  const HWND owner_hwnd = GetWindow(w.hwnd, GW_OWNER);
  const auto owner = windows.find(owner_hwnd);
  GtkWindow* parent = owner != windows.end() ? owner->second->window : nullptr;
  if (gtk_window_get_transient_for(w.window) != parent)
    gtk_window_set_transient_for(w.window, parent);
  const bool modal = parent != nullptr && !IsWindowEnabled(owner_hwnd);
  if (static_cast<bool>(gtk_window_get_modal(w.window)) != modal)
    gtk_window_set_modal(w.window, modal);
  if (w.grid != nullptr) {
    gtk_widget_queue_draw(w.canvas);
  } else {
    RECT client;
    GetClientRect(w.hwnd, &client);
    gtk_widget_set_size_request(w.fixed, static_cast<int>(client.right),
                                static_cast<int>(client.bottom));
    // A dialog takes its content's natural width: the caption's must not
    // be wider than the client area, leaving room for the close button.
    gtk_label_set_max_width_chars(GTK_LABEL(w.caption),
                                  std::max(1, static_cast<int>(client.right - 48) / 8));
    sync_controls(w);
  }
  if (!gtk_widget_get_visible(GTK_WIDGET(w.window))) gtk_window_present(w.window);
}

GtkWindow* KelmGtkFrontEnd::Impl::active_window() const {
  const HWND active = GetActiveWindow();
  const auto found = windows.find(active);
  if (found != windows.end()) return found->second->window;
  return windows.empty() ? nullptr : windows.rbegin()->second->window;
}
