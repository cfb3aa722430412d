// The terminal front end as a person meets it, in a tmux pane: the demo
// dialog drawn centred in its frame, keys, the mouse, a message box, a
// resize, and the terminal given back on every way out.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/scratch_folder.h"
#include "testing/shell_command.h"

namespace {

// The demo in a pane of its own tmux server; its result, exit status and
// what the terminal's modes are afterwards land in files of the folder.
class DemoPane {
 public:
  DemoPane(const ScratchFolder& folder, int width, int height)
      : m_folder(folder), m_tmux("tmux -f /dev/null -S '" + folder.path("tmux.socket") + "' ") {
    const std::string command =
        "env TERM=xterm-256color LANG=C.UTF-8 DEMO_PID_FILE=" + folder.path("pid") + " " +
        TERMINAL_DEMO + " > " + folder.path("out") + " 2> " + folder.path("err") +
        "; echo \\$? > " + folder.path("rc.tmp") + "; stty -a > " + folder.path("stty") + "; mv " +
        folder.path("rc.tmp") + " " + folder.path("rc") + "; cat";
    ShellOutput(m_tmux + "new-session -d -s demo -x " + std::to_string(width) + " -y " +
                std::to_string(height) + " \"" + command + "\" 2>&1");
  }
  DemoPane(const DemoPane&) = delete;
  DemoPane& operator=(const DemoPane&) = delete;
  ~DemoPane() { ShellOutput(m_tmux + "kill-server 2>/dev/null"); }

  void Keys(const std::string& keys) { ShellOutput(m_tmux + "send-keys -t demo " + keys); }
  void Text(const std::string& text) {
    ShellOutput(m_tmux + "send-keys -t demo -l -- '" + text + "'");
  }
  // An xterm mouse report (SGR) as the terminal sends it: button, 0-based cell.
  void Mouse(int button, int row, int column, bool release = false) {
    Text("\x1b[<" + std::to_string(button) + ";" + std::to_string(column + 1) + ";" +
         std::to_string(row + 1) + (release ? "m" : "M"));
  }
  void Click(int row, int column) {
    Mouse(0, row, column);
    Mouse(0, row, column, true);
  }
  void Resize(int width, int height) {
    ShellOutput(m_tmux + "resize-window -t demo -x " + std::to_string(width) + " -y " +
                std::to_string(height));
  }

  std::vector<std::string> Rows(bool attributes = false) {
    std::istringstream in(
        ShellOutput(m_tmux + "capture-pane -p " + (attributes ? "-e " : "") + "-t demo"));
    std::vector<std::string> rows;
    for (std::string row; std::getline(in, row);) rows.push_back(row);
    return rows;
  }
  std::string Screen() {
    std::string all;
    for (const std::string& row : Rows()) all += row + "\n";
    return all;
  }
  // The screen once it shows want, or what it shows after a few seconds.
  std::string ScreenWith(const std::string& want) {
    std::string screen;
    for (int tries = 0; tries < 250 && screen.find(want) == std::string::npos; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      screen = Screen();
    }
    return screen;
  }
  // The rows with their attributes once they show want.
  std::string AttributesWith(const std::string& want) {
    std::string screen;
    for (int tries = 0; tries < 250 && screen.find(want) == std::string::npos; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      screen.clear();
      for (const std::string& row : Rows(true)) screen += row + "\n";
    }
    return screen;
  }
  std::string ScreenWithout(const std::string& gone) {
    std::string screen = Screen();
    for (int tries = 0; tries < 250 && screen.find(gone) != std::string::npos; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      screen = Screen();
    }
    return screen;
  }
  // Where text first shows: row and column in cells (UTF-8 counted once a
  // character), or -1, -1.
  std::pair<int, int> Find(const std::string& text) {
    const std::vector<std::string> rows = Rows();
    for (size_t r = 0; r < rows.size(); ++r) {
      const size_t at = rows[r].find(text);
      if (at == std::string::npos) continue;
      int column = 0;
      for (size_t i = 0; i < at; ++i)
        if ((static_cast<unsigned char>(rows[r][i]) & 0xC0) != 0x80) ++column;
      return {static_cast<int>(r), column};
    }
    return {-1, -1};
  }
  // The demo's exit status once it ended, or -1.
  int ExitStatus() {
    for (int tries = 0; tries < 250; ++tries) {
      const std::string rc = ReadWholeFile(m_folder.path("rc"));
      if (!rc.empty()) return std::atoi(rc.c_str());
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }
  int Pid() {
    for (int tries = 0; tries < 250; ++tries) {
      const std::string pid = ReadWholeFile(m_folder.path("pid"));
      if (!pid.empty()) return std::atoi(pid.c_str());
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

 private:
  const ScratchFolder& m_folder;
  std::string m_tmux;
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
  DemoPane pane(folder, 100, 36);
  const std::string screen = pane.ScreenWith("< OK >");
  // Centred: as many columns left of the frame as right of it.
  const auto [top, left] = pane.Find("┌");
  ASSERT_GE(top, 0) << screen;
  const std::string top_row = pane.Rows()[static_cast<size_t>(top)];
  EXPECT_NE(std::string::npos, top_row.find("─ Demo ─")) << top_row;
  const int frame_width = 62;
  EXPECT_EQ((100 - frame_width) / 2, left) << screen;
  EXPECT_EQ((36 - 21) / 2, top) << screen;
  for (const char* shown : {"[ ] Bold words", "< OK >", "[ Cancel ]", "élan", "Red", "▼", "Depth"})
    EXPECT_NE(std::string::npos, screen.find(shown)) << shown << "\n" << screen;
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
  EXPECT_NE(std::string::npos,
            pane.ScreenWith("(!) Please enter").find("Please enter an integer between 0 and 10."));
  pane.Keys("Enter");
  EXPECT_EQ(std::string::npos, pane.ScreenWithout("Please enter").find("Please enter"));
  pane.Text("7");
  const auto [date_row, date_column] = pane.Find("date ");
  ASSERT_GE(date_row, 0);
  pane.Click(date_row, date_column + 1);
  const std::string after_click = pane.AttributesWith("7mdate");
  EXPECT_NE(std::string::npos, after_click.find("7mdate"))
      << "the clicked item is chosen and focused";
  EXPECT_NE(std::string::npos, pane.Screen().find("[x] Bold words"));
  // The wheel turned towards the person scrolls the list three rows down.
  pane.Mouse(65, date_row, date_column + 1);
  const std::string scrolled = pane.ScreenWithout("apple");
  EXPECT_EQ(std::string::npos, scrolled.find("apple")) << scrolled;
  pane.Keys("Enter");
  ASSERT_EQ(0, pane.ExitStatus());
  EXPECT_EQ("name=Zoé count=7 bold=1 item=date color=0 depth=40\n",
            ReadWholeFile(folder.path("out")));
  expect_terminal_given_back(ReadWholeFile(folder.path("stty")));
  EXPECT_EQ(std::string::npos, pane.Screen().find("Demo")) << "the dialog leaves the screen";
}

TEST(TerminalFrontEnd, ResizeRedrawsTheDialogCentred) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder folder;
  DemoPane pane(folder, 100, 36);
  pane.ScreenWith("< OK >");
  EXPECT_EQ(19, pane.Find("┌").second);
  pane.Resize(120, 40);
  int left = -1;
  for (int tries = 0; tries < 250 && left != 29; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    left = pane.Find("┌").second;
  }
  EXPECT_EQ(29, left) << pane.Screen();
  pane.Keys("Escape");
  EXPECT_EQ(1, pane.ExitStatus());
  EXPECT_EQ("cancel\n", ReadWholeFile(folder.path("out")));
}

TEST(TerminalFrontEnd, TerminalIsGivenBackWhenASignalEndsTheProgram) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder folder;
  DemoPane pane(folder, 100, 36);
  pane.ScreenWith("< OK >");
  const int pid = pane.Pid();
  ASSERT_GT(pid, 0);
  ASSERT_EQ(0, ::kill(pid, SIGTERM));
  EXPECT_EQ(128 + SIGTERM, pane.ExitStatus());
  expect_terminal_given_back(ReadWholeFile(folder.path("stty")));
  EXPECT_EQ(std::string::npos, pane.Screen().find("Demo")) << "the normal screen is back";
}

TEST(TerminalFrontEnd, WithoutATerminalTheProgramSaysSoAndExits2) {
  const ScratchFolder folder;
  const std::string command = std::string("setsid -w ") + TERMINAL_DEMO + " < /dev/null > " +
                              folder.path("out") + " 2> " + folder.path("err");
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(2, WEXITSTATUS(status));
  EXPECT_NE(std::string::npos, ReadWholeFile(folder.path("err")).find("no terminal"));
  EXPECT_TRUE(ReadWholeFile(folder.path("out")).empty());
}

}  // namespace
