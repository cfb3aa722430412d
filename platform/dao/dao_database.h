// CDaoDatabase: one open database file, an SQLite database here, with DAO's
// interface. It owns its connection; recordsets opened on it are closed when
// it closes. One thread uses a database and its recordsets at a time.
//
// Failures throw CDaoException with SQLite's message: a file that is not a
// database, a file another connection keeps locked past the wait, SQL the
// engine refuses. A failed Open leaves the object closed and the file as it
// was: opening never writes.
#pragma once

#include <vector>

#include "platform/dao/dao_exception.h"
#include "platform/export.h"
#include "platform/object.h"
#include "platform/string.h"
#include "platform/types.h"

struct sqlite3;
class CDaoRecordset;

// Execute's options: failures always throw here, so only the names are kept.
inline constexpr int dbFailOnError = 0x80;
inline constexpr int dbDenyWrite = 0x1;
inline constexpr int dbSeeChanges = 0x200;

class KELM_EXPORT CDaoDatabase : public CObject {
 public:
  CDaoDatabase() = default;
  CDaoDatabase(const CDaoDatabase&) = delete;
  CDaoDatabase& operator=(const CDaoDatabase&) = delete;
  ~CDaoDatabase() override;

  // Opens an existing database file (a Windows or a native path). A missing
  // file is refused (DAO error 3024); bExclusive keeps other connections out
  // until Close; lpszConnect is not used.
  virtual void Open(LPCTSTR lpszName, BOOL bExclusive = FALSE, BOOL bReadOnly = FALSE,
                    LPCTSTR lpszConnect = "");
  // Makes a new, empty database file and opens it; an existing file is left
  // alone and refused (DAO error 3204). The locale and options are not used.
  virtual void Create(LPCTSTR lpszName, LPCTSTR lpszLocale = "", int dwOptions = 0);
  // Closes the recordsets still open on it, then the file. Never throws.
  virtual void Close();
  BOOL IsOpen() const { return m_db != nullptr; }
  BOOL CanUpdate() const { return IsOpen() && !m_bReadOnly; }
  CString GetName() const { return m_strName; }

  // Runs one or more SQL statements (Windows-1252 text; stored as UTF-8).
  void Execute(LPCTSTR lpszSQL, int nOptions = dbFailOnError);
  // The rows the last Execute inserted, changed or deleted.
  long GetRecordsAffected() const { return m_nRecordsAffected; }

 private:
  friend class CDaoRecordset;

  void OpenFile(LPCTSTR lpszName, int flags, BOOL bExclusive);
  void Register(CDaoRecordset* recordset);
  void Unregister(CDaoRecordset* recordset);

  sqlite3* m_db = nullptr;
  CString m_strName;
  BOOL m_bReadOnly = FALSE;
  long m_nRecordsAffected = 0;
  std::vector<CDaoRecordset*> m_recordsets;
};
