#include "platform/dao/dao_exception.h"

namespace {

const char* afx_error_text(int error) {
  switch (error) {
    case AFX_DAO_ERROR_ENGINE_INITIALIZATION:
      return "the database engine could not be started";
    case AFX_DAO_ERROR_DFX_BIND:
      return "a field could not be bound";
    case AFX_DAO_ERROR_OBJECT_NOT_OPEN:
      return "the database or recordset is not open";
    default:
      return "database error";
  }
}

}  // namespace

CDaoException::CDaoException(long lErrorCode, LPCTSTR lpszSource, LPCTSTR lpszDescription,
                             int nAfxDaoError)
    : m_scode(E_FAIL), m_nAfxDaoError(nAfxDaoError) {
  m_errorInfo.m_lErrorCode = lErrorCode;
  m_errorInfo.m_strSource = lpszSource;
  m_errorInfo.m_strDescription = lpszDescription;
}

CDaoException::CDaoException(const CDaoException& other)
    : CException(other),
      m_scode(other.m_scode),
      m_nAfxDaoError(other.m_nAfxDaoError),
      m_errorInfo(other.m_errorInfo) {}

CDaoException& CDaoException::operator=(const CDaoException& other) {
  m_scode = other.m_scode;
  m_nAfxDaoError = other.m_nAfxDaoError;
  m_errorInfo = other.m_errorInfo;
  return *this;
}

CString CDaoException::Describe() const {
  if (!m_errorInfo.m_strDescription.IsEmpty()) return m_errorInfo.m_strDescription;
  return afx_error_text(m_nAfxDaoError);
}

void AfxThrowDaoException(int nAfxDaoError, SCODE scode) {
  CDaoException e(0, "", "", nAfxDaoError);
  e.m_scode = scode;
  throw e;
}
