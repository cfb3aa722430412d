#include "platform/dao/dao_recordset.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "testing/scratch_folder.h"

namespace {

// A second connection to the same file, as another program would hold.
class OtherConnection {
 public:
  explicit OtherConnection(const std::string& path) { sqlite3_open(path.c_str(), &m_db); }
  OtherConnection(const OtherConnection&) = delete;
  OtherConnection& operator=(const OtherConnection&) = delete;
  ~OtherConnection() { sqlite3_close(m_db); }

  void Run(const std::string& sql) {
    char* error = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error))
        << sql << ": " << (error != nullptr ? error : "");
  }

 private:
  sqlite3* m_db = nullptr;
};

// Records with ids 1 to count and the texts "r1" ...; flags 1 on even ids.
void make_table(const std::string& path, int count, const std::string& table = "entries") {
  OtherConnection db(path);
  db.Run("CREATE TABLE " + table +
         "(id INTEGER PRIMARY KEY, text TEXT, flags INTEGER);"
         "BEGIN;"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
         std::to_string(count) + ") INSERT INTO " + table +
         " SELECT i, 'r' || i, 1 - i % 2 FROM n WHERE i <= " + std::to_string(count) +
         ";"
         "COMMIT;");
}

std::string current(CDaoRecordset& rs) {
  if (rs.IsBOF() && rs.IsEOF()) return "empty";
  if (rs.IsBOF()) return "BOF";
  if (rs.IsEOF()) return "EOF";
  return std::string(rs.GetFieldValue("text").GetText().View());
}

// The DAO error number a call throws, or 0.
long dao_error(const std::function<void()>& call) {
  try {
    call();
  } catch (const CDaoException& e) {
    return e.m_pErrorInfo->m_lErrorCode;
  }
  return 0;
}

class RecordsetTest : public ::testing::Test {
 protected:
  void Open(int count, LPCTSTR sql = "entries") {
    make_table(m_path, count);
    m_db.Open(m_path.c_str());
    m_rs.Open(dbOpenDynaset, sql);
  }

  ScratchFolder m_folder;
  std::string m_path = m_folder.path("table.db");
  CDaoDatabase m_db;
  CDaoRecordset m_rs{&m_db};
};

TEST_F(RecordsetTest, MovesWalkTheKeysAndStopAtBothEnds) {
  Open(10);
  struct Case {
    const char* move;
    std::function<void(CDaoRecordset&)> call;
    std::string want;
  };
  const std::vector<Case> cases = {
      {"open", [](CDaoRecordset&) {}, "r1"},
      {"MoveNext", [](CDaoRecordset& rs) { rs.MoveNext(); }, "r2"},
      {"Move(5)", [](CDaoRecordset& rs) { rs.Move(5); }, "r7"},
      {"Move(-3)", [](CDaoRecordset& rs) { rs.Move(-3); }, "r4"},
      {"MoveLast", [](CDaoRecordset& rs) { rs.MoveLast(); }, "r10"},
      {"MoveNext", [](CDaoRecordset& rs) { rs.MoveNext(); }, "EOF"},
      {"MovePrev", [](CDaoRecordset& rs) { rs.MovePrev(); }, "r10"},
      {"Move(100)", [](CDaoRecordset& rs) { rs.Move(100); }, "EOF"},
      {"MoveFirst", [](CDaoRecordset& rs) { rs.MoveFirst(); }, "r1"},
      {"MovePrev", [](CDaoRecordset& rs) { rs.MovePrev(); }, "BOF"},
      {"MoveNext", [](CDaoRecordset& rs) { rs.MoveNext(); }, "r1"},
      {"Move(9)", [](CDaoRecordset& rs) { rs.Move(9); }, "r10"},
      {"Move(-10)", [](CDaoRecordset& rs) { rs.Move(-10); }, "BOF"},
      {"Move(0) at a record", [](CDaoRecordset& rs) { rs.MoveFirst(), rs.Move(0); }, "r1"},
  };
  for (const Case& c : cases) {
    c.call(m_rs);
    EXPECT_EQ(c.want, current(m_rs)) << c.move;
  }
}

TEST_F(RecordsetTest, MovingOnPastAnEndOrInAnEmptySetThrows) {
  Open(3);
  m_rs.MoveLast();
  m_rs.MoveNext();
  EXPECT_EQ(DAO_ERROR_NO_CURRENT_RECORD, dao_error([&] { m_rs.MoveNext(); })) << "MoveNext at EOF";
  EXPECT_EQ(DAO_ERROR_NO_CURRENT_RECORD, dao_error([&] { m_rs.Move(-2); })) << "Move at EOF";
  EXPECT_EQ(DAO_ERROR_NO_CURRENT_RECORD, dao_error([&] { m_rs.GetFieldValue(0); }))
      << "field at EOF";
  m_rs.MoveFirst();
  m_rs.MovePrev();
  EXPECT_EQ(DAO_ERROR_NO_CURRENT_RECORD, dao_error([&] { m_rs.MovePrev(); })) << "MovePrev at BOF";

  m_db.Execute("DELETE FROM entries");
  m_rs.Close();
  m_rs.Open(dbOpenDynaset, "[entries]");
  EXPECT_TRUE(m_rs.IsBOF() && m_rs.IsEOF());
  EXPECT_EQ(0, m_rs.GetRecordCount());
  for (auto move : {&CDaoRecordset::MoveFirst, &CDaoRecordset::MoveLast, &CDaoRecordset::MoveNext,
                    &CDaoRecordset::MovePrev})
    EXPECT_EQ(DAO_ERROR_NO_CURRENT_RECORD, dao_error([&] { (m_rs.*move)(); })) << "empty set";
}

TEST_F(RecordsetTest, BookmarksSurviveDeletionsElsewhere) {
  Open(100);
  m_rs.Move(49);
  const COleVariant fifty = m_rs.GetBookmark();
  m_rs.MoveLast();
  const COleVariant hundred = m_rs.GetBookmark();
  m_rs.MoveFirst();
  OtherConnection other(m_path);
  other.Run("DELETE FROM entries WHERE id < 50 OR id BETWEEN 51 AND 60");
  m_rs.SetBookmark(fifty);
  EXPECT_EQ("r50", current(m_rs)) << "its record is still there";
  m_rs.MoveNext();
  EXPECT_EQ("r61", current(m_rs));

  other.Run("DELETE FROM entries WHERE id = 50");
  m_rs.SetBookmark(fifty);
  EXPECT_EQ("r61", current(m_rs)) << "its record deleted: the next";
  other.Run("DELETE FROM entries WHERE id = 100");
  m_rs.SetBookmark(hundred);
  EXPECT_EQ("r99", current(m_rs)) << "the last deleted: the one before";

  EXPECT_EQ(DAO_ERROR_NOT_A_BOOKMARK, dao_error([&] { m_rs.SetBookmark(COleVariant(LONG{5})); }));
  const BYTE cut[] = {1, 2, 3};
  EXPECT_EQ(DAO_ERROR_NOT_A_BOOKMARK,
            dao_error([&] { m_rs.SetBookmark(COleVariant(std::span<const BYTE>(cut))); }));
}

TEST_F(RecordsetTest, RecordCountIsTheRecordsVisitedUntilTheLast) {
  Open(50);
  struct Case {
    const char* move;
    std::function<void(CDaoRecordset&)> call;
    LONG want;
  };
  const std::vector<Case> cases = {
      {"open", [](CDaoRecordset&) {}, 1},
      {"MoveNext x4",
       [](CDaoRecordset& rs) {
         for (int i = 0; i < 4; ++i) rs.MoveNext();
       },
       5},
      {"MoveFirst", [](CDaoRecordset& rs) { rs.MoveFirst(); }, 5},
      {"Move(19) from the first", [](CDaoRecordset& rs) { rs.Move(19); }, 20},
      {"Move(-10)", [](CDaoRecordset& rs) { rs.Move(-10); }, 20},
      {"Move(15) past the farthest", [](CDaoRecordset& rs) { rs.Move(15); }, 25},
      {"delete the current", [](CDaoRecordset& rs) { rs.Delete(); }, 24},
      {"MoveNext off the deleted", [](CDaoRecordset& rs) { rs.MoveNext(); }, 25},
      {"MoveLast", [](CDaoRecordset& rs) { rs.MoveLast(); }, 49},
      {"delete the last", [](CDaoRecordset& rs) { rs.Delete(); }, 48},
      {"MoveFirst, delete", [](CDaoRecordset& rs) { rs.MoveFirst(), rs.Delete(); }, 47},
  };
  for (const Case& c : cases) {
    c.call(m_rs);
    EXPECT_EQ(c.want, m_rs.GetRecordCount()) << c.move;
  }
  m_rs.Close();
  m_rs.Open(dbOpenDynaset, "entries");
  m_rs.Move(1000);
  EXPECT_EQ(47, m_rs.GetRecordCount()) << "stepping past the end reaches the last";
}

// A walk of MoveNext calls reads rows ahead in batches; the batches go
// stale quickly, so that a walk either way still steps over what another
// connection deleted a moment before, and the visited count stays exact.
TEST_F(RecordsetTest, LongWalksReadAheadAndStillSeeDeletionsElsewhere) {
  Open(3000);
  for (int i = 0; i < 1000; ++i) m_rs.MoveNext();
  EXPECT_EQ("r1001", current(m_rs));
  EXPECT_EQ(1001, m_rs.GetRecordCount());
  OtherConnection other(m_path);
  other.Run("DELETE FROM entries WHERE id BETWEEN 1002 AND 1500");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  m_rs.MoveNext();
  EXPECT_EQ("r1501", current(m_rs)) << "the rows read ahead before the deletion are not shown";
  m_rs.MovePrev();
  EXPECT_EQ("r1001", current(m_rs)) << "back over the deleted";
  m_rs.MoveNext();
  EXPECT_EQ(1002, m_rs.GetRecordCount());
  m_rs.MoveFirst();
  for (int i = 0; i < 200; ++i) m_rs.MoveNext();
  EXPECT_EQ("r201", current(m_rs));
  EXPECT_EQ(1002, m_rs.GetRecordCount()) << "a walk below the farthest record";
  for (int i = 0; i < 1000; ++i) m_rs.MoveNext();
  EXPECT_EQ("r1700", current(m_rs));
  EXPECT_EQ(1201, m_rs.GetRecordCount()) << "a walk past the farthest record";
  other.Run("DELETE FROM entries WHERE id = 3000");
  m_rs.MoveLast();
  EXPECT_EQ("r2999", current(m_rs)) << "the old last deleted";
  LONG rows = 0;
  for (m_rs.MoveFirst(); !m_rs.IsEOF(); m_rs.MoveNext()) ++rows;
  EXPECT_EQ(2500, rows);
  EXPECT_EQ(2500, m_rs.GetRecordCount());
}

TEST_F(RecordsetTest, DeletedRecordStaysCurrentWithoutFields) {
  Open(5);
  m_rs.Move(2);
  m_rs.Delete();
  EXPECT_TRUE(m_rs.IsDeleted());
  EXPECT_EQ(DAO_ERROR_RECORD_DELETED, dao_error([&] { m_rs.GetFieldValue("text"); }));
  EXPECT_EQ(DAO_ERROR_RECORD_DELETED, dao_error([&] { m_rs.GetBookmark(); }));
  EXPECT_EQ(DAO_ERROR_RECORD_DELETED, dao_error([&] { m_rs.Delete(); }));
  m_rs.MoveNext();
  EXPECT_EQ("r4", current(m_rs));
  m_rs.MovePrev();
  EXPECT_EQ("r2", current(m_rs));
  CDaoRecordset check(&m_db);
  check.Open(dbOpenTable, "entries");
  check.MoveLast();
  EXPECT_EQ(4, check.GetRecordCount()) << "deleted from the table";
}

TEST_F(RecordsetTest, FieldsCarryNamesTypesAndValues) {
  make_table(m_path, 0);
  OtherConnection other(m_path);
  other.Run("INSERT INTO entries VALUES (1, 'caf\xC3\xA9', NULL)");
  other.Run("CREATE TABLE mixed(id INTEGER PRIMARY KEY, r REAL, b BLOB, big INTEGER)");
  other.Run("INSERT INTO mixed VALUES (7, 2.5, x'00FF', 5000000000)");
  m_db.Open(m_path.c_str());
  m_rs.Open(dbOpenTable, "entries");
  ASSERT_EQ(3, m_rs.GetFieldCount());
  const char* names[] = {"id", "text", "flags"};
  const short types[] = {dbLong, dbText, dbLong};
  for (int i = 0; i < 3; ++i) {
    CDaoFieldInfo info;
    m_rs.GetFieldInfo(i, info);
    EXPECT_EQ(CString(names[i]), info.m_strName) << i;
    EXPECT_EQ(types[i], info.m_nType) << names[i];
  }
  EXPECT_EQ(CString("caf\xE9"), m_rs.GetFieldValue("TEXT").GetText()) << "UTF-8 to Windows-1252";
  EXPECT_EQ(VT_NULL, m_rs.GetFieldValue(2).vt);
  EXPECT_EQ(3265, dao_error([&] { m_rs.GetFieldValue("nosuch"); }));
  EXPECT_EQ(3265, dao_error([&] { m_rs.GetFieldValue(3); }));

  CDaoRecordset mixed(&m_db);
  mixed.Open(dbOpenDynaset, "mixed");
  EXPECT_EQ(2.5, mixed.GetFieldValue("r").dblVal);
  const BYTE blob[] = {0x00, 0xFF};
  EXPECT_EQ(COleVariant(std::span<const BYTE>(blob)), mixed.GetFieldValue("b"));
  EXPECT_EQ(COleVariant(LONGLONG{5000000000}), mixed.GetFieldValue("big"));
}

TEST_F(RecordsetTest, TablesWithoutRowidWalkTheirPrimaryKey) {
  OtherConnection other(m_path);
  other.Run(
      "CREATE TABLE words(word TEXT COLLATE NOCASE, n INTEGER, PRIMARY KEY(word, n))"
      " WITHOUT ROWID;"
      "INSERT INTO words VALUES ('b', 2), ('a', 9), ('B', 1), ('c', 0)");
  m_db.Open(m_path.c_str());
  m_rs.Open(dbOpenDynaset, "words");
  std::string order;
  for (; !m_rs.IsEOF(); m_rs.MoveNext())
    order += std::string(m_rs.GetFieldValue("word").GetText().View()) +
             std::to_string(m_rs.GetFieldValue("n").lVal) + " ";
  EXPECT_EQ("a9 B1 b2 c0 ", order);
  m_rs.MovePrev();
  m_rs.Delete();
  m_rs.MoveFirst();
  m_rs.MoveLast();
  EXPECT_EQ(CString("b"), m_rs.GetFieldValue("word").GetText()) << "c deleted by its key";
}

TEST_F(RecordsetTest, QueriesAreWalkedByTheirTablesKey) {
  Open(10, "SELECT text, id FROM entries WHERE flags = 1");
  std::string seen;
  for (; !m_rs.IsEOF(); m_rs.MoveNext()) seen += current(m_rs) + " ";
  EXPECT_EQ("r2 r4 r6 r8 r10 ", seen);
  m_rs.MoveFirst();
  m_rs.Delete();
  EXPECT_EQ(4, m_rs.GetRecordCount());
  m_db.Execute("CREATE VIEW evens AS SELECT * FROM entries WHERE flags = 1");
  CDaoRecordset view(&m_db);
  view.Open(dbOpenDynaset, "evens");
  EXPECT_EQ("r4", current(view)) << "the view, r2 deleted through the query";

  CDaoRecordset keyless(&m_db);
  EXPECT_EQ(DAO_ERROR_NOT_WALKABLE,
            dao_error([&] { keyless.Open(dbOpenDynaset, "SELECT text FROM entries"); }));
  EXPECT_FALSE(keyless.IsOpen());
  EXPECT_NE(0, dao_error([&] { keyless.Open(dbOpenDynaset, "nosuch"); }));
  make_table(m_path, 3, "selections");
  CDaoRecordset named(&m_db);
  named.Open(dbOpenDynaset, "selections");
  EXPECT_EQ("r1", current(named)) << "a table whose name begins like a query";
}

TEST(DaoDatabaseTest, RefusesFilesItCannotUseAndChangesNothing) {
  ScratchFolder folder;
  const std::string text = folder.path("notes.txt");
  const std::string not_a_database(4096, 'x');
  WriteWholeFile(text, not_a_database);
  const std::string locked = folder.path("locked.db");
  make_table(locked, 3);
  const std::string before = ReadWholeFile(locked);
  OtherConnection holder(locked);
  holder.Run("BEGIN EXCLUSIVE");

  struct Case {
    std::string path;
    std::string want;
  };
  const std::vector<Case> cases = {
      {text, "file is not a database"},
      {locked, "database is locked"},
      {folder.path("missing.db"), "Could not find file"},
  };
  for (const Case& c : cases) {
    CDaoDatabase db;
    try {
      db.Open(c.path.c_str());
      ADD_FAILURE() << "opened " << c.path;
    } catch (const CDaoException& e) {
      EXPECT_NE(std::string::npos, std::string(e.Describe().View()).find(c.want))
          << c.path << ": " << e.Describe().View();
    }
    EXPECT_FALSE(db.IsOpen()) << c.path;
  }
  EXPECT_EQ(not_a_database, ReadWholeFile(text));
  holder.Run("ROLLBACK");
  EXPECT_EQ(before, ReadWholeFile(locked));

  CDaoDatabase db;
  db.Open(locked.c_str());
  CDaoRecordset rs(&db);
  rs.Open(dbOpenDynaset, "entries");
  holder.Run("BEGIN EXCLUSIVE");
  EXPECT_NE(0, dao_error([&] { rs.Delete(); })) << "a locked table refuses the deletion";
  holder.Run("ROLLBACK");
  EXPECT_FALSE(rs.IsDeleted());
  EXPECT_EQ("r1", current(rs));
  EXPECT_EQ(DAO_ERROR_DATABASE_EXISTS, dao_error([&] { db.Create(locked.c_str()); }));
  EXPECT_EQ(before, ReadWholeFile(locked));
}

TEST(DaoDatabaseTest, ClosingTheDatabaseClosesItsRecordsets) {
  ScratchFolder folder;
  const std::string path = folder.path("new.db");
  CDaoDatabase db;
  db.Create(path.c_str());
  db.Execute("CREATE TABLE t(id INTEGER PRIMARY KEY); INSERT INTO t VALUES (1), (2)");
  EXPECT_EQ(2, db.GetRecordsAffected());
  CDaoRecordset rs(&db);
  rs.Open(dbOpenDynaset, "t");
  db.Close();
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_EQ(AFX_DAO_ERROR_OBJECT_NOT_OPEN, [&] {
    try {
      rs.MoveNext();
    } catch (const CDaoException& e) {
      return e.m_nAfxDaoError;
    }
    return 0;
  }());
}

}  // namespace
