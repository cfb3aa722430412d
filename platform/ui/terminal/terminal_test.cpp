// The terminal front end as a person meets it, in a tmux pane: the demo
// dialog drawn centred in its frame, keys, the mouse, a message box, a
// resize, and the terminal given back on every way out.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "testing/tmux_pane.h"

namespace {

// The demo in a pane; its result and its pid land in files of the folder.
class DemoPane : public TmuxPane {
 public:
  explicit DemoPane(const ScratchFolder& folder)
      : TmuxPane(folder, 100, 36,
                 std::string("DEMO_PID_FILE=pid '") + TERMINAL_DEMO + "' > out 2> err") {}
  // The terminal's modes in stty's words, once the demo ended.
  std::string Modes() { return ShellOutput("stty -a -F " + Format("#{pane_tty}")); }
};

// Terminal modes the front end changes, in stty's words, as they were.
void expect_terminal_given_back(std::string stty) {
  for (char& c : stty)
    if (c == '\n' || c == ';') c = ' ';
  stty = " " + stty + " ";
  for (const char* mode : {" icanon ", " echo ", " icrnl ", " isig "})
    EXPECT_NE(std::string::npos, stty.find(mode)) << mode << " in " << stty;
}

TEST(TerminalFrontEnd, DrawsTheDialogAndTakesKeysMouseAndMessageBoxes) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder folder;
  DemoPane pane(folder);
  const std::string screen = pane.ScreenWith("< OK >");
  // Centred: as many columns left of the frame as right of it.
  const auto [top, left] = pane.Find("┌");
  ASSERT_GE(top, 0) << screen;
  const std::string top_row = pane.Rows()[static_cast<size_t>(top)];
  EXPECT_NE(std::string::npos, top_row.find("─ Demo ─")) << top_row;
  const int frame_width = 62;
  EXPECT_EQ((100 - frame_width) / 2, left) << screen;
  EXPECT_EQ((36 - 21) / 2, top) << screen;
  EXPECT_TRUE(pane.Shows({"[ ] Bold words", "< OK >", "[ Cancel ]", "élan", "Red", "▼", "Depth"}));
  const std::vector<std::string> drawn = pane.Rows(true);
  const std::string name_row = drawn[static_cast<size_t>(pane.Find("Name").first)];
  EXPECT_NE(std::string::npos, name_row.find("\x1b[4mN")) << "the accelerator is underlined";
  EXPECT_NE(std::string::npos, name_row.find("7m")) << "the focused field is in reverse video";
  EXPECT_TRUE(ReadWholeFile(folder.path("out")).empty()) << "nothing is drawn on standard output";

  pane.Text("Zoé");
  pane.Keys("Tab");
  pane.Text("11");
  pane.Keys("M-b");
  pane.Keys("Enter");
  EXPECT_TRUE(pane.Shows({"(!) Please enter", "Please enter an integer between 0 and 10."}));
  pane.Keys("Enter");
  EXPECT_TRUE(pane.Shows({}, {"Please enter"}));
  pane.Text("7");
  const auto [date_row, date_column] = pane.Find("date ");
  ASSERT_GE(date_row, 0);
  pane.Click({date_row, date_column + 1});
  EXPECT_TRUE(pane.Shows({"7mdate"}, {}, true)) << "the clicked item is chosen and focused";
  EXPECT_TRUE(pane.Shows({"[x] Bold words"}));
  // The wheel turned towards the person scrolls the list three rows down.
  pane.Mouse(65, {date_row, date_column + 1});
  EXPECT_TRUE(pane.Shows({}, {"apple"}));
  pane.Keys("Enter");
  ASSERT_EQ(0, pane.ExitStatus());
  EXPECT_EQ("name=Zoé count=7 bold=1 item=date color=0 depth=40\n",
            ReadWholeFile(folder.path("out")));
  expect_terminal_given_back(pane.Modes());
  EXPECT_TRUE(pane.Shows({}, {"Demo"})) << "the dialog leaves the screen";
}

// A resize redraws the dialog centred in the new size; a signal ends the
// program with the terminal given back.
TEST(TerminalFrontEnd, ResizeRedrawsTheDialogCentredAndASignalGivesTheTerminalBack) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder folder;
  DemoPane pane(folder);
  pane.ScreenWith("< OK >");
  pane.Resize(120, 40);
  EXPECT_EQ(29, Awaited([&] { return pane.Find("┌").second; }, [](int left) { return left == 29; }))
      << pane.Screen();
  const int pid = std::atoi(AwaitedFile(folder.path("pid")).c_str());
  ASSERT_GT(pid, 0);
  ASSERT_EQ(0, ::kill(pid, SIGTERM));
  EXPECT_EQ(128 + SIGTERM, pane.ExitStatus());
  expect_terminal_given_back(pane.Modes());
  EXPECT_TRUE(pane.Shows({}, {"Demo"})) << "the normal screen is back";
}

}  // namespace
