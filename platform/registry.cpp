#include "platform/registry.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "platform/user_folders.h"

namespace {

// Long enough to ride out another process's burst of writes; past it a call
// fails rather than freezing the user interface.
constexpr auto busy_timeout = std::chrono::seconds(5);
// SQLite's own busy handler waits longer and longer between looks, up to
// 100 ms; a process writing steadily leaves only short gaps between its
// transactions, which such waits keep missing until the time-out. Looking
// every millisecond finds them.
constexpr auto busy_poll = std::chrono::milliseconds(1);
constexpr int schema_version = 1;

// Key ids are never reused (AUTOINCREMENT), so a handle to a deleted key can
// tell that its key is gone rather than find a newer key with its id. The
// predefined roots are rows with fixed ids under parent 0.
constexpr const char* schema_sql = R"sql(
CREATE TABLE keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE,
  UNIQUE(parent, name));
CREATE TABLE key_values(
  key_id INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key_id, name)) WITHOUT ROWID;
INSERT INTO keys(id, parent, name) VALUES
  (1, 0, 'HKEY_CLASSES_ROOT'), (2, 0, 'HKEY_CURRENT_USER'), (3, 0, 'HKEY_LOCAL_MACHINE');
PRAGMA user_version = 1;
)sql";

struct predefined_key {
  HKEY handle;
  sqlite3_int64 id;
};

const predefined_key predefined_keys[] = {
    {HKEY_CLASSES_ROOT, 1},
    {HKEY_CURRENT_USER, 2},
    {HKEY_LOCAL_MACHINE, 3},
};

enum statement_id {
  begin_write,
  commit_write,
  roll_back,
  find_child,
  add_child,
  find_key,
  find_any_child,
  remove_key,
  remove_key_values,
  find_value,
  store_value,
  remove_value,
  value_at,
  statement_count
};

// Storing a value keeps the name's spelling from when it was first written,
// as Windows does, rather than the spelling of the latest write.
constexpr std::array<const char*, statement_count> statement_sql = {
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "SELECT id FROM keys WHERE parent = ?1 AND name = ?2",
    "INSERT INTO keys(parent, name) VALUES (?1, ?2)",
    "SELECT 1 FROM keys WHERE id = ?1",
    "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    "DELETE FROM keys WHERE id = ?1",
    "DELETE FROM key_values WHERE key_id = ?1",
    "SELECT type, data FROM key_values WHERE key_id = ?1 AND name = ?2",
    "INSERT INTO key_values(key_id, name, type, data) VALUES (?1, ?2, ?3, ?4) "
    "ON CONFLICT(key_id, name) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM key_values WHERE key_id = ?1 AND name = ?2",
    "SELECT name, type, data FROM key_values WHERE key_id = ?1 ORDER BY name LIMIT 1 OFFSET ?2",
};

// One connection to one hive file, shared by every key opened in it by this
// process. The mutex makes one call at a time use the connection and its
// cached statements.
struct hive {
  hive() = default;
  hive(const hive&) = delete;
  hive& operator=(const hive&) = delete;
  ~hive() {
    // A connection inherited through fork() is the parent's: closing it here
    // could disturb the parent's locks, so the child leaves it alone.
    if (pid != getpid()) return;
    for (sqlite3_stmt* statement : statements) sqlite3_finalize(statement);
    sqlite3_close(db);
  }

  std::string path;
  sqlite3* db = nullptr;
  pid_t pid = getpid();
  std::mutex mutex;
  std::array<sqlite3_stmt*, statement_count> statements{};
};

}  // namespace

// What an HKEY points to. Handles are checked against the set of live ones
// before they are used, so a closed or made-up handle is refused, never read.
struct HKEY__ {
  std::shared_ptr<hive> store;
  sqlite3_int64 id;
  REGSAM access;
};

namespace {

struct registry_state {
  std::mutex mutex;
  // Chosen with KelmSetRegistryPath; empty for the default.
  std::string path;
  std::map<std::string, std::weak_ptr<hive>> hives;
  // Keeps the current hive open between calls through the predefined keys.
  std::shared_ptr<hive> current;
  std::unordered_set<const HKEY__*> handles;
};

// Never destroyed: a host may still use the registry from its own static
// destructors.
registry_state& state() {
  static registry_state* const s = new registry_state;
  return *s;
}

std::string registry_path(const registry_state& s) {
  if (!s.path.empty()) return s.path;
  return user_folders::config_home() + "/orvalis/registry.db";
}

bool is_busy(int rc) { return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED; }

LONG error_from_sqlite(int rc, LONG busy_error) {
  switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return busy_error;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return ERROR_BADDB;
    case SQLITE_CANTOPEN:
      return ERROR_CANTOPEN;
    case SQLITE_FULL:
      return ERROR_DISK_FULL;
    case SQLITE_NOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_TOOBIG:
      return ERROR_INVALID_PARAMETER;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

LONG read_error(int rc) { return error_from_sqlite(rc, ERROR_CANTREAD); }
LONG write_error(int rc) { return error_from_sqlite(rc, ERROR_CANTWRITE); }

// Creates the folders above the hive, readable by the user alone: the registry
// may hold what a user would not share.
bool make_parent_folders(const std::string& file) {
  for (auto slash = file.find('/', 1); slash != std::string::npos;
       slash = file.find('/', slash + 1)) {
    if (mkdir(file.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

int exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// SQLITE_OK when the file is empty or a hive of ours, with its schema
// version; else SQLITE_NOTADB: a database with tables of its own, or a schema
// newer than ours, is left as it is. Both facts are read in one statement, so
// at one moment: a process creating the schema meanwhile is never seen half
// done. Only reads, so nothing is written to a file that is not ours.
int check_hive(sqlite3* db, sqlite3_int64& version) {
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(
      db, "SELECT user_version, (SELECT count(*) FROM sqlite_schema) FROM pragma_user_version", -1,
      &statement, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(statement);
  if (rc == SQLITE_ROW) {
    version = sqlite3_column_int64(statement, 0);
    const bool empty = sqlite3_column_int64(statement, 1) == 0;
    rc = version == schema_version || (version == 0 && empty) ? SQLITE_OK : SQLITE_NOTADB;
  }
  sqlite3_finalize(statement);
  return rc;
}

// The schema is created under the write lock, after a second look: another
// process may have created it meanwhile.
int create_schema(sqlite3* db) {
  int rc = exec(db, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return rc;
  sqlite3_int64 version = 0;
  rc = check_hive(db, version);
  if (rc == SQLITE_OK && version == 0) rc = exec(db, schema_sql);
  if (rc == SQLITE_OK) rc = exec(db, "COMMIT");
  if (rc != SQLITE_OK) exec(db, "ROLLBACK");
  return rc;
}

int set_up_once(sqlite3* db) {
  sqlite3_int64 version = 0;
  int rc = check_hive(db, version);
  if (rc == SQLITE_OK) rc = exec(db, "PRAGMA journal_mode = WAL");
  if (rc == SQLITE_OK) rc = exec(db, "PRAGMA synchronous = FULL");
  if (rc != SQLITE_OK || version == schema_version) return rc;
  return create_schema(db);
}

// Counting looks rather than reading a clock: each look is quick, so the
// count bounds the wait closely enough.
int wait_when_busy(void*, int looks) {
  if (looks >= busy_timeout / busy_poll) return 0;
  std::this_thread::sleep_for(busy_poll);
  return 1;
}

// Turning a new hive to WAL takes a moment of exclusive access, and SQLite
// does not always wait for a process doing the same (it answers busy at
// once), so the whole set-up is tried again until the busy time-out is over.
int set_up(sqlite3* db) {
  sqlite3_busy_handler(db, wait_when_busy, nullptr);
  const auto deadline = std::chrono::steady_clock::now() + busy_timeout;
  for (;;) {
    const int rc = set_up_once(db);
    if (!is_busy(rc) || std::chrono::steady_clock::now() >= deadline) return rc;
    std::this_thread::sleep_for(busy_poll);
  }
}

LONG open_hive(const std::string& path, std::shared_ptr<hive>& result) {
  if (!make_parent_folders(path)) return ERROR_CANTOPEN;
  auto opened = std::make_shared<hive>();
  opened->path = path;
  int rc = sqlite3_open_v2(
      path.c_str(), &opened->db,
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE,
      nullptr);
  if (rc == SQLITE_OK) rc = set_up(opened->db);
  if (rc != SQLITE_OK) return error_from_sqlite(rc, ERROR_CANTOPEN);
  result = std::move(opened);
  return ERROR_SUCCESS;
}

// The hive of the current path, opened on first use. A hive opened before
// fork() belongs to the parent, and the child opens its own.
LONG current_hive(registry_state& s, std::shared_ptr<hive>& result) {
  const std::string path = registry_path(s);
  if (s.current != nullptr && s.current->path == path && s.current->pid == getpid()) {
    result = s.current;
    return ERROR_SUCCESS;
  }
  result = s.hives[path].lock();
  if (result == nullptr || result->pid != getpid()) {
    if (const LONG error = open_hive(path, result)) return error;
    s.hives[path] = result;
  }
  s.current = result;
  return ERROR_SUCCESS;
}

struct key_ref {
  std::shared_ptr<hive> store;
  sqlite3_int64 id = 0;
  REGSAM access = 0;
};

LONG resolve(HKEY hKey, key_ref& key) {
  registry_state& s = state();
  std::lock_guard lock(s.mutex);
  for (const auto& predefined : predefined_keys) {
    if (predefined.handle == hKey) {
      key.id = predefined.id;
      key.access = KEY_ALL_ACCESS;
      return current_hive(s, key.store);
    }
  }
  if (!s.handles.contains(hKey) || hKey->store->pid != getpid()) return ERROR_INVALID_HANDLE;
  key = {hKey->store, hKey->id, hKey->access};
  return ERROR_SUCCESS;
}

// A handle that must carry the rights a call needs, as Windows checks them.
LONG resolve_for(HKEY hKey, REGSAM needed, key_ref& key) {
  if (const LONG error = resolve(hKey, key)) return error;
  return (key.access & needed) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

HKEY new_handle(const key_ref& key) {
  auto* handle = new HKEY__{key.store, key.id, key.access};
  registry_state& s = state();
  std::lock_guard lock(s.mutex);
  s.handles.insert(handle);
  return handle;
}

bool is_predefined_id(sqlite3_int64 id) {
  for (const auto& predefined : predefined_keys)
    if (predefined.id == id) return true;
  return false;
}

// Key names in a "\"-separated path. Empty names, from a leading, trailing or
// doubled separator, are skipped: "\Software\\Quendra\" is "Software\Quendra".
std::vector<std::string_view> key_names(LPCSTR lpSubKey) {
  std::vector<std::string_view> names;
  std::string_view rest = lpSubKey == nullptr ? "" : lpSubKey;
  while (!rest.empty()) {
    const auto end = std::min(rest.find('\\'), rest.size());
    if (end > 0) names.push_back(rest.substr(0, end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return names;
}

// A cached statement, reset and unbound when the caller is done with it, so
// that no statement holds a read snapshot open between calls.
struct statement_reset {
  void operator()(sqlite3_stmt* statement) const {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
  }
};
using statement = std::unique_ptr<sqlite3_stmt, statement_reset>;

statement prepare(hive& h, statement_id id, int& rc) {
  sqlite3_stmt*& cached = h.statements[id];
  rc = SQLITE_OK;
  if (cached == nullptr)
    rc = sqlite3_prepare_v3(h.db, statement_sql[id], -1, SQLITE_PREPARE_PERSISTENT, &cached,
                            nullptr);
  return statement(rc == SQLITE_OK ? cached : nullptr);
}

void bind(sqlite3_stmt* s, int index, sqlite3_int64 value) { sqlite3_bind_int64(s, index, value); }

void bind(sqlite3_stmt* s, int index, std::string_view text) {
  sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

// Runs a statement for its first row: SQLITE_ROW with `row` called on it,
// SQLITE_DONE when there is none, or the error.
template <typename... Args>
int query(hive& h, statement_id id, const std::function<void(sqlite3_stmt*)>& row, Args... args) {
  int rc = SQLITE_OK;
  const statement s = prepare(h, id, rc);
  if (s == nullptr) return rc;
  int index = 0;
  (bind(s.get(), ++index, args), ...);
  rc = sqlite3_step(s.get());
  if (rc == SQLITE_ROW && row) row(s.get());
  return rc;
}

// Runs a statement that returns no rows: SQLITE_OK or the error.
template <typename... Args>
int run(hive& h, statement_id id, Args... args) {
  const int rc = query(h, id, nullptr, args...);
  return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
}

// SQLITE_ROW when the key exists, SQLITE_DONE when it does not, or the error.
int key_exists(hive& h, sqlite3_int64 id) { return query(h, find_key, nullptr, id); }

// `result`, unless the key a handle names has been deleted since it was
// opened (by this process or another): then ERROR_KEY_DELETED, as Windows
// answers. Checked where a call would otherwise find nothing or write into a
// key that is gone.
LONG unless_deleted(hive& h, sqlite3_int64 id, LONG result) {
  const int rc = key_exists(h, id);
  if (rc == SQLITE_ROW) return result;
  return rc == SQLITE_DONE ? ERROR_KEY_DELETED : read_error(rc);
}

// Follows `names` down from `id`; `found` counts the names found, and `id`
// is the last key found.
int walk(hive& h, const std::vector<std::string_view>& names, sqlite3_int64& id,
         std::size_t& found) {
  for (found = 0; found < names.size(); ++found) {
    const int rc = query(
        h, find_child, [&](sqlite3_stmt* s) { id = sqlite3_column_int64(s, 0); }, id, names[found]);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) return rc;
  }
  return SQLITE_OK;
}

// Runs `body` as one transaction. BEGIN IMMEDIATE takes the write lock first,
// so two processes never both read and then both try to write, a collision
// SQLite can only settle by failing one of them at once.
LONG write_transaction(hive& h, const std::function<LONG()>& body) {
  if (const int rc = run(h, begin_write); rc != SQLITE_OK) return write_error(rc);
  LONG error = body();
  if (error == ERROR_SUCCESS) {
    if (const int rc = run(h, commit_write); rc != SQLITE_OK) error = write_error(rc);
  }
  if (error != ERROR_SUCCESS) run(h, roll_back);
  return error;
}

// Copies a value out as RegQueryValueExA and RegEnumValueA do: the type
// always; the size alone when no buffer is given; ERROR_MORE_DATA with the
// size needed, leaving the buffer alone, when it is too small.
LONG copy_value(sqlite3_stmt* s, int column, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  const auto type = static_cast<DWORD>(sqlite3_column_int64(s, column));
  const void* data = sqlite3_column_blob(s, column + 1);
  const auto size = static_cast<DWORD>(sqlite3_column_bytes(s, column + 1));
  if (lpType != nullptr) *lpType = type;
  if (lpData != nullptr && *lpcbData < size) {
    *lpcbData = size;
    return ERROR_MORE_DATA;
  }
  if (lpData != nullptr && size > 0) std::memcpy(lpData, data, size);
  if (lpcbData != nullptr) *lpcbData = size;
  return ERROR_SUCCESS;
}

std::string_view value_name(LPCSTR lpValueName) {
  return lpValueName == nullptr ? "" : lpValueName;
}

}  // namespace

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  key_ref key;
  if (const LONG error = resolve(hKey, key)) return error;
  const auto names = key_names(lpSubKey);
  {
    std::lock_guard lock(key.store->mutex);
    sqlite3_int64 id = key.id;
    std::size_t found = 0;
    if (const int rc = walk(*key.store, names, id, found); rc != SQLITE_OK) return read_error(rc);
    if (found == 0) {
      const LONG not_found = names.empty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
      if (const LONG error = unless_deleted(*key.store, key.id, not_found)) return error;
    }
    if (found < names.size()) return ERROR_FILE_NOT_FOUND;
    key.id = id;
  }
  key.access = samDesired;
  *phkResult = new_handle(key);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                     LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  key_ref key;
  if (const LONG error = resolve(hKey, key)) return error;
  const auto names = key_names(lpSubKey);
  DWORD disposition = REG_OPENED_EXISTING_KEY;
  {
    hive& h = *key.store;
    std::lock_guard lock(h.mutex);
    sqlite3_int64 id = key.id;
    std::size_t found = 0;
    if (const int rc = walk(h, names, id, found); rc != SQLITE_OK) return read_error(rc);
    if (names.empty()) {
      if (const LONG error = unless_deleted(h, key.id, ERROR_SUCCESS)) return error;
    } else if (found < names.size()) {
      if (!(key.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
      // Looked at again under the write lock: another process may have
      // created or deleted keys since.
      const LONG error = write_transaction(h, [&]() -> LONG {
        if (const LONG gone = unless_deleted(h, key.id, ERROR_SUCCESS)) return gone;
        id = key.id;
        if (const int rc = walk(h, names, id, found); rc != SQLITE_OK) return write_error(rc);
        for (; found < names.size(); ++found) {
          if (const int rc = run(h, add_child, id, names[found]); rc != SQLITE_OK)
            return write_error(rc);
          id = sqlite3_last_insert_rowid(h.db);
          disposition = REG_CREATED_NEW_KEY;
        }
        return ERROR_SUCCESS;
      });
      if (error != ERROR_SUCCESS) return error;
    }
    key.id = id;
  }
  key.access = samDesired;
  *phkResult = new_handle(key);
  if (lpdwDisposition != nullptr) *lpdwDisposition = disposition;
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) {
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
    return ERROR_INVALID_PARAMETER;
  key_ref key;
  if (const LONG error = resolve_for(hKey, KEY_QUERY_VALUE, key)) return error;
  hive& h = *key.store;
  std::lock_guard lock(h.mutex);
  LONG error = ERROR_SUCCESS;
  const int rc = query(
      h, find_value, [&](sqlite3_stmt* s) { error = copy_value(s, 0, lpType, lpData, lpcbData); },
      key.id, value_name(lpValueName));
  if (rc == SQLITE_DONE) return unless_deleted(h, key.id, ERROR_FILE_NOT_FOUND);
  return rc == SQLITE_ROW ? error : read_error(rc);
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
  if (lpData == nullptr && cbData > 0) return ERROR_INVALID_PARAMETER;
  key_ref key;
  if (const LONG error = resolve_for(hKey, KEY_SET_VALUE, key)) return error;
  hive& h = *key.store;
  std::lock_guard lock(h.mutex);
  return write_transaction(h, [&]() -> LONG {
    if (const LONG gone = unless_deleted(h, key.id, ERROR_SUCCESS)) return gone;
    int rc = SQLITE_OK;
    const statement s = prepare(h, store_value, rc);
    if (s == nullptr) return write_error(rc);
    bind(s.get(), 1, key.id);
    bind(s.get(), 2, value_name(lpValueName));
    bind(s.get(), 3, sqlite3_int64{dwType});
    // An empty value is a zero-length blob, not NULL.
    sqlite3_bind_blob64(s.get(), 4, cbData > 0 ? lpData : reinterpret_cast<const BYTE*>(""), cbData,
                        SQLITE_STATIC);
    rc = sqlite3_step(s.get());
    return rc == SQLITE_DONE ? ERROR_SUCCESS : write_error(rc);
  });
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  key_ref key;
  if (const LONG error = resolve_for(hKey, KEY_SET_VALUE, key)) return error;
  hive& h = *key.store;
  std::lock_guard lock(h.mutex);
  return write_transaction(h, [&]() -> LONG {
    if (const int rc = run(h, remove_value, key.id, value_name(lpValueName)); rc != SQLITE_OK)
      return write_error(rc);
    if (sqlite3_changes(h.db) == 0) return unless_deleted(h, key.id, ERROR_FILE_NOT_FOUND);
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
  key_ref key;
  if (const LONG error = resolve(hKey, key)) return error;
  const auto names = key_names(lpSubKey);
  hive& h = *key.store;
  std::lock_guard lock(h.mutex);
  return write_transaction(h, [&]() -> LONG {
    if (const LONG gone = unless_deleted(h, key.id, ERROR_SUCCESS)) return gone;
    sqlite3_int64 id = key.id;
    std::size_t found = 0;
    if (const int rc = walk(h, names, id, found); rc != SQLITE_OK) return write_error(rc);
    if (found < names.size()) return ERROR_FILE_NOT_FOUND;
    if (is_predefined_id(id)) return ERROR_ACCESS_DENIED;
    const int children = query(h, find_any_child, nullptr, id);
    if (children == SQLITE_ROW) return ERROR_ACCESS_DENIED;
    if (children != SQLITE_DONE) return write_error(children);
    int rc = run(h, remove_key_values, id);
    if (rc == SQLITE_OK) rc = run(h, remove_key, id);
    return rc == SQLITE_OK ? ERROR_SUCCESS : write_error(rc);
  });
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
      (lpData != nullptr && lpcbData == nullptr))
    return ERROR_INVALID_PARAMETER;
  key_ref key;
  if (const LONG error = resolve_for(hKey, KEY_QUERY_VALUE, key)) return error;
  hive& h = *key.store;
  std::lock_guard lock(h.mutex);
  LONG error = ERROR_SUCCESS;
  // A name that does not fit leaves the caller's buffer and count alone, as
  // Windows does.
  const auto row = [&](sqlite3_stmt* s) {
    const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    const auto length = static_cast<DWORD>(sqlite3_column_bytes(s, 0));
    if (length >= *lpcchValueName) {
      error = ERROR_MORE_DATA;
      return;
    }
    // A hive from elsewhere may hold a value without a name (SQL NULL).
    if (name != nullptr) std::memcpy(lpValueName, name, length);
    lpValueName[length] = '\0';
    *lpcchValueName = length;
    error = copy_value(s, 1, lpType, lpData, lpcbData);
  };
  const int rc = query(h, value_at, row, key.id, sqlite3_int64{dwIndex});
  if (rc == SQLITE_DONE) return unless_deleted(h, key.id, ERROR_NO_MORE_ITEMS);
  return rc == SQLITE_ROW ? error : read_error(rc);
}

LONG RegCloseKey(HKEY hKey) {
  for (const auto& predefined : predefined_keys)
    if (predefined.handle == hKey) return ERROR_SUCCESS;
  registry_state& s = state();
  {
    std::lock_guard lock(s.mutex);
    if (s.handles.erase(hKey) == 0) return ERROR_INVALID_HANDLE;
  }
  // Outside the lock: the last key of a hive closes its connection.
  delete hKey;
  return ERROR_SUCCESS;
}

void KelmSetRegistryPath(LPCSTR lpszNativePath) {
  registry_state& s = state();
  // Released after the lock: when no key holds it, it closes its connection.
  std::shared_ptr<hive> previous;
  std::lock_guard lock(s.mutex);
  s.path = lpszNativePath == nullptr ? "" : lpszNativePath;
  previous = std::move(s.current);
}

CString KelmGetRegistryPath() {
  registry_state& s = state();
  std::lock_guard lock(s.mutex);
  return CString(registry_path(s));
}
