#include "tableview/entry_count_recordset.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "testing/scratch_folder.h"

namespace {

class EntryCountTest : public ::testing::Test {
 protected:
  // A table of `count` entries with ids 1 to count.
  void Open(int count) {
    m_db.Create(m_folder.path("entries.db").c_str());
    m_db.Execute(
        "CREATE TABLE entries(id INTEGER PRIMARY KEY, outline TEXT);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100)"
        " INSERT INTO entries SELECT i, 'O' || i FROM n WHERE i <= " +
        CString(std::to_string(count).c_str()));
    m_rs.Open(dbOpenDynaset, "entries");
  }

  LONG current_id() { return m_rs.GetFieldValue("id").lVal; }

  ScratchFolder m_folder;
  CDaoDatabase m_db;
  CEntryCountRecordset m_rs{&m_db};
};

TEST_F(EntryCountTest, CountingWalksTheSetOnceAndLeavesItPastTheEnd) {
  Open(5);
  m_rs.MoveNext();
  m_rs.CountEntries();
  EXPECT_EQ(5, m_rs.GetEntryCount());
  EXPECT_EQ(1, m_rs.counted);
  EXPECT_TRUE(m_rs.IsEOF());
  EXPECT_EQ(0, m_rs.position) << "the count does not reset the position";
  EXPECT_EQ(5, m_rs.GetRecordCount());
  m_db.Execute("INSERT INTO entries VALUES (6, 'O6')");
  m_rs.CountEntries();
  EXPECT_EQ(5, m_rs.GetEntryCount()) << "a second count does nothing";
}

TEST_F(EntryCountTest, PositionFollowsTheMoves) {
  Open(5);
  m_rs.CountEntries();
  struct Case {
    const char* move;
    std::function<void(CEntryCountRecordset&)> call;
    int position;
  };
  const std::vector<Case> cases = {
      {"MoveLast", [](CEntryCountRecordset& rs) { rs.MoveLast(); }, 4},
      {"MoveNext past the last", [](CEntryCountRecordset& rs) { rs.MoveNext(); }, 4},
      {"MoveFirst", [](CEntryCountRecordset& rs) { rs.MoveFirst(); }, 0},
      {"MoveNext", [](CEntryCountRecordset& rs) { rs.MoveNext(); }, 1},
      {"MoveNext", [](CEntryCountRecordset& rs) { rs.MoveNext(); }, 2},
      {"MovePrev", [](CEntryCountRecordset& rs) { rs.MovePrev(); }, 1},
      {"MovePrev", [](CEntryCountRecordset& rs) { rs.MovePrev(); }, 0},
      {"MovePrev before the first", [](CEntryCountRecordset& rs) { rs.MovePrev(); }, 0},
  };
  for (const Case& c : cases) {
    c.call(m_rs);
    EXPECT_EQ(c.position, m_rs.position) << c.move;
  }
  EXPECT_TRUE(m_rs.IsBOF());
}

TEST_F(EntryCountTest, DeletionsKeepTheCount) {
  Open(5);
  m_rs.CountEntries();
  m_rs.MoveFirst();
  m_rs.Delete();
  m_rs.MoveNext();
  m_rs.Delete();
  EXPECT_EQ(3, m_rs.GetEntryCount());
  EXPECT_EQ(3, m_rs.GetRecordCount());
  m_rs.MoveLast();
  EXPECT_EQ(2, m_rs.position);
  EXPECT_EQ(5, current_id());
}

// With nothing counted the base's count of visited records stands in.
TEST_F(EntryCountTest, AnEmptyCountFallsBackToTheBaseCount) {
  Open(0);
  m_rs.CountEntries();
  EXPECT_EQ(0, m_rs.GetEntryCount());
  EXPECT_EQ(1, m_rs.counted);
  EXPECT_TRUE(m_rs.IsEmpty());
  m_db.Execute("INSERT INTO entries VALUES (1, 'A'), (2, 'B'), (3, 'C')");
  m_rs.MoveLast();
  EXPECT_EQ(3, m_rs.GetRecordCount());
}

TEST_F(EntryCountTest, DeletingTheOnlyEntryFallsBackToTheBaseCount) {
  Open(1);
  m_rs.CountEntries();
  EXPECT_EQ(1, m_rs.GetRecordCount());
  m_rs.MoveFirst();
  m_rs.Delete();
  EXPECT_EQ(0, m_rs.GetEntryCount());
  m_db.Execute("INSERT INTO entries VALUES (7, 'A'), (8, 'B')");
  m_rs.MoveNext();
  m_rs.MoveNext();
  EXPECT_EQ(2, m_rs.GetRecordCount()) << "the two visited since";
}

}  // namespace
