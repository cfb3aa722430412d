// CDaoException: what the DAO classes throw when the database refuses an
// operation. Its error information carries the engine's own code and text:
// SQLite's extended result code and message for the engine's failures, DAO's
// numbers and wording for the recordset's own (no current record, a deleted
// record, a bookmark that is not one). Thrown by value, caught by reference.
#pragma once

#include "platform/exception.h"
#include "platform/export.h"
#include "platform/stream.h"
#include "platform/string.h"
#include "platform/types.h"

// S_OK and E_FAIL are COM's, with the stream's HRESULTs.
using SCODE = HRESULT;

// m_nAfxDaoError: a failure found by the classes rather than by the engine.
inline constexpr int NO_AFX_DAO_ERROR = 0;
inline constexpr int AFX_DAO_ERROR_ENGINE_INITIALIZATION = 1;
inline constexpr int AFX_DAO_ERROR_DFX_BIND = 2;
inline constexpr int AFX_DAO_ERROR_OBJECT_NOT_OPEN = 3;

// DAO's numbers for the recordset's own refusals.
inline constexpr long DAO_ERROR_NO_CURRENT_RECORD = 3021;
inline constexpr long DAO_ERROR_FILE_NOT_FOUND = 3024;
inline constexpr long DAO_ERROR_NOT_A_BOOKMARK = 3159;
inline constexpr long DAO_ERROR_RECORD_DELETED = 3167;
inline constexpr long DAO_ERROR_DATABASE_EXISTS = 3204;
inline constexpr long DAO_ERROR_NOT_WALKABLE = 3251;

struct CDaoErrorInfo {
  long m_lErrorCode = 0;
  CString m_strSource;
  CString m_strDescription;
  CString m_strHelpFile;
  long m_lHelpContext = 0;
};

class KELM_EXPORT CDaoException : public CException {
 public:
  CDaoException() = default;
  CDaoException(long lErrorCode, LPCTSTR lpszSource, LPCTSTR lpszDescription,
                int nAfxDaoError = NO_AFX_DAO_ERROR);
  CDaoException(const CDaoException& other);
  CDaoException& operator=(const CDaoException& other);

  // One error per exception here; GetErrorInfo(0) leaves it in m_pErrorInfo.
  short GetErrorCount() const { return 1; }
  void GetErrorInfo(int) {}
  CString Describe() const override;

  // Points at this exception's own error information.
  CDaoErrorInfo* m_pErrorInfo = &m_errorInfo;
  SCODE m_scode = S_OK;
  int m_nAfxDaoError = NO_AFX_DAO_ERROR;

 private:
  CDaoErrorInfo m_errorInfo;
};

[[noreturn]] KELM_EXPORT void AfxThrowDaoException(int nAfxDaoError = NO_AFX_DAO_ERROR,
                                                   SCODE scode = S_OK);
