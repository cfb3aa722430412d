// Arbitrary bytes as a database file opened through the DAO classes: damaged
// databases, other programs' databases, files that are no database at all.
// Each table and view is opened as a recordset and walked both ways with
// every field read, bookmarks taken and returned to, one record deleted and
// a column dropped; every failure must come back as a CDaoException. Where
// SQLite's integrity check finds the file sound, the record count must agree
// with the walk; in a damaged file that SQLite reads without noticing (keys
// out of order, say) the two may differ, and only a crash, a hang or a leak
// is a fault.
//
// The table names and the check go through SQLite directly, which the DAO
// classes have no call for.

#include <kelm/kelm.h>

#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Small seeds hold a few dozen records; a walk past this many is a file
// whose key order loops, and stopping keeps the input from hanging.
constexpr int most_steps = 300;
constexpr int most_tables = 6;

void require(bool holds) {
  if (!holds) std::abort();
}

const std::filesystem::path& scratch_folder() {
  static const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("kelm_recordset_fuzz_" + std::to_string(getpid()));
  return folder;
}

std::string write_database(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path path = scratch_folder() / "input.db";
  std::filesystem::create_directories(scratch_folder());
  for (const char* suffix : {"-wal", "-shm", "-journal"})
    std::filesystem::remove(path.string() + suffix);
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path.string();
}

// SQLite's full integrity check passes. The quick check is not enough: it
// does not see keys out of order, which make a walk and a count differ.
bool sound(const std::string& path) {
  sqlite3* db = nullptr;
  bool ok = false;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      const unsigned char* verdict = sqlite3_column_text(statement, 0);
      ok = verdict != nullptr && std::string(reinterpret_cast<const char*>(verdict)) == "ok" &&
           sqlite3_step(statement) == SQLITE_DONE;
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return ok;
}

std::vector<std::string> table_names(const std::string& path) {
  std::vector<std::string> names;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT name FROM sqlite_schema WHERE type IN ('table', 'view')"
                           " AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                           -1, &statement, nullptr) == SQLITE_OK) {
      while (names.size() < most_tables && sqlite3_step(statement) == SQLITE_ROW) {
        const unsigned char* name = sqlite3_column_text(statement, 0);
        if (name != nullptr) names.emplace_back(reinterpret_cast<const char*>(name));
      }
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return names;
}

bool is_field_type(VARTYPE vt) {
  return vt == VT_NULL || vt == VT_I4 || vt == VT_I8 || vt == VT_R8 || vt == VT_BSTR ||
         vt == (VT_ARRAY | VT_UI1);
}

void read_fields(CDaoRecordset& rs) {
  const short count = rs.GetFieldCount();
  for (short i = 0; i < count; ++i) {
    CDaoFieldInfo info;
    rs.GetFieldInfo(i, info);
    require(is_field_type(rs.GetFieldValue(i).vt));
    require(is_field_type(rs.GetFieldValue(info.m_strName).vt));
  }
}

// Forward to the end, counting: the count after the end was reached is the
// records walked. Then back, and about by bookmarks and jumps.
void walk(CDaoRecordset& rs, const std::string& path) {
  int steps = 0;
  for (; !rs.IsEOF() && steps < most_steps; ++steps) {
    read_fields(rs);
    rs.MoveNext();
  }
  if (steps == most_steps) return;
  if (steps > 0) require(rs.GetRecordCount() == steps || !sound(path));
  if (steps == 0) return;
  rs.MoveLast();
  const COleVariant last = rs.GetBookmark();
  for (int back = 0; !rs.IsBOF() && back < most_steps; ++back) {
    read_fields(rs);
    rs.MovePrev();
  }
  rs.MoveFirst();
  rs.Move(steps / 2);
  if (!rs.IsEOF()) read_fields(rs);
  rs.SetBookmark(last);
  read_fields(rs);
  rs.Move(0);
}

std::string quoted(const CString& name) {
  std::string out = "\"";
  for (const char c : name.View()) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + '"';
}

// A deletion through the recordset, then the last field's column dropped
// under it, as another program might: the recordset must refuse to go on
// or go on reading the rows it now gets, never the rows it had.
void edit(CDaoDatabase& db, CDaoRecordset& rs, const std::string& name) {
  rs.MoveFirst();
  rs.Move(1);
  if (rs.IsEOF()) rs.MoveFirst();
  rs.Delete();
  require(rs.IsDeleted());
  rs.MoveNext();
  if (!rs.IsEOF()) read_fields(rs);
  rs.GetRecordCount();
  CDaoFieldInfo last;
  rs.GetFieldInfo(rs.GetFieldCount() - 1, last);
  db.Execute(
      ("ALTER TABLE " + quoted(name.c_str()) + " DROP COLUMN " + quoted(last.m_strName)).c_str());
  rs.MoveFirst();
  read_fields(rs);
}

void exercise(CDaoDatabase& db, const std::string& name, const std::string& path) {
  CDaoRecordset rs(&db);
  try {
    rs.Open(dbOpenDynaset, name.c_str());
    if (rs.IsBOF() && rs.IsEOF()) {
      require(rs.GetRecordCount() == 0);
      return;
    }
    walk(rs, path);
    edit(db, rs, name);
  } catch (const CDaoException&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = write_database(data, size);
  const std::vector<std::string> names = table_names(path);
  CDaoDatabase db;
  try {
    db.Open(path.c_str());
  } catch (const CDaoException&) {
    return 0;
  }
  for (const std::string& name : names) exercise(db, name, path);
  return 0;
}
