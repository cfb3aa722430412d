// The kelm commands that show windows, run on the GTK front end under an X
// server of the test's own and used as a person would: keys and clicks at
// the controls (found by their window's title and their rectangles in the
// dialog's template), pictures of the windows, and what the command prints,
// writes and exits with.
#include <gtest/gtest.h>
#include <kelm/kelm.h>
#include <sqlite3.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "testing/cli_runner.h"
#include "testing/shell_command.h"
#include "testing/xvfb_session.h"

namespace {

constexpr int window_ms = 8000;
constexpr int exit_ms = 8000;

// A dialog's client size and its controls' rectangles there, as the window
// model lays out its template.
struct Layout {
  int width = 0;
  int height = 0;
  std::map<int, RECT> controls;
};

Layout layout_of(UINT id) {
  Layout layout;
  const KelmDialogTemplate* t = KelmFindDialogTemplate(id);
  if (t == nullptr) return layout;
  HWND dialog = KelmCreateDialogWindow(*t, nullptr);
  if (dialog == nullptr) return layout;
  RECT client;
  RECT frame;
  GetClientRect(dialog, &client);
  GetWindowRect(dialog, &frame);
  layout.width = static_cast<int>(client.right);
  layout.height = static_cast<int>(client.bottom);
  const LONG left = frame.left + (frame.right - frame.left - client.right) / 2;
  const LONG top = frame.top + (frame.bottom - frame.top - client.bottom) / 2;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(c, &r);
    layout.controls[GetDlgCtrlID(c)] =
        RECT{r.left - left, r.top - top, r.right - left, r.bottom - top};
  }
  DestroyWindow(dialog);
  return layout;
}

// One kelm command on the session's display, its output in files of the home.
class WindowedKelm {
 public:
  WindowedKelm(const XvfbSession& x, const ScratchFolder& home, std::vector<std::string> args)
      : m_x(x), m_home(home) {
    m_pid = start_kelm(std::move(args), home, "/dev/null", home.path("out"), home.path("err"),
                       {"DISPLAY=" + x.Display(), "KELM_FRONTEND=gtk"});
  }
  WindowedKelm(const WindowedKelm&) = delete;
  WindowedKelm& operator=(const WindowedKelm&) = delete;
  ~WindowedKelm() {
    if (m_pid > 0) WaitExitWithin(m_pid, 0);
  }

  XvfbSession::Window Window(const std::string& title) const {
    return m_x.WaitForWindow(title, window_ms, m_pid);
  }
  // A view of a million rows counts them before it shows: allow for a
  // loaded machine.
  XvfbSession::Window AnyWindow() const { return m_x.WaitForWindowOf(m_pid, 3 * window_ms); }
  int ExitStatus() {
    const int status = WaitExitWithin(m_pid, exit_ms);
    m_pid = -1;
    return status;
  }
  std::string Out() const { return ReadWholeFile(m_home.path("out")); }
  std::string Err() const { return ReadWholeFile(m_home.path("err")); }
  // Clicks the control of the dialog window laid out as the layout says.
  void Click(XvfbSession::Window w, const Layout& layout, int id) const {
    const RECT r = layout.controls.at(id);
    m_x.Click(w, layout.width, layout.height, static_cast<int>(r.left), static_cast<int>(r.top),
              static_cast<int>(r.right), static_cast<int>(r.bottom));
  }

 private:
  const XvfbSession& m_x;
  const ScratchFolder& m_home;
  pid_t m_pid = -1;
};

#define NEED_DISPLAY(x) \
  if (!(x).Ok()) GTEST_SKIP() << "no Xvfb to run the windows on (scripts/bootstrap installs it)"

TEST(GtkKelmCharmap, TheWindowHasTheTemplatesSizeKeysPickAndCancelIsAClick) {
  XvfbSession x;
  NEED_DISPLAY(x);
  const ScratchFolder home;
  const Layout layout = layout_of(IDD_SPECIAL_CHAR);
  ASSERT_GT(layout.width, 0);
  std::string picked;
  {
    WindowedKelm kelm(x, home, {"charmap"});
    const XvfbSession::Window w = kelm.Window("Insert Special Character");
    ASSERT_NE(0u, w) << kelm.Err();
    // The client area is the template's, under a title bar, in a thin frame.
    const XvfbSession::Geometry g = x.GetGeometry(w);
    const XvfbSession::Point origin = x.ClientOrigin(w, layout.width, layout.height);
    EXPECT_GE(origin.x, 0) << g.width << "x" << g.height;
    EXPECT_LE(origin.x, 12) << g.width << "x" << g.height;
    EXPECT_GE(origin.y, 24) << g.width << "x" << g.height;
    EXPECT_LE(origin.y, 80) << g.width << "x" << g.height;
    x.Keys(w, "Down Down Return");
    ASSERT_EQ(0, kelm.ExitStatus()) << kelm.Err();
    picked = kelm.Out();
    EXPECT_EQ("\xC2\xA3\n", picked) << "the third of the list, in UTF-8";
  }
  {
    WindowedKelm kelm(x, home, {"charmap"});
    const XvfbSession::Window w = kelm.Window("Insert Special Character");
    ASSERT_NE(0u, w) << kelm.Err();
    x.Keys(w, "Return");
    ASSERT_EQ(0, kelm.ExitStatus()) << kelm.Err();
    EXPECT_EQ(picked, kelm.Out()) << "the dialog opens on the character picked last";
  }
  WindowedKelm kelm(x, home, {"charmap"});
  const XvfbSession::Window w = kelm.Window("Insert Special Character");
  ASSERT_NE(0u, w) << kelm.Err();
  kelm.Click(w, layout, IDCANCEL);
  EXPECT_EQ(1, kelm.ExitStatus()) << kelm.Err();
  EXPECT_EQ("", kelm.Out());
}

TEST(GtkKelmCharmap, APictureOfTheWindowShowsItsButtonsAtTheirPlaces) {
  XvfbSession x;
  NEED_DISPLAY(x);
  const ScratchFolder home;
  const Layout layout = layout_of(IDD_SPECIAL_CHAR);
  WindowedKelm kelm(x, home, {"charmap"});
  const XvfbSession::Window w = kelm.Window("Insert Special Character");
  ASSERT_NE(0u, w) << kelm.Err();
  const std::string png = home.path("charmap.png");
  // The first picture may come before GTK has drawn; the second will not.
  x.Keys(w, "Down Up");
  ASSERT_TRUE(x.Screenshot(w, png));
  const XvfbSession::Geometry g = x.GetGeometry(w);
  const XvfbSession::Point size = PictureSize(png);
  EXPECT_EQ(g.width, size.x);
  EXPECT_EQ(g.height, size.y);
  const XvfbSession::Point origin = x.ClientOrigin(w, layout.width, layout.height);
  for (const int id : {IDOK, IDCANCEL, IDC_SPECIAL_CHARS}) {
    const RECT r = layout.controls.at(id);
    EXPECT_GT(
        ColoursIn(png, origin.x + static_cast<int>(r.left), origin.y + static_cast<int>(r.top),
                  static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top)),
        2)
        << "control " << id;
  }
  // Between the list and the buttons there is only the dialog's face.
  const RECT list = layout.controls.at(IDC_SPECIAL_CHARS);
  const RECT ok = layout.controls.at(IDOK);
  EXPECT_EQ(1, ColoursIn(png, origin.x + static_cast<int>(list.right) + 2,
                         origin.y + static_cast<int>(ok.bottom) + 40,
                         static_cast<int>(ok.left - list.right) - 4, 20));
  x.Keys(w, "Escape");
  EXPECT_EQ(1, kelm.ExitStatus());
}

TEST(GtkKelmAutocomplete, ANumberOutOfRangeIsAMessageBoxAndAValidOneIsSaved) {
  XvfbSession x;
  NEED_DISPLAY(x);
  const ScratchFolder home;
  const Layout layout = layout_of(IDD_AUTO_COMPLETE);
  const std::string ini = home.path("words.ini");
  const std::string before = "[AC]\n0=alpha\nCount=1\nNum Chars=3\n";
  std::ofstream(ini) << before;
  {
    WindowedKelm kelm(x, home, {"autocomplete", "edit", ini, "AC"});
    const XvfbSession::Window w = kelm.Window("Auto Complete Options");
    ASSERT_NE(0u, w) << kelm.Err();
    kelm.Click(w, layout, IDC_NUM_CHARS);
    x.Keys(w, "End BackSpace");
    x.Type(w, "42");
    kelm.Click(w, layout, IDOK);
    const XvfbSession::Window box = kelm.Window("Kelm");
    ASSERT_NE(0u, box) << "the message box is a window of its own";
    x.Keys(box, "Return");
    ASSERT_TRUE(x.WaitForWindowGone(box, window_ms));
    x.Keys(w, "Escape");
    EXPECT_EQ(1, kelm.ExitStatus()) << kelm.Err();
    EXPECT_EQ(before, ReadWholeFile(ini));
  }
  WindowedKelm kelm(x, home, {"autocomplete", "edit", ini, "AC"});
  const XvfbSession::Window w = kelm.Window("Auto Complete Options");
  ASSERT_NE(0u, w) << kelm.Err();
  kelm.Click(w, layout, IDC_NUM_CHARS);
  x.Keys(w, "End BackSpace");
  x.Type(w, "7");
  kelm.Click(w, layout, IDC_NEW_WORD);
  x.Type(w, "bravo");
  kelm.Click(w, layout, IDC_AC_ADD);
  kelm.Click(w, layout, IDOK);
  ASSERT_EQ(0, kelm.ExitStatus()) << kelm.Err();
  const std::string saved = ReadWholeFile(ini);
  for (const char* line : {"Num Chars=7\n", "=bravo\n", "=alpha\n", "Count=2\n"})
    EXPECT_NE(std::string::npos, saved.find(line)) << line << " in\n" << saved;
}

TEST(GtkKelmAutocomplete, CtrlCInOneEditAndCtrlVInAnotherCopyTheTextAndDeadKeysCompose) {
  XvfbSession x;
  NEED_DISPLAY(x);
  const ScratchFolder home;
  const std::string ini = home.path("words.ini");
  std::ofstream(ini) << "[AC]\n0=alpha\nCount=1\nNum Chars=7\n";
  WindowedKelm kelm(x, home, {"autocomplete", "edit", ini, "AC"});
  const XvfbSession::Window w = kelm.Window("Auto Complete Options");
  ASSERT_NE(0u, w) << kelm.Err();
  // The second Tab selects the count; it is copied, and pasted twice after
  // a word typed in the next box, the second time with Shift+Insert; then
  // an accent typed with a dead key.
  x.Keys(w, "Tab Tab ctrl+c Tab");
  x.Type(w, "item");
  x.Keys(w, "ctrl+v shift+Insert dead_acute e alt+a Return");
  ASSERT_EQ(0, kelm.ExitStatus()) << kelm.Err();
  const std::string saved = ReadWholeFile(ini);
  for (const char* line : {"0=item77\xE9\n", "1=alpha\n", "Num Chars=7\n"})
    EXPECT_NE(std::string::npos, saved.find(line)) << line << " in\n" << saved;
}

TEST(GtkKelmSpell, TheCorrectSpellingWindowReplacesAWordAndTheFileIsWrittenBack) {
  XvfbSession x;
  NEED_DISPLAY(x);
  const ScratchFolder home;
  const Layout layout = layout_of(IDD_SUGGESTION);
  const std::string text = home.path("text.txt");
  WriteWholeFile(text, "Teh cat sat on the mat.  It was fine.\nThere were two dogs  there.\n");
  WindowedKelm kelm(x, home, {"spell", "text", text, "--interactive"});
  const XvfbSession::Window w = kelm.Window("Correct Spelling");
  ASSERT_NE(0u, w) << kelm.Err();
  // The replacement typed in its box, then Replace clicked.
  kelm.Click(w, layout, IDC_REPLACEMENT);
  x.Keys(w, "End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace");
  x.Type(w, "The");
  kelm.Click(w, layout, IDC_REPLACE);
  const XvfbSession::Window spacing = kelm.Window("Double space error");
  ASSERT_NE(0u, spacing) << kelm.Err();
  x.Keys(spacing, "alt+r");  // the two spaces replaced by one
  ASSERT_EQ(0, kelm.ExitStatus()) << kelm.Err();
  EXPECT_EQ("The cat sat on the mat.  It was fine.\nThere were two dogs there.\n",
            ReadWholeFile(text));
  EXPECT_NE(std::string::npos, kelm.Out().find(" 1 replaced")) << kelm.Out();
  EXPECT_EQ("", kelm.Err());
}

// A table of a million rows, made at once by SQLite itself.
void make_table(const std::string& path, int rows) {
  sqlite3* db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
  const std::string sql =
      "CREATE TABLE entries(id INTEGER PRIMARY KEY, outline TEXT NOT NULL, translation TEXT NOT "
      "NULL, flags INTEGER NOT NULL DEFAULT 0);"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
      std::to_string(rows) + ") INSERT INTO entries SELECT i, 'O' || i, 'word' || i, 0 FROM n;";
  char* error = nullptr;
  EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error))
      << (error != nullptr ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

// The rows of pixels of a picture's column inside a dark band at least a
// text row high: the inverted row, not the strokes of letters.
std::vector<int> dark_rows(const std::string& png, int x) {
  std::istringstream pixels(ShellOutput("convert '" + png + "' -crop 1x100000+" +
                                        std::to_string(x) +
                                        "+0 +repage -colorspace gray -depth 8 txt:- 2>/dev/null"));
  std::vector<int> dark;
  std::vector<int> run;
  const auto end_run = [&] {
    if (run.size() >= 14) dark.insert(dark.end(), run.begin(), run.end());
    run.clear();
  };
  for (std::string line; std::getline(pixels, line);) {
    int column = 0;
    int row = 0;
    int level = 0;
    if (std::sscanf(line.c_str(), "%d,%d: (%d", &column, &row, &level) != 3) continue;
    if (level >= 64 || (!run.empty() && run.back() != row - 1)) end_run();
    if (level < 64) run.push_back(row);
  }
  end_run();
  return dark;
}

TEST(GtkKelmTable, DownMovesTheInvertedRowEndShowsTheLastPageAndQQuits) {
  XvfbSession x;
  NEED_DISPLAY(x);
  const ScratchFolder home;
  const std::string db = home.path("big.db");
  make_table(db, 1000000);
  WindowedKelm kelm(x, home, {"table", db, "entries"});
  const XvfbSession::Window w = kelm.AnyWindow();
  ASSERT_NE(0u, w) << kelm.Err();
  EXPECT_EQ(w, kelm.Window("big.db - entries")) << "titled with the file and the table";
  // The inverted band once the view has drawn the keys: pictures until one
  // differs from what was there before and the next agrees with it.
  const auto band = [&](const std::string& keys, const std::vector<int>& before) {
    if (!keys.empty()) x.Keys(w, keys);
    const std::string png = home.path("table.png");
    std::vector<int> last;
    for (int i = 0; i < 100; ++i) {
      x.Screenshot(w, png);
      const std::vector<int> rows = dark_rows(png, 150);
      if (!rows.empty() && rows != before && rows == last) return rows;
      last = rows;
    }
    return last;
  };
  const std::vector<int> first = band("", {});
  ASSERT_FALSE(first.empty()) << "the first row is inverted";
  const std::vector<int> second = band("Down", first);
  ASSERT_FALSE(second.empty());
  EXPECT_GT(second.front(), first.back()) << "the next row, just below";
  EXPECT_LT(second.front() - first.back(), 40) << "the next row, just below";
  const std::vector<int> last = band("End", second);
  ASSERT_FALSE(last.empty());
  EXPECT_GT(last.front(), second.back() + 200) << "the last row, at the foot of the page";
  x.Keys(w, "q");
  EXPECT_EQ(0, kelm.ExitStatus()) << kelm.Err();
}

}  // namespace
