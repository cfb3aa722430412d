#include <gtest/gtest.h>
#include <kelm/kelm.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "exit_status.h"
#include "testing/cli_runner.h"
#include "testing/shell_command.h"

namespace {

using namespace kelm_cli;

// One run of `kelm table` in a pane of its own tmux server, 60 by 12 cells;
// its exit status lands in a file of the folder.
class TablePane {
 public:
  TablePane(const ScratchFolder& home, const std::string& args)
      : m_home(home), m_tmux("tmux -f /dev/null -S '" + home.path("tmux.socket") + "' ") {
    const std::string command = "env HOME=" + home.path("") + " TERM=xterm-256color LANG=C.UTF-8 " +
                                KELM_COMMAND + " " + args + " 2> " + home.path("err") +
                                "; echo \\$? > " + home.path("rc.tmp") + "; mv " +
                                home.path("rc.tmp") + " " + home.path("rc") + "; cat";
    ShellOutput(m_tmux + "new-session -d -s kelm -x 60 -y 12 \"" + command + "\" 2>&1");
  }
  TablePane(const TablePane&) = delete;
  TablePane& operator=(const TablePane&) = delete;
  ~TablePane() { ShellOutput(m_tmux + "kill-server 2>/dev/null"); }

  void Keys(const std::string& keys) { ShellOutput(m_tmux + "send-keys -t kelm " + keys); }
  void Text(const std::string& text) {
    ShellOutput(m_tmux + "send-keys -t kelm -l -- '" + text + "'");
  }
  // The wheel turned one notch towards the person, as an xterm reports it
  // (SGR), over a 0-based row and column.
  void WheelDown(int row, int column) {
    Text("\x1b[<65;" + std::to_string(column + 1) + ";" + std::to_string(row + 1) + "M");
  }
  std::string Screen() { return ShellOutput(m_tmux + "capture-pane -p -t kelm"); }
  // The row that shows the record of an id first (ids start each row), or -1.
  int RowOf(LONG id) {
    std::istringstream rows(Screen());
    int index = 0;
    for (std::string row; std::getline(rows, row); ++index)
      if (row.find("\u2502" + std::to_string(id) + " ") == 0) return index;
    return -1;
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
  // The screen once it no longer shows gone, or what it shows after a few
  // seconds.
  std::string ScreenWithout(const std::string& gone) {
    std::string screen = Screen();
    for (int tries = 0; tries < 250 && screen.find(gone) != std::string::npos; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      screen = Screen();
    }
    return screen;
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
  std::string Err() { return ReadWholeFile(m_home.path("err")); }

 private:
  const ScratchFolder& m_home;
  std::string m_tmux;
};

// The ids the sample table still holds from first to last.
std::vector<LONG> remaining_ids(const std::string& path, LONG first, LONG last) {
  CDaoDatabase db;
  db.Open(path.c_str());
  CDaoRecordset rs(&db);
  rs.Open(dbOpenDynaset, "entries");
  std::vector<LONG> ids;
  for (; !rs.IsEOF(); rs.MoveNext()) {
    const LONG id = rs.GetFieldValue("id").lVal;
    if (id >= first && id <= last) ids.push_back(id);
  }
  return ids;
}

// A 12-row pane holds 9 records between the view's edges and the status
// line below them. The keys and the wheel reach the view.
TEST(KelmTable, BrowsesPagesAndDeletesTheHighlightedEntryOnlyWhenConfirmed) {
  if (std::system("command -v tmux >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  const std::string path = home.path("sample.sqlite");
  ASSERT_EQ(exit_ok, run_kelm({"table", "--make-sample", path, "200"}, home).status);
  {
    TablePane pane(home, "table " + path + " entries --columns id,outline");
    std::string screen = pane.ScreenWith("200 entries");
    EXPECT_NE(std::string::npos, screen.find("1 ")) << screen;
    EXPECT_NE(std::string::npos, screen.find("9 ")) << screen;
    EXPECT_EQ(std::string::npos, screen.find("10 ")) << screen;

    // The page's last row becomes the top one.
    pane.Keys("NPage");
    screen = pane.ScreenWith("17 ");
    EXPECT_NE(std::string::npos, screen.find("17 ")) << screen;
    EXPECT_EQ(std::string::npos, screen.find("8 ")) << screen;

    // Down to id 10; No keeps it, Yes deletes it.
    pane.Keys("Down");
    pane.Keys("DC");
    screen = pane.ScreenWith("Are you Sure?");
    ASSERT_NE(std::string::npos, screen.find("Are you Sure?")) << screen;
    pane.Keys("n");
    screen = pane.ScreenWithout("Are you Sure?");
    EXPECT_EQ(std::string::npos, screen.find("Are you Sure?")) << screen;
    EXPECT_NE(std::string::npos, screen.find("200 entries")) << screen;
    pane.Keys("DC");
    pane.ScreenWith("Are you Sure?");
    pane.Keys("y");
    screen = pane.ScreenWith("199 entries");
    EXPECT_NE(std::string::npos, screen.find("199 entries")) << screen;
    EXPECT_EQ(std::string::npos, screen.find("10 ")) << screen;

    // One notch of the wheel scrolls three rows, keeping the highlight on
    // the page's second row, id 14, which Ctrl+Delete deletes without asking.
    pane.WheelDown(3, 5);
    screen = pane.ScreenWith("21 ");
    EXPECT_EQ(1, pane.RowOf(13)) << screen;
    EXPECT_EQ(2, pane.RowOf(14)) << screen;
    pane.Keys("C-Delete");
    screen = pane.ScreenWith("198 entries");
    EXPECT_NE(std::string::npos, screen.find("198 entries")) << screen;
    EXPECT_EQ(-1, pane.RowOf(14)) << screen;

    pane.Keys("q");
    EXPECT_EQ(exit_ok, pane.ExitStatus()) << pane.Err();
  }
  const std::vector<LONG> expected = {8, 9, 11, 12, 13, 15, 16};
  EXPECT_EQ(expected, remaining_ids(path, 8, 16));
}

TEST(KelmTable, BrowsingRefusesMissingThingsAndAMissingTerminal) {
  const ScratchFolder home;
  const std::string path = home.path("sample.sqlite");
  ASSERT_EQ(exit_ok, run_kelm({"table", "--make-sample", path, "5"}, home).status);
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"table", home.path("none.sqlite"), "entries"}, exit_bad_input, "no database"},
      {{"table", path, "none"}, exit_bad_input, "no such table"},
      {{"table", path, "entries", "--columns", "id,none"}, exit_bad_input, "no column \"none\""},
      {{"table"}, exit_usage, "give DATABASE TABLE"},
  };
  for (const Case& c : cases)
    expect_outcome(run_kelm(c.args, home), c.status, "", c.err, joined(c.args));

  // Without a controlling terminal there is nowhere to show the table.
  const std::string command = "setsid -w " + std::string(KELM_COMMAND) + " table " + path +
                              " entries < /dev/null > /dev/null 2> " + home.path("err");
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << command;
  EXPECT_EQ(exit_usage, WEXITSTATUS(status)) << command;
  EXPECT_NE(std::string::npos, ReadWholeFile(home.path("err")).find("no terminal")) << command;
}

TEST(KelmTable, MakeSampleWritesATableOnceAndRefusesBadCounts) {
  const ScratchFolder home;
  const std::string path = home.path("sample.sqlite");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out, err;
  };
  const std::vector<Case> cases = {
      {{"table", "--make-sample", path, "2500"},
       exit_ok,
       path + ": table entries, 2500 entries\n",
       ""},
      {{"table", "--make-sample", path, "10"}, exit_bad_input, "", "already exists"},
      {{"table", "--make-sample", path, "10", "--table", "small"},
       exit_ok,
       path + ": table small, 10 entries\n",
       ""},
      {{"table", "--make-sample", path, "-1"}, exit_usage, "", "ROWS must be a number"},
      {{"table", "--make-sample", path, "many"}, exit_usage, "", "ROWS must be a number"},
      {{"table", "--make-sample", path, "10x"}, exit_usage, "", "ROWS must be a number"},
      {{"table", "--make-sample", home.path("not.txt"), "5"}, exit_bad_input, "", "not a database"},
  };
  WriteWholeFile(home.path("not.txt"), std::string(2048, 'x'));
  for (const Case& c : cases)
    expect_outcome(run_kelm(c.args, home), c.status, c.out, c.err, joined(c.args));

  CDaoDatabase db;
  db.Open(path.c_str());
  CEntryCountRecordset rs(&db);
  rs.Open(dbOpenDynaset, "entries");
  rs.CountEntries();
  EXPECT_EQ(2500, rs.GetEntryCount());
}

// A dictionary goes to a table and back by the files' extensions, and comes
// back the same.
TEST(KelmTable, DictConvertGoesThroughSqliteAndBack) {
  const ScratchFolder home;
  WriteWholeFile(home.path("in.rtf"),
                 "{\\rtf1\\ansi{\\*\\cxrev100}\\cxdict{\\*\\cxsystem x}\n"
                 "{\\*\\cxs KAT}cat{\\*\\cxs -G}{\\cxds ing}{\\*\\cxs KAF}caf\\'e9}");
  const std::string table = home.path("dict.sqlite");
  const std::vector<std::vector<std::string>> runs = {
      {"dict", "convert", home.path("in.rtf"), home.path("once.rtf")},
      {"dict", "convert", home.path("in.rtf"), table},
      {"dict", "convert", table, home.path("back.rtf")},
  };
  for (const std::vector<std::string>& args : runs)
    expect_outcome(run_kelm(args, home), exit_ok, "", "", joined(args));
  CStenoDictionary once, back;
  ASSERT_EQ(0, once.Read(home.path("once.rtf").c_str()));
  ASSERT_EQ(0, back.Read(home.path("back.rtf").c_str()));
  ASSERT_EQ(3u, back.GetCount());
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(once.GetTranslation(i).text, back.GetTranslation(i).text) << i;
    EXPECT_EQ(once.GetOutline(i).GetStrDisplay(0), back.GetOutline(i).GetStrDisplay(0)) << i;
  }
  const std::vector<std::string> missing = {"dict", "convert", home.path("none.sqlite"),
                                            home.path("x.rtf")};
  expect_outcome(run_kelm(missing, home), exit_bad_input, "", "Could not find file",
                 joined(missing));
}

}  // namespace
