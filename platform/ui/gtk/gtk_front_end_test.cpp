// The GTK front end in the test's own process, on an X server of the test's
// own: opening and closing, the windows it makes from the model's, what it
// posts for them, message boxes, waiting, and the system's clipboard.
#include "platform/ui/gtk/gtk_front_end.h"

#include <gtest/gtest.h>
#include <kelm/kelm.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "gtk_translate.h"
#include "testing/xvfb_session.h"

// After the platform's headers, whose TRUE and FALSE constants GLib's macros
// of those names would break.
#include <gtk/gtk.h>

namespace {

GtkWindow* toplevel_titled(const std::string& title) {
  GListModel* all = gtk_window_get_toplevels();
  GtkWindow* found = nullptr;
  for (guint i = 0; i < g_list_model_get_n_items(all); ++i) {
    auto* w = GTK_WINDOW(g_list_model_get_item(all, i));
    const char* t = gtk_window_get_title(w);
    if (t != nullptr && title == t && gtk_widget_get_visible(GTK_WIDGET(w))) found = w;
    g_object_unref(w);
  }
  return found;
}

KelmDialogTemplate small_dialog(UINT id, const char* caption) {
  KelmDialogTemplate t;
  t.id = id;
  t.caption = caption;
  t.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  t.cx = 120;
  t.cy = 60;
  t.controls = {
      {"STATIC", IDC_STATIC, "&Name", 4, 8, 40, 8, WS_VISIBLE},
      {"EDIT", 101, "", 48, 8, 60, 12, WS_VISIBLE | WS_TABSTOP | WS_BORDER},
      {"BUTTON", IDOK, "OK", 60, 40, 50, 14, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
  };
  return t;
}

// GTK ends the process when its display goes, so one server serves every
// test, stopped once they are done.
class DisplayForAll : public ::testing::Environment {
 public:
  void SetUp() override { session = std::make_unique<XvfbSession>(); }
  void TearDown() override { session.reset(); }
  static inline std::unique_ptr<XvfbSession> session;
};
const auto* const display_for_all = ::testing::AddGlobalTestEnvironment(new DisplayForAll);

class GtkFrontEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayForAll::session->Ok())
      GTEST_SKIP() << "no Xvfb to run the windows on (scripts/bootstrap installs it)";
    ASSERT_TRUE(m_gtk.Open());
  }
  void TearDown() override {
    for (HWND w : m_windows)
      if (IsWindow(w)) DestroyWindow(w);
    m_gtk.Close();
  }
  HWND Show(UINT id, const char* caption, HWND owner = nullptr) {
    HWND w = KelmCreateDialogWindow(small_dialog(id, caption), owner);
    m_windows.push_back(w);
    ShowWindow(w, SW_SHOW);
    return w;
  }

  KelmGtkFrontEnd m_gtk;
  std::vector<HWND> m_windows;
};

TEST(GtkFrontEndOpen, WithoutADisplayOpenFailsAndChangesNothing) {
  const pid_t child = fork();
  if (child == 0) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    KelmGtkFrontEnd gtk;
    _exit(!gtk.Open() && !gtk.IsOpen() && KelmGetFrontEnd() == nullptr && gtk.GetColumns() == 0
              ? 0
              : 1);
  }
  EXPECT_EQ(0, WaitExitWithin(child, 10000));
}

TEST_F(GtkFrontEndTest, OneOpensAtATimeAndClosingRestoresTheFrontEndBefore) {
  EXPECT_EQ(&m_gtk, KelmGetFrontEnd());
  EXPECT_GT(m_gtk.GetColumns(), 0);
  EXPECT_GT(m_gtk.GetRows(), 0);
  KelmGtkFrontEnd second;
  EXPECT_FALSE(second.Open()) << "a second GTK front end";
  EXPECT_EQ(&m_gtk, KelmGetFrontEnd());
  m_gtk.Close();
  EXPECT_EQ(nullptr, KelmGetFrontEnd());
  EXPECT_FALSE(m_gtk.IsOpen());
  EXPECT_TRUE(m_gtk.Open()) << "open again after closing";
}

TEST_F(GtkFrontEndTest, AWindowIsTitledAndSizedAsTheModelSaysAndModalOverItsDisabledOwner) {
  HWND owner = Show(31201, "Owner");
  EnableWindow(owner, FALSE);
  HWND dialog = Show(31202, "Caf\xE9 Dialog", owner);
  EXPECT_FALSE(m_gtk.WaitForInput(0));
  GtkWindow* top = toplevel_titled("Owner");
  GtkWindow* shown = toplevel_titled("Caf\xC3\xA9 Dialog");
  ASSERT_NE(nullptr, top);
  ASSERT_NE(nullptr, shown) << "the caption in UTF-8";
  EXPECT_EQ(top, gtk_window_get_transient_for(shown));
  EXPECT_TRUE(gtk_window_get_modal(shown)) << "its owner is disabled";
  EXPECT_FALSE(gtk_window_get_modal(top));
  EXPECT_FALSE(gtk_window_get_resizable(shown));
  RECT client;
  GetClientRect(dialog, &client);
  int width = 0;
  int height = 0;
  gtk_widget_get_size_request(gtk_window_get_child(shown), &width, &height);
  EXPECT_EQ(client.right, width);
  EXPECT_EQ(client.bottom, height);
  // A changed caption shows once input is next awaited.
  SetWindowTextA(dialog, "Renamed");
  EXPECT_FALSE(m_gtk.WaitForInput(0));
  EXPECT_NE(nullptr, toplevel_titled("Renamed"));
  // Enabled again, the owner no longer makes the dialog modal.
  EnableWindow(owner, TRUE);
  EXPECT_FALSE(m_gtk.WaitForInput(0));
  EXPECT_FALSE(gtk_window_get_modal(toplevel_titled("Renamed")));
  DestroyWindow(dialog);
  EXPECT_FALSE(m_gtk.WaitForInput(0));
  EXPECT_EQ(nullptr, toplevel_titled("Renamed")) << "destroyed, its window goes";
}

// One control of each kind, in a known state.
KelmDialogTemplate every_kind() {
  KelmDialogTemplate t = small_dialog(31210, "Every Kind");
  t.cx = 200;
  t.cy = 128;
  const DWORD vis = WS_VISIBLE;
  t.controls = {
      {"STATIC", IDC_STATIC, "&Left label", 4, 8, 60, 8, vis},
      {"EDIT", 201, "typed", 72, 8, 60, 12, vis | WS_TABSTOP | WS_BORDER},
      {"BUTTON", 202, "&Checked", 4, 40, 60, 8, vis | WS_TABSTOP | BS_AUTOCHECKBOX},
      {"BUTTON", 203, "&Radio", 4, 56, 60, 8, vis | BS_AUTORADIOBUTTON},
      {"LISTBOX", 204, "", 72, 40, 60, 32, vis | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY},
      {"COMBOBOX",
       205,
       "",
       140,
       8,
       56,
       40,
       vis | WS_TABSTOP | CBS_DROPDOWNLIST,
       0,
       {"Red", "Green", "Blue"}},
      {"COMBOBOX", 206, "", 140, 24, 56, 32, vis | WS_TABSTOP | CBS_SIMPLE, 0, {"one", "two"}},
      {"msctls_trackbar32", 207, "", 140, 64, 56, 8, vis | WS_TABSTOP},
      {"BUTTON", IDC_STATIC, "&Group", 4, 80, 60, 24, vis | BS_GROUPBOX},
      {"BUTTON", IDOK, "OK", 140, 88, 56, 14, vis | WS_TABSTOP | BS_DEFPUSHBUTTON},
  };
  return t;
}

TEST_F(GtkFrontEndTest, EveryKindOfControlIsDrawnAtItsRectangle) {
  HWND dialog = KelmCreateDialogWindow(every_kind(), nullptr);
  m_windows.push_back(dialog);
  CheckDlgButton(dialog, 202, BST_CHECKED);
  SendDlgItemMessageA(dialog, 204, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("alpha\tA1"));
  SendDlgItemMessageA(dialog, 205, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageA(dialog, 207, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  SendDlgItemMessageA(dialog, 207, TBM_SETPOS, TRUE, 50);
  ShowWindow(dialog, SW_SHOW);
  // Time for GTK to draw the window.
  EXPECT_FALSE(m_gtk.WaitForInput(300));
  const XvfbSession& x = *DisplayForAll::session;
  const XvfbSession::Window w = x.WaitForWindow("Every Kind", 5000);
  ASSERT_NE(0u, w);
  const std::string png = ::testing::TempDir() + "every_kind.png";
  ASSERT_TRUE(x.Screenshot(w, png));
  RECT client;
  RECT frame;
  GetClientRect(dialog, &client);
  GetWindowRect(dialog, &frame);
  const XvfbSession::Point origin =
      x.ClientOrigin(w, static_cast<int>(client.right), static_cast<int>(client.bottom));
  const LONG left = frame.left + (frame.right - frame.left - client.right) / 2;
  const LONG top = frame.top + (frame.bottom - frame.top - client.bottom) / 2;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(c, &r);
    char cls[32];
    GetClassNameA(c, cls, sizeof cls);
    EXPECT_GT(
        ColoursIn(png, origin.x + static_cast<int>(r.left - left),
                  origin.y + static_cast<int>(r.top - top), static_cast<int>(r.right - r.left),
                  static_cast<int>(std::min<LONG>(r.bottom - r.top, 16))),
        1)
        << "the dialog's face alone is one colour: " << cls << " " << GetDlgCtrlID(c);
  }
  std::remove(png.c_str());
}

TEST_F(GtkFrontEndTest, TheCloseButtonPostsWmCloseAndGtkDoesNotCloseTheWindow) {
  HWND dialog = Show(31203, "Closing");
  EXPECT_FALSE(m_gtk.WaitForInput(0));
  GtkWindow* shown = toplevel_titled("Closing");
  ASSERT_NE(nullptr, shown);
  gtk_window_close(shown);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_CLOSE, WM_CLOSE, PM_REMOVE));
  EXPECT_EQ(dialog, msg.hwnd);
  EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(shown)));
}

TEST_F(GtkFrontEndTest, WaitingWithNothingToDoWaitsItsTimeAndPostsNothing) {
  Show(31204, "Idle");
  for (const int ms : {0, 150}) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_gtk.WaitForInput(ms)) << ms;
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
    EXPECT_GE(waited, ms) << ms;
    EXPECT_LT(waited, ms + 2000) << ms;
  }
}

double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST_F(GtkFrontEndTest, WaitingForeverSleepsUntilThePersonActs) {
  Show(31205, "Asleep");
  EXPECT_FALSE(m_gtk.WaitForInput(0));
  // The person closes the window half a second later.
  g_timeout_add(
      500,
      +[](gpointer) -> gboolean {
        gtk_window_close(toplevel_titled("Asleep"));
        return G_SOURCE_REMOVE;
      },
      nullptr);
  const auto start = std::chrono::steady_clock::now();
  const double cpu = cpu_seconds();
  EXPECT_TRUE(m_gtk.WaitForInput(-1));
  const double used = cpu_seconds() - cpu;
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450));
  EXPECT_LT(used, 0.2) << "seconds of processor time while waiting";
}

TEST_F(GtkFrontEndTest, MessageBoxesAnswerWithTheirButtonsAndTheirCloseButton) {
  struct Case {
    UINT type;
    bool close;  // else the default button is clicked
    int want;
  };
  const Case cases[] = {
      {MB_OK, false, IDOK},
      {MB_OK, true, IDOK},
      {MB_OKCANCEL, true, IDCANCEL},
      {MB_YESNO, false, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, false, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, false, IDCANCEL},
      {MB_YESNOCANCEL, true, IDCANCEL},
      {MB_RETRYCANCEL, false, IDRETRY},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, false, IDRETRY},
  };
  for (const Case& c : cases) {
    static bool close;
    close = c.close;
    g_timeout_add(
        50,
        +[](gpointer) -> gboolean {
          GtkWindow* box = toplevel_titled("Question");
          if (box == nullptr) return G_SOURCE_CONTINUE;
          if (close)
            gtk_window_close(box);
          else
            g_signal_emit_by_name(gtk_window_get_default_widget(box), "clicked");
          return G_SOURCE_REMOVE;
        },
        nullptr);
    EXPECT_EQ(c.want, m_gtk.MessageBox("Go on?", "Question", c.type))
        << "type " << c.type << " close " << c.close;
  }
}

TEST_F(GtkFrontEndTest, TheClipboardIsTheSystemsInWindows1252AtTheBorder) {
  ASSERT_TRUE(m_gtk.PutClipboardText("caf\xE9 \x80"));
  CString got;
  ASSERT_TRUE(m_gtk.GetClipboardText(got));
  EXPECT_EQ(CString("caf\xE9 \x80"), got);
  // What another program put there, with characters Windows-1252 lacks.
  gdk_clipboard_set_text(gdk_display_get_clipboard(gdk_display_get_default()),
                         "\xCE\xB1 and \xC3\xA9");
  ASSERT_TRUE(m_gtk.GetClipboardText(got));
  EXPECT_EQ(CString("? and \xE9"), got);
}

}  // namespace
