#include "tableview/sample_table.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "platform/dao/dao_recordset.h"
#include "testing/scratch_folder.h"

namespace {

TEST(SampleTableTest, EntriesHaveDistinctOutlinesInPlainNotation) {
  ScratchFolder folder;
  CDaoDatabase db;
  db.Create(folder.path("sample.db").c_str());
  std::vector<LONG> heard;
  // Past 1890 entries the outlines take a second stroke.
  KelmMakeSampleTable(db, "entries", 51000, [&heard](LONG written) { heard.push_back(written); });
  EXPECT_EQ((std::vector<LONG>{50000, 51000}), heard);

  CDaoRecordset rs(&db);
  rs.Open(dbOpenDynaset, "entries");
  // Longest first: the first alternative that fits is taken.
  const std::regex stroke(
      "(SKWR|STR|KWR|TPH|TK|PW|HR|S|T|K|P|W|H|R)(AOE|AO|AU|A|OU|O|EU|E|U)"
      "(FT|PL|RB|GS|F|R|P|B|L|G|T|S|D|Z)?");
  const std::regex outline("STROKE(/STROKE){0,2}");
  std::set<std::string> outlines;
  LONG id = 0;
  for (; !rs.IsEOF(); rs.MoveNext()) {
    ++id;
    const std::string text(rs.GetFieldValue("outline").GetText().View());
    // Regular expressions are slow under the sanitizers: every 50th row.
    if (id % 50 == 0) {
      const std::string shape = std::regex_replace(text, stroke, "STROKE");
      EXPECT_TRUE(std::regex_match(shape, outline)) << text << " as " << shape;
    }
    EXPECT_FALSE(rs.GetFieldValue("translation").GetText().IsEmpty()) << text;
    EXPECT_EQ(id, rs.GetFieldValue("id").lVal);
    outlines.insert(text);
  }
  EXPECT_EQ(51000u, outlines.size());
}

TEST(SampleTableTest, AnExistingTableIsLeftAsItWas) {
  ScratchFolder folder;
  CDaoDatabase db;
  db.Create(folder.path("sample.db").c_str());
  db.Execute(
      "CREATE TABLE entries(id INTEGER PRIMARY KEY, outline TEXT);"
      "INSERT INTO entries VALUES (1, 'KAT')");
  EXPECT_THROW(KelmMakeSampleTable(db, "entries", 10), CDaoException);
  CDaoRecordset rs(&db);
  rs.Open(dbOpenDynaset, "entries");
  rs.MoveLast();
  EXPECT_EQ(1, rs.GetRecordCount());
  EXPECT_EQ(CString("KAT"), rs.GetFieldValue("outline").GetText());
  db.Execute("BEGIN; COMMIT");
}

}  // namespace
