// Runs `kelm charmap` and `kelm autocomplete edit` as a person would, in a
// tmux pane: what the dialog draws, what the command prints and how it
// exits, and what is written to the profile file. Without a terminal both
// refuse. The dialogs' own behaviour is the library's tests' business.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "testing/scratch_folder.h"
#include "testing/shell_command.h"

namespace {

// The environment of every run: the home, hive and drive folders in the
// test's folder, never the user's.
std::string environment(const ScratchFolder& home) {
  return "env HOME=" + home.path("") + " XDG_CONFIG_HOME=" + home.path("config") +
         " XDG_DATA_HOME=" + home.path("data") + " ";
}

// One run of kelm in a pane of its own tmux server, 100 by 40 cells; its
// standard output, error and exit status land in files of the folder. Each
// pane has a socket of its own: a server just killed may still hold the last
// one while the next starts.
class KelmPane {
 public:
  KelmPane(const ScratchFolder& home, const std::string& args)
      : m_home(home),
        m_tmux("tmux -f /dev/null -S '" +
               home.path("tmux-" + std::to_string(next_socket++) + ".socket") + "' ") {
    std::remove(home.path("rc").c_str());
    const std::string command = environment(home) + "TERM=xterm-256color LANG=C.UTF-8 " +
                                KELM_COMMAND + " " + args + " > " + home.path("out") + " 2> " +
                                home.path("err") + "; echo \\$? > " + home.path("rc.tmp") +
                                "; mv " + home.path("rc.tmp") + " " + home.path("rc") + "; cat";
    ShellOutput(m_tmux + "new-session -d -s kelm -x 100 -y 40 \"" + command + "\" 2>&1");
  }
  KelmPane(const KelmPane&) = delete;
  KelmPane& operator=(const KelmPane&) = delete;
  ~KelmPane() { ShellOutput(m_tmux + "kill-server 2>/dev/null"); }

  void Keys(const std::string& keys) { ShellOutput(m_tmux + "send-keys -t kelm " + keys); }
  void Text(const std::string& text) {
    ShellOutput(m_tmux + "send-keys -t kelm -l -- '" + text + "'");
  }
  // A left click as an xterm reports it (SGR), at a 0-based cell.
  void Click(std::pair<int, int> cell) {
    const std::string at = std::to_string(cell.second + 1) + ";" + std::to_string(cell.first + 1);
    Text("\x1b[<0;" + at + "M");
    Text("\x1b[<0;" + at + "m");
  }

  // The wheel turned one notch towards the person, over a cell.
  void Wheel(std::pair<int, int> cell) {
    Text("\x1b[<65;" + std::to_string(cell.second + 1) + ";" + std::to_string(cell.first + 1) +
         "M");
  }

  std::vector<std::string> Rows(bool attributes = false) {
    std::istringstream in(
        ShellOutput(m_tmux + "capture-pane -p " + (attributes ? "-e " : "") + "-t kelm"));
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
    std::string screen = Screen();
    for (int tries = 0; tries < 250 && screen.find(want) == std::string::npos; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      screen = Screen();
    }
    return screen;
  }
  // The screen once it has stopped changing: a loaded machine may still be
  // drawing what the last keys did.
  std::string SettledScreen() {
    std::string before = Screen();
    for (int tries = 0; tries < 50; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      std::string now = Screen();
      if (now == before) break;
      before = std::move(now);
    }
    return before;
  }
  // Where text first shows: row and column in cells, or -1, -1.
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
  // The exit status once kelm ended, or -1.
  int ExitStatus() {
    for (int tries = 0; tries < 250; ++tries) {
      const std::string rc = ReadWholeFile(m_home.path("rc"));
      if (!rc.empty()) return std::atoi(rc.c_str());
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }
  std::string Out() { return ReadWholeFile(m_home.path("out")); }
  std::string Err() { return ReadWholeFile(m_home.path("err")); }

 private:
  static inline int next_socket = 0;
  const ScratchFolder& m_home;
  std::string m_tmux;
};

TEST(KelmCharmap, PicksACharacterWithTheMouseAndOpensOnItNextTime) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  {
    KelmPane pane(home, "charmap");
    const std::string screen = pane.ScreenWith("Cancel");
    for (const char* drawn : {"Insert Special Character", "Special Characters", "OK", "Cancel"})
      EXPECT_NE(std::string::npos, screen.find(drawn)) << drawn << "\n" << screen;
    // é is below the rows the list shows: the wheel brings it into view.
    const std::pair<int, int> list = pane.Find("¡");
    ASSERT_GE(list.first, 0) << screen;
    for (int notches = 0; notches < 20 && pane.Find("é").first < 0; ++notches) {
      pane.Wheel(list);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    pane.SettledScreen();
    const std::pair<int, int> e_acute = pane.Find("é");
    ASSERT_GE(e_acute.first, 0) << pane.Screen();
    pane.Click(e_acute);
    pane.SettledScreen();
    pane.Keys("Enter");
    ASSERT_EQ(0, pane.ExitStatus()) << pane.Err();
    EXPECT_EQ("é\n", pane.Out()) << "the character, as UTF-8";
    EXPECT_EQ("", pane.Err());
    EXPECT_EQ(std::string::npos, pane.Screen().find("Insert Special")) << "the dialog is gone";
  }
  {
    KelmPane pane(home, "charmap");
    pane.ScreenWith("Cancel");
    pane.Keys("Enter");
    ASSERT_EQ(0, pane.ExitStatus()) << pane.Err();
    EXPECT_EQ("é\n", pane.Out()) << "the dialog opens on the character chosen last";
  }
  KelmPane pane(home, "charmap");
  pane.ScreenWith("Cancel");
  pane.Keys("Down");
  pane.Keys("Escape");
  EXPECT_EQ(1, pane.ExitStatus());
  EXPECT_EQ("", pane.Out());
}

TEST(KelmAutocompleteEdit, EditsTheSectionWithKeysAndMouseAndSavesOnOk) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  const std::string ini = home.path("words.ini");
  std::ofstream(ini) << "[Other]\nkeep=1\n[AC]\n0=alpha\n1=bravo\nCount=2\nAuto Complete=0\n"
                        "Load History=0\nNum Chars=3\n";
  KelmPane pane(home, "autocomplete edit " + ini + " AC");
  const std::string screen = pane.ScreenWith("bravo");
  for (const char* drawn : {"Auto Complete Options", "[ ] Load history", "[ ] Enable auto complete",
                            "alpha", "bravo", "characters"})
    EXPECT_NE(std::string::npos, screen.find(drawn)) << drawn << "\n" << screen;
  pane.Keys("M-e");
  EXPECT_NE(std::string::npos, pane.ScreenWith("[x] Enable").find("[x] Enable auto complete"));
  pane.Keys("Tab");
  pane.Text("5");
  pane.Keys("Tab");
  pane.Text("charlie");
  pane.Keys("M-a");
  pane.ScreenWith("charlie");
  pane.Click(pane.Find("bravo"));
  pane.Keys("M-d");
  for (int tries = 0; tries < 250 && pane.Find("bravo").first >= 0; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  pane.Keys("Enter");
  ASSERT_EQ(0, pane.ExitStatus()) << pane.Err();
  EXPECT_EQ("", pane.Out());
  const std::string saved = ReadWholeFile(ini);
  for (const char* line : {"[Other]\nkeep=1\n", "0=charlie\n", "1=alpha\n", "Count=2\n",
                           "Auto Complete=1\n", "Load History=0\n", "Num Chars=5\n"})
    EXPECT_NE(std::string::npos, saved.find(line)) << line << " in\n" << saved;
}

TEST(KelmAutocompleteEdit, CancelLeavesTheFileAsItWas) {
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  const std::string ini = home.path("words.ini");
  const std::string before = "[AC]\n0=alpha\nCount=1\n";
  std::ofstream(ini) << before;
  KelmPane pane(home, "autocomplete edit " + ini + " AC");
  ASSERT_NE(std::string::npos, pane.ScreenWith("alpha").find("Auto Complete Options"));
  pane.Keys("M-e");
  pane.ScreenWith("[x] Enable");
  pane.Keys("Escape");
  EXPECT_EQ(1, pane.ExitStatus());
  EXPECT_EQ(before, ReadWholeFile(ini));
}

TEST(KelmCharmap, WithoutATerminalEachCommandSaysSoAndExits2) {
  const ScratchFolder home;
  const std::string ini = home.path("words.ini");
  for (const std::string& args : {std::string("charmap"), "autocomplete edit " + ini + " AC"}) {
    const std::string command = "setsid -w " + environment(home) + KELM_COMMAND + " " + args +
                                " < /dev/null > " + home.path("out") + " 2> " + home.path("err");
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << args;
    EXPECT_EQ(2, WEXITSTATUS(status)) << args;
    EXPECT_NE(std::string::npos, ReadWholeFile(home.path("err")).find("no terminal"))
        << args << "\n"
        << ReadWholeFile(home.path("err"));
    EXPECT_EQ("", ReadWholeFile(home.path("out"))) << args;
  }
  EXPECT_FALSE(std::ifstream(ini).good()) << "no file is written";
}

}  // namespace
