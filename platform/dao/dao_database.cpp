#include "platform/dao/dao_database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/dao/dao_internal.h"
#include "platform/dao/dao_recordset.h"
#include "platform/path.h"

using dao_internal::throw_dao_error;
using dao_internal::throw_sqlite_error;
using dao_internal::utf8_of;

namespace {

// Long enough to ride out another process's write; past it the operation
// fails with SQLite's "database is locked" rather than freezing a view.
constexpr int busy_timeout_ms = 1000;

std::string native_path(LPCTSTR lpszName) { return std::string(KelmNativePath(lpszName).View()); }

}  // namespace

CDaoDatabase::~CDaoDatabase() { Close(); }

void CDaoDatabase::Open(LPCTSTR lpszName, BOOL bExclusive, BOOL bReadOnly, LPCTSTR) {
  Close();
  const std::string path = native_path(lpszName);
  if (access(path.c_str(), F_OK) != 0) {
    CString text;
    text.Format("Could not find file '%s'.", lpszName);
    throw_dao_error(DAO_ERROR_FILE_NOT_FOUND, text);
  }
  m_bReadOnly = bReadOnly;
  OpenFile(lpszName, bReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, bExclusive);
}

void CDaoDatabase::Create(LPCTSTR lpszName, LPCTSTR, int) {
  Close();
  const std::string path = native_path(lpszName);
  // Made here, exclusively, so that an existing file is never taken over.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    CString text;
    if (errno == EEXIST) {
      text.Format("Database '%s' already exists.", lpszName);
      throw_dao_error(DAO_ERROR_DATABASE_EXISTS, text);
    }
    text.Format("%s: cannot create the file", lpszName);
    throw_dao_error(0, text);
  }
  ::close(fd);
  m_bReadOnly = FALSE;
  try {
    OpenFile(lpszName, SQLITE_OPEN_READWRITE, FALSE);
  } catch (const CDaoException&) {
    ::unlink(path.c_str());
    throw;
  }
}

void CDaoDatabase::OpenFile(LPCTSTR lpszName, int flags, BOOL bExclusive) {
  const std::string path = native_path(lpszName);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, busy_timeout_ms);
    if (bExclusive)
      rc = sqlite3_exec(db, "PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr);
  }
  // SQLite reads nothing until asked: one read of the schema finds a file
  // that is not a database, or one that another connection keeps locked,
  // before the caller is told that it is open.
  if (rc == SQLITE_OK)
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    try {
      throw_sqlite_error(db, rc, lpszName);
    } catch (...) {
      sqlite3_close_v2(db);
      throw;
    }
  }
  m_db = db;
  m_strName = lpszName;
}

void CDaoDatabase::Close() {
  while (!m_recordsets.empty()) m_recordsets.back()->Close();
  if (m_db != nullptr) sqlite3_close_v2(m_db);
  m_db = nullptr;
  m_strName.Empty();
  m_nRecordsAffected = 0;
}

void CDaoDatabase::Execute(LPCTSTR lpszSQL, int) {
  if (m_db == nullptr) dao_internal::throw_not_open();
  const int before = sqlite3_total_changes(m_db);
  const int rc = sqlite3_exec(m_db, utf8_of(lpszSQL != nullptr ? lpszSQL : "").c_str(), nullptr,
                              nullptr, nullptr);
  m_nRecordsAffected = sqlite3_total_changes(m_db) - before;
  if (rc != SQLITE_OK) throw_sqlite_error(m_db, rc, m_strName.View());
}

void CDaoDatabase::Register(CDaoRecordset* recordset) { m_recordsets.push_back(recordset); }

void CDaoDatabase::Unregister(CDaoRecordset* recordset) {
  m_recordsets.erase(std::remove(m_recordsets.begin(), m_recordsets.end(), recordset),
                     m_recordsets.end());
}
