// The terminal front end as a person meets it, in a tmux pane: the demo
// dialog drawn centred in its frame, each kind of control drawn where its
// window is, keys, the mouse, a message box, resizes, and the terminal given
// back on every way out.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "testing/tmux_pane.h"

namespace {

// The demo in a pane, shown with an argument; its result and its pid land in
// files of the folder.
class DemoPane : public TmuxPane {
 public:
  explicit DemoPane(const ScratchFolder& folder, const std::string& argument = "")
      : TmuxPane(folder, 100, 36,
                 std::string("DEMO_PID_FILE=pid '") + TERMINAL_DEMO + "' " + argument +
                     " > out 2> err") {}
  // The terminal's modes in stty's words, once the demo ended.
  std::string Modes() { return ShellOutput("stty -a -F " + Format("#{pane_tty}")); }
  // The modes the terminal emulator itself keeps, which only sequences the
  // program wrote change.
  std::string EmulatorModes() {
    return Format(
        "alternate #{alternate_on} cursor #{cursor_flag} keypad #{keypad_flag} "
        "cursor keys #{keypad_cursor_flag} mouse #{mouse_any_flag}#{mouse_standard_flag}"
        "#{mouse_button_flag}#{mouse_sgr_flag}");
  }
  int Pid(const ScratchFolder& folder) {
    return std::atoi(AwaitedFile(folder.path("pid")).c_str());
  }
};

// The width cells of row from column on; a UTF-8 character takes one cell.
std::string cells(const std::string& row, int column, int width) {
  size_t begin = row.size();
  size_t end = row.size();
  int cell = 0;
  for (size_t i = 0; i <= row.size(); ++i) {
    if (i < row.size() && (static_cast<unsigned char>(row[i]) & 0xC0) == 0x80) continue;
    if (cell == column) begin = i;
    if (cell == column + width) {
      end = i;
      break;
    }
    ++cell;
  }
  return begin < end ? row.substr(begin, end - begin) : "";
}

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

// Each kind of control where its window is: the controls dialog's template
// puts each at column x / 4 and row y / 8 of the client area, which starts
// inside the frame's corner.
TEST(TerminalFrontEnd, DrawsEachKindOfControlWhereItsWindowIs) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder folder;
  DemoPane pane(folder, "controls");
  const std::string screen = pane.ScreenWith("[ Cancel ]");
  const auto [frame_top, frame_left] = pane.Find("┌");
  ASSERT_GE(frame_top, 0) << screen;
  EXPECT_EQ((100 - 52) / 2, frame_left) << screen;
  EXPECT_EQ((36 - 18) / 2, frame_top) << screen;
  const std::vector<std::string> rows = pane.Rows();
  struct Case {
    const char* control;
    int row;  // of the client area
    int column;
    const char* shown;
  };
  const Case cases[] = {
      {"label, accelerator hidden", 1, 1, "Left label "},
      {"centred label", 2, 1, "      Mid      "},
      {"right-aligned label", 3, 1, "          Right"},
      {"edit", 1, 18, "typed"},
      {"password edit", 2, 18, "****** "},
      {"read-only edit", 3, 18, "fixed"},
      {"check box", 5, 1, "[x] Checked"},
      {"three-state check box", 6, 1, "[-] Maybe"},
      {"radio button", 7, 1, "(*) Radio"},
      {"disabled check box", 8, 1, "[ ] Off"},
      {"list item at the default tab stop", 5, 18, "alpha   A1   "},
      {"list's last row", 8, 18, "delta        "},
      {"list's scroll bar", 5, 32, "▲"},
      {"list's thumb at the top", 6, 32, "█"},
      {"list's scroll bar track", 7, 32, "│"},
      {"list's scroll bar end", 8, 32, "▼"},
      {"drop-down list", 1, 35, "Red          ▼"},
      {"simple combo's field", 3, 35, "two           "},
      {"simple combo's list", 4, 35, "one"},
      {"simple combo's last item", 6, 35, "three"},
      {"trackbar at 50 of 0 to 100", 8, 35, "──────█───────"},
      {"group box", 10, 1, "┌ Group ──────┐"},
      {"group box's bottom", 12, 1, "└─────────────┘"},
      {"default push button", 11, 35, "    < OK >    "},
      {"push button", 13, 35, "  [ Cancel ]  "},
  };
  for (const Case& c : cases) {
    const int row = frame_top + 1 + c.row;
    ASSERT_LT(row, static_cast<int>(rows.size())) << c.control;
    const std::string shown = c.shown;
    int width = 0;
    for (const char ch : shown) width += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    EXPECT_EQ(shown, cells(rows[static_cast<size_t>(row)], frame_left + 1 + c.column, width))
        << c.control << " in\n"
        << screen;
  }
  // Attributes: the focused edit in reverse video with its text, all
  // selected, standing out of it; the disabled check box dim without its
  // accelerator; the others' accelerators underlined.
  const std::vector<std::string> drawn = pane.Rows(true);
  const int first_row = frame_top + 1;
  const auto row_with = [&](int row) { return drawn[static_cast<size_t>(first_row + row)]; };
  EXPECT_NE(std::string::npos, row_with(1).find("4mtyped\x1b[7m")) << row_with(1);
  EXPECT_NE(std::string::npos, row_with(1).find("4mL")) << row_with(1);
  EXPECT_NE(std::string::npos, row_with(5).find("4mC")) << row_with(5);
  EXPECT_NE(std::string::npos, row_with(8).find("2mOff")) << row_with(8);
  // The open list of the drop-down lies over the simple combo box below it,
  // whose last item shows again past it.
  pane.Click({frame_top + 2, frame_left + 1 + 36});
  ASSERT_TRUE(pane.Shows({"Green"}));
  const std::vector<std::string> dropped = pane.Rows();
  const std::string open_list[] = {"Red           ", "Green         ", "Blue          ",
                                   "              ", "three         "};
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(open_list[i],
              cells(dropped[static_cast<size_t>(frame_top + 3 + i)], frame_left + 1 + 35, 14))
        << "row " << i << " of the open list in\n"
        << pane.Screen();
  pane.Keys("Escape");
  EXPECT_TRUE(pane.Shows({"one"}, {"Green"})) << "Esc closes the list first";
  pane.Keys("Escape");
  EXPECT_EQ(1, pane.ExitStatus());
  EXPECT_EQ("cancel\n", ReadWholeFile(folder.path("out")));
}

// A terminal smaller than the dialog shows what fits of it, and the dialog
// is whole again once there is room.
TEST(TerminalFrontEnd, ATerminalTooSmallForTheDialogShowsPartOfItUntilThereIsRoom) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder folder;
  DemoPane pane(folder, "controls");
  pane.ScreenWith("[ Cancel ]");
  pane.Resize(30, 8);
  EXPECT_TRUE(pane.Shows({"┌─", "Left label"}, {"Cancel"}));
  pane.Resize(80, 24);
  EXPECT_TRUE(pane.Shows({"[ Cancel ]", "─┘"}));
  EXPECT_EQ((80 - 52) / 2, pane.Find("┌").second) << pane.Screen();
  pane.Keys("Enter");
  EXPECT_EQ(0, pane.ExitStatus());
  EXPECT_EQ("ok\n", ReadWholeFile(folder.path("out")));
}

// Every way out gives the terminal back: its line modes, and the emulator's
// own modes (normal screen, cursor shown, keypad and mouse reports off).
TEST(TerminalFrontEnd, EveryWayOutGivesTheTerminalBack) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  struct Case {
    const char* way;
    const char* argument;
    const char* keys;  // pressed in the dialog, or none
    int signal;        // sent to the demo, or 0
    int status;
  };
  const Case cases[] = {
      {"OK", "", "Enter", 0, 0},
      {"Escape", "", "Escape", 0, 1},
      {"exit() in a handler", "exit", "Enter", 0, 3},
      {"an exception nobody catches", "throw", "Enter", 0, 128 + SIGABRT},
      {"SIGINT", "", nullptr, SIGINT, 128 + SIGINT},
      {"SIGHUP", "", nullptr, SIGHUP, 128 + SIGHUP},
      {"SIGTERM", "", nullptr, SIGTERM, 128 + SIGTERM},
      {"SIGQUIT", "", nullptr, SIGQUIT, 128 + SIGQUIT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.way);
    const ScratchFolder folder;
    DemoPane pane(folder, c.argument);
    pane.ScreenWith("< OK >");
    const int pid = pane.Pid(folder);
    ASSERT_GT(pid, 0);
    if (c.keys != nullptr) pane.Keys(c.keys);
    if (c.signal != 0) {
      ASSERT_EQ(0, ::kill(pid, c.signal));
    }
    EXPECT_EQ(c.status, pane.ExitStatus());
    expect_terminal_given_back(pane.Modes());
    EXPECT_EQ("alternate 0 cursor 1 keypad 0 cursor keys 0 mouse 0000", pane.EmulatorModes());
    EXPECT_TRUE(pane.Shows({}, {"Demo"})) << "the normal screen is back";
  }
}

// A message box answers by keys, its buttons' accelerators and the mouse;
// Esc is Cancel, or when there is no Cancel does nothing.
TEST(TerminalFrontEnd, AMessageBoxAnswersByKeysAcceleratorsAndTheMouse) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  struct Case {
    const char* box;
    std::vector<const char*> keys;  // tmux's names; "click X" clicks where X shows
    const char* answer;
  };
  const Case cases[] = {
      {"ask", {"Enter"}, "yes"},
      {"ask", {"Right", "Enter"}, "no"},
      {"ask", {"Tab", "Tab", "Space"}, "cancel"},
      {"ask", {"Left", "Enter"}, "cancel"},
      {"ask", {"BTab", "BTab", "Enter"}, "no"},
      {"ask", {"Escape"}, "cancel"},
      {"ask", {"n"}, "no"},
      {"ask", {"M-y"}, "yes"},
      {"ask", {"click [ No ]"}, "no"},
      {"ask", {"click Cancel"}, "cancel"},
      {"ask-yes-no", {"Enter"}, "no"},
      {"ask-yes-no", {"Escape", "Escape", "n"}, "no"},
  };
  for (const Case& c : cases) {
    std::string keys;
    for (const char* k : c.keys) keys += std::string(" ") + k;
    SCOPED_TRACE(std::string(c.box) + ":" + keys);
    const ScratchFolder folder;
    DemoPane pane(folder, c.box);
    ASSERT_TRUE(pane.Shows({"Save the changes to the dictionary?", "[ Yes ]"}));
    EXPECT_EQ(std::string(c.box) == "ask", pane.Screen().find("(?) Save") != std::string::npos)
        << "the question's icon";
    for (const char* k : c.keys) {
      if (std::strncmp(k, "click ", 6) == 0) {
        const auto [row, column] = pane.Find(k + 6);
        ASSERT_GE(row, 0) << pane.Screen();
        pane.Click({row, column});
      } else {
        pane.Keys(k);
      }
    }
    EXPECT_EQ(0, pane.ExitStatus());
    EXPECT_EQ(std::string(c.answer) + "\n", ReadWholeFile(folder.path("out")));
  }
}

}  // namespace
