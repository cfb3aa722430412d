#include <gtest/gtest.h>
#include <kelm/kelm.h>

#include <string>
#include <vector>

#include "exit_status.h"
#include "testing/cli_runner.h"
#include "testing/tmux_pane.h"

namespace {

using namespace kelm_cli;

// The row of the pane that shows the record of an id first (ids start each
// row), or -1.
int row_of(TmuxPane& pane, LONG id) {
  const std::vector<std::string> rows = pane.Rows();
  for (size_t row = 0; row < rows.size(); ++row)
    if (rows[row].starts_with("\u2502" + std::to_string(id) + " ")) return static_cast<int>(row);
  return -1;
}

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
  if (!HaveTmux()) GTEST_SKIP() << "tmux is not installed (scripts/bootstrap installs it)";
  const ScratchFolder home;
  const std::string path = home.path("sample.sqlite");
  ASSERT_EQ(exit_ok, run_kelm({"table", "--make-sample", path, "200"}, home).status);
  {
    TmuxPane pane(
        home, 60, 12,
        kelm_shell_command("table " + path + " entries --columns id,outline", home) + " 2> err");
    const struct {
      const char* keys;  // tmux key names
      std::vector<std::string> shown, gone;
    } steps[] = {
        {"", {"200 entries", "1 ", "9 "}, {"10 "}},
        // The page's last row becomes the top one.
        {"NPage", {"17 "}, {"8 "}},
        // Down to id 10; No keeps it, Yes deletes it.
        {"Down DC", {"Are you Sure?"}, {}},
        {"n", {"200 entries"}, {"Are you Sure?"}},
        {"DC", {"Are you Sure?"}, {}},
        {"y", {"199 entries"}, {"10 ", "Are you Sure?"}},
    };
    for (const auto& step : steps) {
      if (*step.keys) pane.Keys(step.keys);
      ASSERT_TRUE(pane.Shows(step.shown, step.gone)) << "after " << step.keys;
    }

    // One notch of the wheel scrolls three rows, keeping the highlight on
    // the page's second row, id 14, which Ctrl+Delete deletes without asking.
    pane.Mouse(65, {3, 5});
    const std::string screen = pane.ScreenWith("21 ");
    EXPECT_EQ(1, row_of(pane, 13)) << screen;
    EXPECT_EQ(2, row_of(pane, 14)) << screen;
    pane.Keys("C-Delete");
    EXPECT_TRUE(pane.Shows({"198 entries"}));
    EXPECT_EQ(-1, row_of(pane, 14)) << pane.Screen();

    pane.Keys("q");
    EXPECT_EQ(exit_ok, pane.ExitStatus()) << ReadWholeFile(home.path("err"));
  }
  const std::vector<LONG> expected = {8, 9, 11, 12, 13, 15, 16};
  EXPECT_EQ(expected, remaining_ids(path, 8, 16));
}

TEST(KelmTable, BrowsingRefusesMissingThingsAndAMissingTerminal) {
  const ScratchFolder home;
  const std::string path = home.path("sample.sqlite");
  ASSERT_EQ(exit_ok, run_kelm({"table", "--make-sample", path, "5"}, home).status);
  expect_runs(
      {"table"},
      {
          {{home.path("none.sqlite"), "entries"}, exit_bad_input, "", "no database"},
          {{path, "none"}, exit_bad_input, "", "no such table"},
          {{path, "entries", "--columns", "id,none"}, exit_bad_input, "", "no column \"none\""},
          {{}, exit_usage, "", "give DATABASE TABLE"},
          {{path, "entries"}, exit_usage, "", "no terminal"},
      },
      home);
}

TEST(KelmTable, MakeSampleWritesATableOnceAndRefusesBadCounts) {
  const ScratchFolder home;
  const std::string path = home.path("sample.sqlite");
  WriteWholeFile(home.path("not.txt"), std::string(2048, 'x'));
  expect_runs(
      {"table", "--make-sample"},
      {
          {{path, "2500"}, exit_ok, path + ": table entries, 2500 entries\n", ""},
          {{path, "10"}, exit_bad_input, "", "already exists"},
          {{path, "10", "--table", "small"}, exit_ok, path + ": table small, 10 entries\n", ""},
          {{path, "-1"}, exit_usage, "", "ROWS must be a number"},
          {{path, "many"}, exit_usage, "", "ROWS must be a number"},
          {{path, "10x"}, exit_usage, "", "ROWS must be a number"},
          {{home.path("not.txt"), "5"}, exit_bad_input, "", "not a database"},
      },
      home);

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
  expect_runs({"dict", "convert"},
              {
                  {{home.path("in.rtf"), home.path("once.rtf")}, exit_ok, "", ""},
                  {{home.path("in.rtf"), table}, exit_ok, "", ""},
                  {{table, home.path("back.rtf")}, exit_ok, "", ""},
                  {{home.path("none.sqlite"), home.path("x.rtf")},
                   exit_bad_input,
                   "",
                   "Could not find file"},
              },
              home);
  CStenoDictionary once, back;
  ASSERT_EQ(0, once.Read(home.path("once.rtf").c_str()));
  ASSERT_EQ(0, back.Read(home.path("back.rtf").c_str()));
  ASSERT_EQ(3u, back.GetCount());
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(once.GetTranslation(i).text, back.GetTranslation(i).text) << i;
    EXPECT_EQ(once.GetOutline(i).GetStrDisplay(0), back.GetOutline(i).GetStrDisplay(0)) << i;
  }
}

}  // namespace
