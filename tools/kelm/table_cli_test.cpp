#include <gtest/gtest.h>
#include <kelm/kelm.h>

#include <string>
#include <vector>

#include "exit_status.h"
#include "testing/cli_runner.h"

namespace {

using namespace kelm_cli;

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
