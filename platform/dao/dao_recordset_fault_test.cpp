// Recordsets over files and tables that change shape or lie about
// themselves: each case once made a recordset read outside its row or loop.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/dao/dao_recordset.h"
#include "testing/scratch_folder.h"

namespace {

void run_sql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db)) << path;
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  EXPECT_EQ(SQLITE_OK, rc) << sql << ": " << (error != nullptr ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

// What a call does: "ok", or the DAO error's code and text.
std::string outcome(const std::function<void()>& call) {
  try {
    call();
  } catch (const CDaoException& e) {
    return std::to_string(e.m_pErrorInfo->m_lErrorCode) + " " +
           std::string(e.m_pErrorInfo->m_strDescription.View());
  }
  return "ok";
}

// Another program changes the table's columns while a recordset walks it.
// SQLite then prepares the recordset's statements again, and "*" stands for
// the columns as they are now: a dropped column used to shift the fields
// after it and leave the last one read from freed memory.
TEST(RecordsetFaultTest, ColumnsDroppedElsewhereAreRefusedNotMisread) {
  struct Case {
    const char* change;
    std::string want;  // the outcome of MoveNext, then the fields of record 2
  };
  const std::string changed = "17 the table's columns changed since the recordset was opened";
  const Case cases[] = {
      {"ALTER TABLE entries DROP COLUMN flags", changed},
      {"ALTER TABLE entries DROP COLUMN text", changed},
      {"ALTER TABLE entries RENAME COLUMN text TO words", changed},
      {"ALTER TABLE entries ADD COLUMN extra TEXT DEFAULT 'x'",
       "ok 2 r2-long-enough-for-the-heap 1"},
      {"CREATE INDEX by_flags ON entries(flags)", "ok 2 r2-long-enough-for-the-heap 1"},
  };
  for (const Case& c : cases) {
    ScratchFolder folder;
    const std::string path = folder.path("table.db");
    run_sql(path,
            "CREATE TABLE entries(id INTEGER PRIMARY KEY, text TEXT, flags INTEGER);"
            "INSERT INTO entries VALUES (1, 'r1-long-enough-for-the-heap', 0),"
            " (2, 'r2-long-enough-for-the-heap', 1), (3, 'r3-long-enough-for-the-heap', 0);");
    CDaoDatabase db;
    db.Open(path.c_str());
    CDaoRecordset rs(&db);
    rs.Open(dbOpenDynaset, "entries");
    run_sql(path, c.change);
    std::string got = outcome([&] { rs.MoveNext(); });
    if (got == "ok") {
      got += " " + std::to_string(rs.GetFieldValue("id").lVal);
      got += " " + std::string(rs.GetFieldValue(1).GetText().View());
      got += " " + std::to_string(rs.GetFieldValue(2).lVal);
    }
    EXPECT_EQ(c.want, got) << c.change;
    // Refused for good, not only once.
    if (c.want == changed) {
      EXPECT_EQ(changed, outcome([&] { rs.MoveFirst(); })) << c.change;
    }
  }
}

}  // namespace
