// Recordsets over files and tables that change shape or lie about
// themselves: each case once made a recordset read outside its row or loop.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
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

// A view that never ends, or ends only after more rows than any table holds,
// kept Open or the record count running for ever, with the engine's sort or
// its copy of the view growing all the while. The operation must give up
// (the clock bound is far above the budget: this guards against a hang, not
// a slow answer) and leave the database serving its tables, and a
// recordset that was already open must stay usable.
TEST(RecordsetFaultTest, EndlessViewsAreStoppedAndTheDatabaseStaysUsable) {
  const std::string endless = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c)";
  struct Case {
    const char* name;
    std::string view;
    std::string want;  // the outcome of Open, MoveLast and GetRecordCount
    bool stays_open;
  };
  const std::string stopped = std::to_string(SQLITE_INTERRUPT) + " the query was stopped";
  const Case cases[] = {
      // Refused before anything runs: no table's key is among its columns.
      {"endless", "CREATE VIEW v AS " + endless + " SELECT x FROM c",
       "3251 the query does not select its table's key", false},
      {"endless joined to a table",
       "CREATE VIEW v AS " + endless + " SELECT entries.id, entries.text, c.x FROM entries, c",
       stopped, false},
      // Its first and last records come at once; only the count is endless.
      {"cross join of cross joins",
       "CREATE VIEW v AS SELECT a.id, a.text FROM entries a, entries b, entries c, entries d,"
       " entries e, entries f WHERE b.id + c.id + d.id + e.id + f.id > 0",
       stopped, true},
  };
  for (const Case& c : cases) {
    ScratchFolder folder;
    const std::string path = folder.path("views.db");
    run_sql(path,
            "CREATE TABLE entries(id INTEGER PRIMARY KEY, text TEXT);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100)"
            " INSERT INTO entries SELECT i, 'r' || i FROM n;" +
                c.view);
    CDaoDatabase db;
    db.Open(path.c_str());
    CDaoRecordset rs(&db);
    const auto start = std::chrono::steady_clock::now();
    const std::string got = outcome([&] {
      rs.Open(dbOpenDynaset, "v");
      rs.MoveLast();
      rs.GetRecordCount();
    });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60)) << c.name;
    EXPECT_EQ(c.want, got.substr(0, c.want.size())) << c.name << ": " << got;
    ASSERT_EQ(c.stays_open, static_cast<bool>(rs.IsOpen())) << c.name;
    if (c.stays_open) {
      EXPECT_EQ("ok", outcome([&] { rs.MoveFirst(); })) << c.name;
      EXPECT_EQ(1, rs.GetFieldValue("id").lVal) << c.name;
    }
    // Statements longer than one look at the budget run to their end: the
    // stopped operation left nothing behind on the connection.
    EXPECT_EQ("ok", outcome([&] {
                db.Execute(
                    "CREATE TABLE more(id INTEGER PRIMARY KEY);"
                    "INSERT INTO more WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL"
                    " SELECT i + 1 FROM n WHERE i < 50000) SELECT i FROM n");
              }))
        << c.name;
    EXPECT_EQ(50000, db.GetRecordsAffected()) << c.name;
    CDaoRecordset table(&db);
    EXPECT_EQ("ok", outcome([&] {
                table.Open(dbOpenDynaset, "entries");
                table.MoveLast();
              }))
        << c.name;
    EXPECT_EQ(100, table.GetRecordCount()) << c.name;
  }
}

}  // namespace
