// CDaoRecordset: the records of a table or a query of a CDaoDatabase, one
// current record at a time, with DAO's moves, bookmarks and record count.
//
// The set is never read whole: the recordset walks its table's key (the
// rowid, or the primary key of a table without one), and each move is one
// indexed look-up of the next, previous, first or last key, so that it costs
// the same at a million records as at ten. Records come in key order. A
// query must select its table's key to be walked (a view or a SELECT over
// one table: the INTEGER PRIMARY KEY column, "rowid", or every primary-key
// column); any ORDER BY of its own gives way to key order.
//
// As DAO's: opening makes the first record current (IsBOF and IsEOF both
// true on an empty set); moving past either end leaves no current record;
// moving on from there, or any move on an empty set, throws (DAO error
// 3021). After Delete the deleted record stays current, without fields,
// until a move. GetRecordCount counts the records visited so far, which
// after the last one has been reached is all of them, less those this
// recordset deleted.
//
// Records that another connection deletes are simply not found: moves step
// over them, and a bookmark of one lands on the record after it (or before,
// at the end of the set). Bookmarks hold the record's key, so they survive
// any deletion of other records. Columns another connection adds are not
// among the fields; once one drops or renames a column, every move throws
// (SQLite's SQLITE_SCHEMA) until the recordset is opened again. A walk of
// many MoveNext calls reads the rows ahead of it in batches, one statement
// for many rows; rows read ahead are used for 20 ms at most, so a walk shows
// the table as it was a moment before at most. Text fields are the
// library's 8-bit text, read from and written as UTF-8. The recordset does
// not own its database, which must stay open while the recordset is used.
//
// A database file may come from anywhere, and a view in it may never end
// or yield more rows than any table holds. Each operation (Open, a move,
// SetBookmark, Delete, GetRecordCount) therefore gives up after one second
// of its thread's processor time and throws CDaoException with SQLite's
// SQLITE_INTERRUPT. A real table needs a small part of that (counting five
// million records takes a third of it); time waiting on the disk or for the
// processor does not count. A stopped Open leaves the
// recordset closed; a stopped move or count leaves it open on the record it
// was on, and the database goes on serving other statements.
#pragma once

#include <memory>
#include <vector>

#include "platform/dao/dao_database.h"
#include "platform/dao/dao_exception.h"
#include "platform/dao/ole_variant.h"
#include "platform/export.h"
#include "platform/object.h"
#include "platform/string.h"
#include "platform/types.h"

// Open types. Every type walks the live table here: a snapshot is not a copy.
inline constexpr int dbOpenTable = 1;
inline constexpr int dbOpenDynaset = 2;
inline constexpr int dbOpenSnapshot = 4;
inline constexpr int AFX_DAO_USE_DEFAULT_TYPE = -1;

// Field types, by the column's declared type as SQLite reads it.
inline constexpr short dbLong = 4;
inline constexpr short dbDouble = 7;
inline constexpr short dbText = 10;
inline constexpr short dbLongBinary = 11;

inline constexpr DWORD AFX_DAO_PRIMARY_INFO = 0x00000001;

struct CDaoFieldInfo {
  CString m_strName;
  short m_nType = 0;
  long m_lSize = 0;
  CString m_strSourceField;
  CString m_strSourceTable;
};

class KELM_EXPORT CDaoRecordset : public CObject {
 public:
  explicit CDaoRecordset(CDaoDatabase* pDatabase = nullptr);
  CDaoRecordset(const CDaoRecordset&) = delete;
  CDaoRecordset& operator=(const CDaoRecordset&) = delete;
  ~CDaoRecordset() override;

  // lpszSQL: a table's or a view's name (in brackets or not), or a SELECT;
  // null for GetDefaultSQL().
  virtual void Open(int nOpenType = AFX_DAO_USE_DEFAULT_TYPE, LPCTSTR lpszSQL = nullptr,
                    int nOptions = 0);
  // Never throws.
  virtual void Close();
  virtual CString GetDefaultSQL() { return CString(); }
  BOOL IsOpen() const;
  BOOL IsBOF() const;
  BOOL IsEOF() const;
  // Whether the current record is one this recordset deleted.
  BOOL IsDeleted() const;
  BOOL CanBookmark() const { return IsOpen(); }
  CString GetSQL() const { return m_strSQL; }

  virtual void MoveFirst();
  virtual void MoveLast();
  virtual void MoveNext();
  virtual void MovePrev();
  // lRows records on from the current one; 0 reads the current one again.
  virtual void Move(LONG lRows);

  COleVariant GetBookmark();
  void SetBookmark(COleVariant varBookmark);

  // Deletes the current record from its table.
  virtual void Delete();
  virtual LONG GetRecordCount();

  short GetFieldCount();
  void GetFieldInfo(int nIndex, CDaoFieldInfo& fieldinfo,
                    DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  // Field names are matched without regard to ASCII case; an unknown name
  // or index throws.
  COleVariant GetFieldValue(LPCTSTR lpszName);
  COleVariant GetFieldValue(int nIndex);
  void GetFieldValue(LPCTSTR lpszName, COleVariant& varValue);
  void GetFieldValue(int nIndex, COleVariant& varValue);

  CDaoDatabase* m_pDatabase;

 private:
  friend class CDaoDatabase;
  struct Walk;

  // Every move, whichever of the virtual moves asked for it.
  void Step(LONG lRows);

  std::unique_ptr<Walk> m_walk;
  CString m_strSQL;
};
