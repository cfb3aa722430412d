#include <algorithm>
#include <string>
#include <vector>

#include "gtk_translate.h"
#include "gtk_windows.h"

namespace {

// GTK marks a mnemonic with '_' where Windows marks it with '&'.
std::string gtk_mnemonic(const char* label) {
  std::string mnemonic(label);
  std::replace(mnemonic.begin(), mnemonic.end(), '&', '_');
  return mnemonic;
}

// What Esc and the close button answer: Cancel where there is one, OK when it
// is the only button, else nothing (the person must choose).
int dismissal(UINT type) {
  for (const KelmMessageBoxButton& b : KelmMessageBoxButtons(type))
    if (b.answer == IDCANCEL) return IDCANCEL;
  return (type & MB_TYPEMASK) == MB_OK ? IDOK : 0;
}

struct Answer {
  int id = 0;
  UINT type = 0;
};

void on_clicked(GtkButton* button, Answer* answer) {
  answer->id = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "kelm-id"));
}

gboolean on_close_request(GtkWindow*, Answer* answer) {
  if (answer->id == 0) answer->id = dismissal(answer->type);
  return TRUE;
}

gboolean on_key(GtkEventControllerKey*, guint keyval, guint, GdkModifierType, Answer* answer) {
  if (keyval != GDK_KEY_Escape) return FALSE;
  answer->id = dismissal(answer->type);
  return TRUE;
}

}  // namespace

int KelmGtkFrontEnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
  Impl& m = *m_impl;
  if (!m.open) return 0;
  // The windows under the box show what led to it.
  m.refresh();
  Answer answer;
  answer.type = nType;
  GtkWindow* box = GTK_WINDOW(gtk_window_new());
  gtk_widget_add_css_class(GTK_WIDGET(box), "kelm-message");
  GtkWidget* title = kelm::gtk::title_bar(box);
  // A box without a caption is the application's, as on Windows.
  CString caption = lpszCaption != nullptr ? lpszCaption : "";
  if (caption.IsEmpty() && AfxGetApp() != nullptr && AfxGetApp()->m_pszAppName != nullptr)
    caption = AfxGetApp()->m_pszAppName;
  gtk_window_set_title(box, kelm::gtk::utf8_of(caption.GetString()).c_str());
  gtk_label_set_text(GTK_LABEL(title), kelm::gtk::utf8_of(caption.GetString()).c_str());
  gtk_window_set_resizable(box, FALSE);
  gtk_window_set_modal(box, TRUE);
  if (GtkWindow* parent = m.active_window()) gtk_window_set_transient_for(box, parent);
  GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 16);
  gtk_widget_set_margin_start(content, 20);
  gtk_widget_set_margin_end(content, 20);
  gtk_widget_set_margin_top(content, 16);
  gtk_widget_set_margin_bottom(content, 12);
  GtkWidget* label = gtk_label_new(kelm::gtk::utf8_of(lpszText != nullptr ? lpszText : "").c_str());
  gtk_label_set_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 60);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_box_append(GTK_BOX(content), label);
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
  gtk_widget_set_halign(row, GTK_ALIGN_END);
  gtk_box_set_homogeneous(GTK_BOX(row), TRUE);
  const std::vector<KelmMessageBoxButton> buttons = KelmMessageBoxButtons(nType);
  const size_t chosen = (nType & MB_DEFMASK) == MB_DEFBUTTON3   ? 2
                        : (nType & MB_DEFMASK) == MB_DEFBUTTON2 ? 1
                                                                : 0;
  for (size_t i = 0; i < buttons.size(); ++i) {
    GtkWidget* b = gtk_button_new_with_mnemonic(gtk_mnemonic(buttons[i].label).c_str());
    gtk_widget_set_size_request(b, 80, -1);
    g_object_set_data(G_OBJECT(b), "kelm-id", GINT_TO_POINTER(buttons[i].answer));
    g_signal_connect(b, "clicked", G_CALLBACK(on_clicked), &answer);
    gtk_box_append(GTK_BOX(row), b);
    if (i == std::min(chosen, buttons.size() - 1)) {
      gtk_window_set_default_widget(box, b);
      gtk_widget_add_css_class(b, "suggested-action");
      gtk_window_set_focus(box, b);
    }
  }
  gtk_box_append(GTK_BOX(content), row);
  gtk_window_set_child(box, content);
  GtkEventController* keys = gtk_event_controller_key_new();
  g_signal_connect(keys, "key-pressed", G_CALLBACK(on_key), &answer);
  gtk_widget_add_controller(GTK_WIDGET(box), keys);
  g_signal_connect(box, "close-request", G_CALLBACK(on_close_request), &answer);
  gtk_window_present(box);
  while (answer.id == 0) g_main_context_iteration(nullptr, TRUE);
  g_signal_handlers_disconnect_by_data(box, &answer);
  gtk_window_destroy(box);
  return answer.id;
}
