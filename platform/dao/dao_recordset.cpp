#include "platform/dao/dao_recordset.h"

#include <sqlite3.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dao/dao_internal.h"

using dao_internal::cp1252_of;
using dao_internal::throw_dao_error;
using dao_internal::throw_sqlite_error;
using dao_internal::utf8_of;

namespace {

// One value of a row, kept by the recordset between moves. Rows reuse their
// cells, so a walk allocates nothing once the longest text has been seen.
struct Cell {
  int type = SQLITE_NULL;
  sqlite3_int64 integer = 0;
  double real = 0;
  std::string bytes;

  bool operator==(const Cell& other) const {
    return type == other.type && integer == other.integer && real == other.real &&
           bytes == other.bytes;
  }
};

using Row = std::vector<Cell>;

void read_cell(sqlite3_stmt* statement, int column, Cell& cell) {
  cell.type = sqlite3_column_type(statement, column);
  cell.integer = 0;
  cell.real = 0;
  cell.bytes.clear();
  switch (cell.type) {
    case SQLITE_INTEGER:
      cell.integer = sqlite3_column_int64(statement, column);
      break;
    case SQLITE_FLOAT:
      cell.real = sqlite3_column_double(statement, column);
      break;
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
      const void* data = cell.type == SQLITE_TEXT ? sqlite3_column_text(statement, column)
                                                  : sqlite3_column_blob(statement, column);
      cell.bytes.assign(static_cast<const char*>(data),
                        static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
      break;
    }
    default:
      break;
  }
}

int bind_cell(sqlite3_stmt* statement, int parameter, const Cell& cell) {
  switch (cell.type) {
    case SQLITE_INTEGER:
      return sqlite3_bind_int64(statement, parameter, cell.integer);
    case SQLITE_FLOAT:
      return sqlite3_bind_double(statement, parameter, cell.real);
    case SQLITE_TEXT:
      return sqlite3_bind_text(statement, parameter, cell.bytes.data(),
                               static_cast<int>(cell.bytes.size()), SQLITE_STATIC);
    case SQLITE_BLOB:
      return sqlite3_bind_blob(statement, parameter, cell.bytes.data(),
                               static_cast<int>(cell.bytes.size()), SQLITE_STATIC);
    default:
      return sqlite3_bind_null(statement, parameter);
  }
}

COleVariant variant_of(const Cell& cell) {
  switch (cell.type) {
    case SQLITE_INTEGER:
      if (cell.integer >= std::numeric_limits<LONG>::min() &&
          cell.integer <= std::numeric_limits<LONG>::max())
        return COleVariant(static_cast<LONG>(cell.integer));
      return COleVariant(static_cast<LONGLONG>(cell.integer));
    case SQLITE_FLOAT:
      return COleVariant(cell.real);
    case SQLITE_TEXT:
      return COleVariant(cp1252_of(cell.bytes));
    case SQLITE_BLOB:
      return COleVariant(std::span<const BYTE>(reinterpret_cast<const BYTE*>(cell.bytes.data()),
                                               cell.bytes.size()));
    default: {
      COleVariant null;
      null.vt = VT_NULL;
      return null;
    }
  }
}

// A bookmark is the record's key: for each key value a type byte, then
// eight bytes of number or a four-byte length and the bytes.
std::vector<BYTE> encode_key(const Row& key) {
  std::vector<BYTE> out;
  auto put = [&out](const void* data, std::size_t size) {
    const BYTE* bytes = static_cast<const BYTE*>(data);
    out.insert(out.end(), bytes, bytes + size);
  };
  for (const Cell& cell : key) {
    out.push_back(static_cast<BYTE>(cell.type));
    if (cell.type == SQLITE_INTEGER) put(&cell.integer, sizeof cell.integer);
    if (cell.type == SQLITE_FLOAT) put(&cell.real, sizeof cell.real);
    if (cell.type == SQLITE_TEXT || cell.type == SQLITE_BLOB) {
      const std::uint32_t size = static_cast<std::uint32_t>(cell.bytes.size());
      put(&size, sizeof size);
      put(cell.bytes.data(), cell.bytes.size());
    }
  }
  return out;
}

// False for bytes that are not a key of `columns` values.
bool decode_key(std::span<const BYTE> bytes, std::size_t columns, Row& key) {
  key.assign(columns, Cell{});
  std::size_t at = 0;
  auto take = [&](void* data, std::size_t size) {
    if (bytes.size() - at < size) return false;
    std::memcpy(data, bytes.data() + at, size);
    at += size;
    return true;
  };
  for (Cell& cell : key) {
    BYTE type = 0;
    if (!take(&type, 1)) return false;
    cell.type = type;
    if (type == SQLITE_INTEGER) {
      if (!take(&cell.integer, sizeof cell.integer)) return false;
    } else if (type == SQLITE_FLOAT) {
      if (!take(&cell.real, sizeof cell.real)) return false;
    } else if (type == SQLITE_TEXT || type == SQLITE_BLOB) {
      std::uint32_t size = 0;
      if (!take(&size, sizeof size) || bytes.size() - at < size) return false;
      cell.bytes.assign(reinterpret_cast<const char*>(bytes.data() + at), size);
      at += size;
    } else if (type != SQLITE_NULL) {
      return false;
    }
  }
  return at == bytes.size();
}

std::string quoted(std::string_view name) {
  std::string out = "\"";
  for (const char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string joined(const std::vector<std::string>& items, std::string_view suffix = {}) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out += ", ";
    out += item;
    out += suffix;
  }
  return out;
}

std::string parameters(std::size_t first, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out += ", ";
    out += "?" + std::to_string(first + i);
  }
  return out;
}

// A SELECT or WITH statement, rather than a table's name (which may begin
// with the same letters, as "selections" does).
bool is_query(std::string_view sql) {
  const std::size_t start = sql.find_first_not_of(" \t\r\n(");
  if (start == std::string_view::npos) return false;
  std::size_t end = start;
  while (end < sql.size() &&
         (std::isalnum(static_cast<unsigned char>(sql[end])) != 0 || sql[end] == '_'))
    ++end;
  CString word(sql.substr(start, end - start));
  word.MakeLower();
  return end < sql.size() && (word == "select" || word == "with");
}

std::string unbracketed(std::string_view name) {
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
    return std::string(name.substr(1, name.size() - 2));
  return std::string(name);
}

// A walk of this many MoveNext calls in a row reads ahead: then one
// statement gives the next rows, first a few and then more, up to the most.
constexpr int walk_steps = 8;
constexpr std::size_t fewest_ahead = 32;
constexpr std::size_t most_ahead = 1024;
// Rows read ahead are the table as it was when they were read; past this
// age they are read again, so that a walk shows another connection's
// changes as soon as a person could see them.
constexpr auto ahead_life = std::chrono::milliseconds(20);

// Every operation of a recordset (an Open, a move, a count, a deletion)
// gives up after this much of its thread's processor time. A move on a
// table is an indexed look-up of a few dozen of SQLite's steps, and
// counting a table's records takes about 60 ns each, so that a count of
// five million records takes a third of it; a view that never ends, or a
// join whose rows outnumber any table's, reaches it. Processor time rather than time on the clock,
// so that a slow disk or a busy machine never fails an operation.
constexpr std::chrono::seconds processor_budget{1};
// SQLite's steps between looks at the clock: well under a millisecond.
constexpr int steps_per_look = 10'000;

std::chrono::nanoseconds thread_processor_time() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// Holds the connection to the budget for the length of one operation. One
// thread uses a database and its recordsets at a time, so the connection's
// one progress handler is the operation's while it lasts.
class Budget {
 public:
  explicit Budget(sqlite3* db) : m_db(db), m_end(thread_processor_time() + processor_budget) {
    sqlite3_progress_handler(db, steps_per_look, &Budget::spent, this);
  }
  Budget(const Budget&) = delete;
  Budget& operator=(const Budget&) = delete;
  ~Budget() { sqlite3_progress_handler(m_db, 0, nullptr, nullptr); }

 private:
  static int spent(void* self) {
    return thread_processor_time() > static_cast<Budget*>(self)->m_end ? 1 : 0;
  }

  sqlite3* m_db;
  std::chrono::nanoseconds m_end;
};

// SQLite's failure, or the budget's: nothing else interrupts a recordset.
[[noreturn]] void throw_step_error(sqlite3* db, int rc) {
  if (rc == SQLITE_INTERRUPT) {
    CString text;
    text.Format(
        "the query was stopped after %lld s of processor time, more than any table needs: the view "
        "or query does not end, or yields more rows than can be walked",
        static_cast<long long>(processor_budget.count()));
    throw CDaoException(SQLITE_INTERRUPT, "SQLite", text);
  }
  throw_sqlite_error(db, rc);
}

enum statement_id {
  first,
  last,
  after,
  after_many,
  before,
  at,
  beyond,
  remove_one,
  count_to,
  statement_count
};

struct Column {
  std::string name;
  int pk = 0;
  std::string type;
};

}  // namespace

// Everything a recordset holds while it is open.
struct CDaoRecordset::Walk {
  sqlite3* db = nullptr;
  std::array<sqlite3_stmt*, statement_count> statements{};
  // Each statement's count of preparations after schema changes, when its
  // columns were last found to match the fields.
  std::array<int, statement_count> prepared_again{};
  // The walked key: its columns come first in every row the statements give.
  std::size_t key_columns = 0;
  std::vector<CDaoFieldInfo> fields;

  bool bof = true;
  bool eof = true;
  bool deleted = false;
  Row key;
  Row values;

  // The farthest record reached, and how many records lie up to it, when
  // known; counted again only when a jump leaves the number unknown.
  bool high_set = false;
  Row high;
  bool count_known = false;
  LONG count = 0;
  // The farthest record a walk from below the farthest one has reached,
  // compared with it only when that matters.
  bool pending_set = false;
  Row pending;

  // Rows after the current one, read ahead for a walk of MoveNext calls.
  std::vector<Row> ahead_keys;
  std::vector<Row> ahead_values;
  std::size_t ahead_next = 0;
  std::size_t ahead_size = 0;
  std::size_t ahead_batch = fewest_ahead;
  std::chrono::steady_clock::time_point ahead_read;
  int steps_in_a_row = 0;

  ~Walk() {
    for (sqlite3_stmt* statement : statements) sqlite3_finalize(statement);
  }

  bool on_record() const { return !bof && !eof; }

  // Runs a move's statement: the key to start from (or none), then the
  // offset. True when it found a record, which becomes current.
  bool run(statement_id id, const Row* from, LONG offset) {
    sqlite3_stmt* statement = statements[id];
    sqlite3_reset(statement);
    int parameter = 1;
    if (from != nullptr)
      for (const Cell& cell : *from) bind_cell(statement, parameter++, cell);
    if (id != at) sqlite3_bind_int64(statement, parameter, offset);
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE) {
      sqlite3_reset(statement);
      return false;
    }
    if (rc != SQLITE_ROW) {
      sqlite3_reset(statement);
      throw_step_error(db, rc);
    }
    read_row(statement, key, values);
    sqlite3_reset(statement);
    bof = eof = deleted = false;
    return true;
  }

  void read_row(sqlite3_stmt* statement, Row& row_key, Row& row_values) {
    check_columns(statement);
    const int columns = sqlite3_column_count(statement);
    row_key.resize(key_columns);
    row_values.resize(static_cast<std::size_t>(columns) - key_columns);
    for (std::size_t i = 0; i < key_columns; ++i)
      read_cell(statement, static_cast<int>(i), row_key[i]);
    for (std::size_t i = 0; i < row_values.size(); ++i)
      read_cell(statement, static_cast<int>(key_columns + i), row_values[i]);
  }

  // SQLite prepares a statement again after any change of the schema, and
  // its "*" then stands for the table's columns as they are now: a column
  // dropped elsewhere would shift every field after it, and leave the last
  // one read from a row that no longer holds it. Added columns come after
  // the fields and change nothing the recordset hands out.
  void check_columns(sqlite3_stmt* statement) {
    const int id = static_cast<int>(std::find(statements.begin(), statements.end(), statement) -
                                    statements.begin());
    const int prepared = sqlite3_stmt_status(statement, SQLITE_STMTSTATUS_REPREPARE, 0);
    if (prepared == prepared_again[id]) return;
    bool same =
        static_cast<std::size_t>(sqlite3_column_count(statement)) >= key_columns + fields.size();
    for (std::size_t i = 0; same && i < fields.size(); ++i) {
      const char* name = sqlite3_column_name(statement, static_cast<int>(key_columns + i));
      same = name != nullptr && cp1252_of(name) == fields[i].m_strName;
    }
    if (!same) {
      sqlite3_reset(statement);
      throw CDaoException(SQLITE_SCHEMA, "SQLite",
                          "the table's columns changed since the recordset was opened");
    }
    prepared_again[id] = prepared;
  }

  void forget_ahead() {
    ahead_next = ahead_size = 0;
    ahead_batch = fewest_ahead;
    steps_in_a_row = 0;
  }

  // Makes the record after the current one current from the rows read
  // ahead, reading more when they are used up or too old. False at the end
  // of the set.
  bool next_ahead() {
    const auto now = std::chrono::steady_clock::now();
    if (ahead_next == ahead_size || now - ahead_read > ahead_life) {
      sqlite3_stmt* statement = statements[after_many];
      sqlite3_reset(statement);
      int parameter = 1;
      for (const Cell& cell : key) bind_cell(statement, parameter++, cell);
      sqlite3_bind_int64(statement, parameter, static_cast<sqlite3_int64>(ahead_batch));
      ahead_next = ahead_size = 0;
      int rc;
      while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        if (ahead_keys.size() == ahead_size) {
          ahead_keys.emplace_back();
          ahead_values.emplace_back();
        }
        read_row(statement, ahead_keys[ahead_size], ahead_values[ahead_size]);
        ++ahead_size;
      }
      sqlite3_reset(statement);
      if (rc != SQLITE_DONE) {
        ahead_size = 0;
        throw_step_error(db, rc);
      }
      ahead_read = now;
      ahead_batch = std::min(2 * ahead_batch, most_ahead);
      if (ahead_size == 0) return false;
    }
    std::swap(key, ahead_keys[ahead_next]);
    std::swap(values, ahead_values[ahead_next]);
    ++ahead_next;
    bof = eof = deleted = false;
    return true;
  }

  // Whether the current record lies beyond the farthest one reached, asked
  // of the engine so that the columns' collations decide.
  bool beyond_high(const Row& row_key) {
    if (!high_set) return true;
    sqlite3_stmt* statement = statements[beyond];
    sqlite3_reset(statement);
    int parameter = 1;
    for (const Cell& cell : row_key) bind_cell(statement, parameter++, cell);
    for (const Cell& cell : high) bind_cell(statement, parameter++, cell);
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw_step_error(db, rc);
    return rc == SQLITE_ROW;
  }

  // The last record has been reached: every record up to it counts.
  void reached_last() {
    if (high_set && key == high) return;
    high = key;
    high_set = true;
    count_known = false;
  }

  void raise_high(bool stepped_from_high, LONG steps) {
    if (stepped_from_high) {
      high = key;
      if (count_known) count += steps;
      return;
    }
    if (!beyond_high(key)) return;
    high = key;
    high_set = true;
    count_known = false;
  }

  void settle_pending() {
    if (!pending_set) return;
    pending_set = false;
    if (!beyond_high(pending)) return;
    high = pending;
    high_set = true;
    count_known = false;
  }

  LONG count_visited() {
    settle_pending();
    if (!high_set) return 0;
    if (count_known) return count;
    sqlite3_stmt* statement = statements[count_to];
    sqlite3_reset(statement);
    int parameter = 1;
    for (const Cell& cell : high) bind_cell(statement, parameter++, cell);
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_ROW) {
      sqlite3_reset(statement);
      throw_step_error(db, rc);
    }
    count = static_cast<LONG>(sqlite3_column_int64(statement, 0));
    sqlite3_reset(statement);
    count_known = true;
    return count;
  }

  void no_current_record() { throw_dao_error(DAO_ERROR_NO_CURRENT_RECORD, "No current record."); }

  void to_end(bool at_beginning) {
    bof = at_beginning;
    eof = !at_beginning;
    deleted = false;
  }

  // The set has no records (left so by deletions elsewhere, perhaps).
  void empty_set() {
    bof = eof = true;
    deleted = false;
  }
};

namespace {

std::vector<Column> table_columns(sqlite3* db, const std::string& table) {
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db, "SELECT name, pk, type FROM pragma_table_info(?1)", -1,
                              &statement, nullptr);
  std::vector<Column> columns;
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(statement, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      const char* name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
      const char* type = reinterpret_cast<const char*>(sqlite3_column_text(statement, 2));
      columns.push_back({name != nullptr ? name : "", sqlite3_column_int(statement, 1),
                         type != nullptr ? type : ""});
    }
  }
  sqlite3_finalize(statement);
  if (rc != SQLITE_DONE) throw_sqlite_error(db, rc, table);
  return columns;
}

bool without_rowid(sqlite3* db, const std::string& table) {
  // A table without a rowid has no "rowid" to select.
  sqlite3_stmt* statement = nullptr;
  const std::string sql = "SELECT rowid FROM " + quoted(table) + " LIMIT 0";
  const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
  sqlite3_finalize(statement);
  return rc != SQLITE_OK;
}

std::string schema_type(sqlite3* db, const std::string& name) {
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db,
                              "SELECT type FROM sqlite_schema WHERE name = ?1 COLLATE NOCASE"
                              " AND type IN ('table', 'view')",
                              -1, &statement, nullptr);
  std::string type;
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(statement, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) type = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  }
  sqlite3_finalize(statement);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw_sqlite_error(db, rc, name);
  return type;
}

// The key of a table: its primary key without a rowid, else the rowid under
// a name no column takes.
std::vector<std::string> table_key(sqlite3* db, const std::string& table,
                                   const std::vector<Column>& columns, bool& is_rowid) {
  std::vector<std::string> key;
  is_rowid = !without_rowid(db, table);
  if (!is_rowid) {
    for (int pk = 1;; ++pk) {
      const auto found = std::find_if(columns.begin(), columns.end(),
                                      [pk](const Column& c) { return c.pk == pk; });
      if (found == columns.end()) break;
      key.push_back(found->name);
    }
    return key;
  }
  for (const char* name : {"rowid", "_rowid_", "oid"}) {
    const bool taken = std::any_of(columns.begin(), columns.end(), [name](const Column& c) {
      return CString(c.name.c_str()).CompareNoCase(name) == 0;
    });
    if (!taken) return {name};
  }
  return {};
}

// The key columns of a query, by their names in its result: the columns that
// come from its table's key. Empty when it does not select them all.
std::vector<std::string> query_key(sqlite3* db, const std::string& query, std::string& table) {
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr);
  if (rc != SQLITE_OK) throw_sqlite_error(db, rc);
  struct Output {
    std::string name, table, origin;
  };
  std::vector<Output> outputs;
  for (int i = 0; i < sqlite3_column_count(statement); ++i) {
    const char* t = sqlite3_column_table_name(statement, i);
    const char* o = sqlite3_column_origin_name(statement, i);
    outputs.push_back(
        {sqlite3_column_name(statement, i), t != nullptr ? t : "", o != nullptr ? o : ""});
  }
  sqlite3_finalize(statement);
  for (const Output& output : outputs) {
    if (output.table.empty()) continue;
    table = output.table;
    const std::vector<Column> columns = table_columns(db, table);
    std::vector<std::string> wanted;
    if (without_rowid(db, table)) {
      bool dummy = false;
      wanted = table_key(db, table, columns, dummy);
    } else {
      const auto alias = std::find_if(columns.begin(), columns.end(), [&](const Column& c) {
        return c.pk == 1 && CString(c.type.c_str()).CompareNoCase("INTEGER") == 0 &&
               std::count_if(columns.begin(), columns.end(),
                             [](const Column& k) { return k.pk > 0; }) == 1;
      });
      if (alias != columns.end()) wanted = {alias->name};
    }
    std::vector<std::string> key;
    for (const std::string& name : wanted) {
      const auto found = std::find_if(outputs.begin(), outputs.end(), [&](const Output& o) {
        return o.table == table && CString(o.origin.c_str()).CompareNoCase(name.c_str()) == 0;
      });
      if (found == outputs.end()) return {};
      key.push_back(quoted(found->name));
    }
    return key;
  }
  return {};
}

short field_type(const char* declared) {
  if (declared == nullptr) return dbLongBinary;
  CString type(declared);
  type.MakeUpper();
  if (type.Find("INT") >= 0) return dbLong;
  if (type.Find("CHAR") >= 0 || type.Find("CLOB") >= 0 || type.Find("TEXT") >= 0) return dbText;
  if (type.Find("BLOB") >= 0 || type.IsEmpty()) return dbLongBinary;
  if (type.Find("REAL") >= 0 || type.Find("FLOA") >= 0 || type.Find("DOUB") >= 0) return dbDouble;
  return dbText;
}

sqlite3_stmt* prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  const int rc =
      sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
  if (rc != SQLITE_OK) throw_sqlite_error(db, rc);
  return statement;
}

}  // namespace

CDaoRecordset::CDaoRecordset(CDaoDatabase* pDatabase) : m_pDatabase(pDatabase) {}

CDaoRecordset::~CDaoRecordset() { Close(); }

void CDaoRecordset::Open(int, LPCTSTR lpszSQL, int) {
  Close();
  if (m_pDatabase == nullptr || !m_pDatabase->IsOpen()) dao_internal::throw_not_open();
  const CString sql = lpszSQL != nullptr ? CString(lpszSQL) : GetDefaultSQL();
  sqlite3* db = m_pDatabase->m_db;
  const Budget budget(db);
  auto walk = std::make_unique<Walk>();
  walk->db = db;

  // What is walked (a table, or a query as a sub-select), by which key, and
  // the table a deletion goes to.
  std::string source;
  std::string table;
  std::vector<std::string> key;
  std::string delete_key;
  std::string text = utf8_of(sql.View());
  if (!is_query(text)) {
    const std::string name = unbracketed(text);
    const std::string type = schema_type(db, name);
    if (type.empty())
      throw CDaoException(SQLITE_ERROR, "SQLite", cp1252_of("no such table: " + name));
    if (type == "view")
      text = "SELECT * FROM " + quoted(name);
    else
      table = name;
  }
  if (!table.empty()) {
    bool is_rowid = false;
    for (const std::string& k : table_key(db, table, table_columns(db, table), is_rowid))
      key.push_back(is_rowid ? k : quoted(k));
    source = quoted(table);
    delete_key = joined(key);
  } else {
    key = query_key(db, text, table);
    if (key.empty())
      throw_dao_error(DAO_ERROR_NOT_WALKABLE,
                      cp1252_of("the query does not select its table's key: " + text));
    source = "(" + text + ")";
    // The key's names in the table itself, for deletion.
    bool is_rowid = false;
    const std::vector<Column> columns = table_columns(db, table);
    std::vector<std::string> own;
    if (without_rowid(db, table)) {
      for (const std::string& k : table_key(db, table, columns, is_rowid)) own.push_back(quoted(k));
    } else {
      for (const Column& c : columns)
        if (c.pk == 1) own.push_back(quoted(c.name));
    }
    delete_key = joined(own);
  }
  const std::size_t k = key.size();
  const std::string keys = joined(key);
  const std::string ascending = joined(key, " ASC");
  const std::string descending = joined(key, " DESC");
  const std::string select = "SELECT " + keys + ", * FROM " + source;
  const std::string row_key = "(" + keys + ")";
  const std::string bound = "(" + parameters(1, k) + ")";
  const std::string offset = " LIMIT 1 OFFSET ?" + std::to_string(k + 1);
  walk->key_columns = k;
  walk->statements[first] = prepare(db, select + " ORDER BY " + ascending + " LIMIT 1 OFFSET ?1");
  walk->statements[last] = prepare(db, select + " ORDER BY " + descending + " LIMIT 1 OFFSET ?1");
  walk->statements[after] =
      prepare(db, select + " WHERE " + row_key + " > " + bound + " ORDER BY " + ascending + offset);
  walk->statements[after_many] =
      prepare(db, select + " WHERE " + row_key + " > " + bound + " ORDER BY " + ascending +
                      " LIMIT ?" + std::to_string(k + 1));
  walk->statements[before] = prepare(
      db, select + " WHERE " + row_key + " < " + bound + " ORDER BY " + descending + offset);
  walk->statements[at] = prepare(db, select + " WHERE " + row_key + " = " + bound);
  walk->statements[beyond] =
      prepare(db, "SELECT 1 FROM " + source + " WHERE " + row_key + " = " + bound + " AND " +
                      row_key + " > (" + parameters(k + 1, k) + ")");
  walk->statements[remove_one] =
      prepare(db, "DELETE FROM " + quoted(table) + " WHERE (" + delete_key + ") = " + bound);
  walk->statements[count_to] =
      prepare(db, "SELECT count(*) FROM " + source + " WHERE " + row_key + " <= " + bound);

  sqlite3_stmt* shape = walk->statements[first];
  for (int i = static_cast<int>(k); i < sqlite3_column_count(shape); ++i) {
    CDaoFieldInfo info;
    info.m_strName = cp1252_of(sqlite3_column_name(shape, i));
    info.m_nType = field_type(sqlite3_column_decltype(shape, i));
    const char* origin = sqlite3_column_origin_name(shape, i);
    const char* origin_table = sqlite3_column_table_name(shape, i);
    info.m_strSourceField = cp1252_of(origin != nullptr ? origin : "");
    info.m_strSourceTable = cp1252_of(origin_table != nullptr ? origin_table : "");
    walk->fields.push_back(info);
  }

  if (walk->run(first, nullptr, 0)) {
    walk->high = walk->key;
    walk->high_set = true;
    walk->count_known = true;
    walk->count = 1;
  } else {
    walk->empty_set();
  }
  m_walk = std::move(walk);
  m_strSQL = sql;
  m_pDatabase->Register(this);
}

void CDaoRecordset::Close() {
  if (!m_walk) return;
  m_walk.reset();
  if (m_pDatabase != nullptr) m_pDatabase->Unregister(this);
}

BOOL CDaoRecordset::IsOpen() const { return m_walk != nullptr; }

BOOL CDaoRecordset::IsBOF() const {
  if (!m_walk) dao_internal::throw_not_open();
  return m_walk->bof;
}

BOOL CDaoRecordset::IsEOF() const {
  if (!m_walk) dao_internal::throw_not_open();
  return m_walk->eof;
}

BOOL CDaoRecordset::IsDeleted() const { return m_walk && m_walk->on_record() && m_walk->deleted; }

void CDaoRecordset::MoveFirst() {
  if (!m_walk) dao_internal::throw_not_open();
  Walk& w = *m_walk;
  const Budget budget(w.db);
  w.forget_ahead();
  if (!w.run(first, nullptr, 0)) {
    w.empty_set();
    w.no_current_record();
  }
  if (!w.high_set) w.raise_high(false, 0);
}

void CDaoRecordset::MoveLast() {
  if (!m_walk) dao_internal::throw_not_open();
  Walk& w = *m_walk;
  const Budget budget(w.db);
  w.forget_ahead();
  if (!w.run(last, nullptr, 0)) {
    w.empty_set();
    w.no_current_record();
  }
  w.reached_last();
}

void CDaoRecordset::MoveNext() { Step(1); }

void CDaoRecordset::MovePrev() { Step(-1); }

void CDaoRecordset::Move(LONG lRows) { Step(lRows); }

void CDaoRecordset::Step(LONG lRows) {
  if (!m_walk) dao_internal::throw_not_open();
  Walk& w = *m_walk;
  const Budget budget(w.db);
  if (w.bof && w.eof) w.no_current_record();
  if (lRows != 1) w.forget_ahead();
  // From before the first record only forward, from after the last only
  // back, and only one step, as DAO allows.
  if ((w.eof && lRows != -1) || (w.bof && lRows != 1)) w.no_current_record();
  if (w.eof) {
    if (!w.run(last, nullptr, 0)) w.empty_set();
    return;
  }
  if (w.bof) {
    if (!w.run(first, nullptr, 0)) w.empty_set();
    return;
  }
  if (lRows == 0) {
    if (w.deleted || !w.run(at, &w.key, 0))
      throw_dao_error(DAO_ERROR_RECORD_DELETED, "Record is deleted.");
    return;
  }
  const bool from_high = w.high_set && w.key == w.high;
  if (lRows == 1 && ++w.steps_in_a_row > walk_steps) {
    if (w.next_ahead()) {
      if (from_high) {
        w.high = w.key;
        if (w.count_known) ++w.count;
      } else {
        w.pending = w.key;
        w.pending_set = true;
      }
      return;
    }
    // The end of the set: the plain step below finds it.
    w.forget_ahead();
  }
  const Row from = w.key;
  if (lRows > 0) {
    if (!w.run(after, &from, lRows - 1)) {
      // Stepping past the end reaches the last record on the way.
      if (w.run(last, nullptr, 0)) w.reached_last();
      w.key = from;
      w.to_end(false);
      return;
    }
    w.raise_high(from_high, lRows);
  } else if (!w.run(before, &from, -(lRows + 1))) {
    w.key = from;
    w.to_end(true);
  }
}

COleVariant CDaoRecordset::GetBookmark() {
  if (!m_walk) dao_internal::throw_not_open();
  if (!m_walk->on_record()) m_walk->no_current_record();
  if (m_walk->deleted) throw_dao_error(DAO_ERROR_RECORD_DELETED, "Record is deleted.");
  const std::vector<BYTE> bytes = encode_key(m_walk->key);
  return COleVariant(std::span<const BYTE>(bytes));
}

void CDaoRecordset::SetBookmark(COleVariant varBookmark) {
  if (!m_walk) dao_internal::throw_not_open();
  Walk& w = *m_walk;
  Row wanted;
  if (varBookmark.vt != (VT_ARRAY | VT_UI1) ||
      !decode_key(varBookmark.GetBytes(), w.key_columns, wanted))
    throw_dao_error(DAO_ERROR_NOT_A_BOOKMARK, "Not a valid bookmark.");
  w.forget_ahead();
  const Budget budget(w.db);
  if (w.run(at, &wanted, 0)) return;
  // Deleted since: the record after it stands in its place, or at the end
  // of the set the one before.
  if (w.run(after, &wanted, 0)) {
    w.raise_high(false, 0);
    return;
  }
  if (!w.run(before, &wanted, 0)) w.empty_set();
}

void CDaoRecordset::Delete() {
  if (!m_walk) dao_internal::throw_not_open();
  Walk& w = *m_walk;
  if (!w.on_record()) w.no_current_record();
  if (w.deleted) throw_dao_error(DAO_ERROR_RECORD_DELETED, "Record is deleted.");
  const Budget budget(w.db);
  w.forget_ahead();
  w.settle_pending();
  sqlite3_stmt* statement = w.statements[remove_one];
  sqlite3_reset(statement);
  int parameter = 1;
  for (const Cell& cell : w.key) bind_cell(statement, parameter++, cell);
  const int rc = sqlite3_step(statement);
  sqlite3_reset(statement);
  if (rc != SQLITE_DONE) throw_step_error(w.db, rc);
  w.deleted = true;
  if (w.count_known && w.count > 0) --w.count;
}

LONG CDaoRecordset::GetRecordCount() {
  if (!m_walk) dao_internal::throw_not_open();
  const Budget budget(m_walk->db);
  return m_walk->count_visited();
}

short CDaoRecordset::GetFieldCount() {
  if (!m_walk) dao_internal::throw_not_open();
  return static_cast<short>(m_walk->fields.size());
}

void CDaoRecordset::GetFieldInfo(int nIndex, CDaoFieldInfo& fieldinfo, DWORD) {
  if (!m_walk) dao_internal::throw_not_open();
  if (nIndex < 0 || static_cast<std::size_t>(nIndex) >= m_walk->fields.size()) {
    CString text;
    text.Format("Item not found in this collection: field %d.", nIndex);
    throw_dao_error(3265, text);
  }
  fieldinfo = m_walk->fields[static_cast<std::size_t>(nIndex)];
}

COleVariant CDaoRecordset::GetFieldValue(LPCTSTR lpszName) {
  COleVariant value;
  GetFieldValue(lpszName, value);
  return value;
}

COleVariant CDaoRecordset::GetFieldValue(int nIndex) {
  COleVariant value;
  GetFieldValue(nIndex, value);
  return value;
}

void CDaoRecordset::GetFieldValue(LPCTSTR lpszName, COleVariant& varValue) {
  if (!m_walk) dao_internal::throw_not_open();
  const std::vector<CDaoFieldInfo>& fields = m_walk->fields;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].m_strName.CompareNoCase(lpszName != nullptr ? lpszName : "") == 0) {
      GetFieldValue(static_cast<int>(i), varValue);
      return;
    }
  }
  CString text;
  text.Format("Item not found in this collection: %s.", lpszName != nullptr ? lpszName : "");
  throw_dao_error(3265, text);
}

void CDaoRecordset::GetFieldValue(int nIndex, COleVariant& varValue) {
  CDaoFieldInfo info;
  GetFieldInfo(nIndex, info);
  Walk& w = *m_walk;
  if (!w.on_record()) w.no_current_record();
  if (w.deleted) throw_dao_error(DAO_ERROR_RECORD_DELETED, "Record is deleted.");
  varValue = variant_of(w.values[static_cast<std::size_t>(nIndex)]);
}
