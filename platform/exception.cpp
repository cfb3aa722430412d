#include "platform/exception.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

const char* file_cause_text(int cause) {
  switch (cause) {
    case CFileException::none:
      return "no error";
    case CFileException::fileNotFound:
      return "file not found";
    case CFileException::badPath:
      return "bad path";
    case CFileException::tooManyOpenFiles:
      return "too many open files";
    case CFileException::accessDenied:
      return "access denied";
    case CFileException::invalidFile:
      return "invalid file";
    case CFileException::removeCurrentDir:
      return "cannot remove the current directory";
    case CFileException::directoryFull:
      return "directory full";
    case CFileException::badSeek:
      return "bad seek";
    case CFileException::hardIO:
      return "hardware input/output error";
    case CFileException::sharingViolation:
      return "sharing violation";
    case CFileException::lockViolation:
      return "lock violation";
    case CFileException::diskFull:
      return "disk full";
    case CFileException::endOfFile:
      return "end of file";
    default:
      return "file error";
  }
}

const char* archive_cause_text(int cause) {
  switch (cause) {
    case CArchiveException::none:
      return "no error";
    case CArchiveException::readOnly:
      return "archive is loading, cannot store";
    case CArchiveException::endOfFile:
      return "unexpected end of archive";
    case CArchiveException::writeOnly:
      return "archive is storing, cannot load";
    case CArchiveException::badIndex:
      return "bad index in archive";
    case CArchiveException::badClass:
      return "bad class in archive";
    case CArchiveException::badSchema:
      return "bad schema in archive";
    default:
      return "archive error";
  }
}

CString with_name(const char* text, const CString& name) {
  CString result(text);
  if (!name.IsEmpty()) result += ": " + name;
  return result;
}

}  // namespace

BOOL CException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
  if (pnHelpContext != nullptr) *pnHelpContext = 0;
  if (lpszError == nullptr || nMaxError == 0) return FALSE;
  const CString text = Describe();
  const size_t count = std::min(static_cast<size_t>(text.GetLength()), size_t{nMaxError} - 1);
  std::memcpy(lpszError, text.GetString(), count);
  lpszError[count] = '\0';
  return text.IsEmpty() ? FALSE : TRUE;
}

int CFileException::OsErrorToException(LONG lOsError) {
  switch (lOsError) {
    case 0:
      return none;
    case ENOENT:
      return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
      return badPath;
    case EMFILE:
    case ENFILE:
      return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
      return accessDenied;
    case EBADF:
      return invalidFile;
    case ENOSPC:
    case EDQUOT:
      return diskFull;
    case EIO:
      return hardIO;
    case ESPIPE:
    case EINVAL:
      return badSeek;
    default:
      return genericException;
  }
}

void CFileException::ThrowOsError(LONG lOsError, LPCTSTR lpszFileName) {
  if (lOsError != 0) AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

CString CFileException::Describe() const {
  CString text = with_name(file_cause_text(m_cause), m_strFileName);
  if (m_lOsError > 0) {
    text += " (";
    text += std::strerror(m_lOsError);
    text += ")";
  }
  return text;
}

CString CArchiveException::Describe() const {
  return with_name(archive_cause_text(m_cause), m_strFileName);
}

void AfxThrowFileException(int cause, LONG lOsError, LPCTSTR lpszFileName) {
  throw CFileException(cause, lOsError, lpszFileName);
}

void AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName) {
  throw CArchiveException(cause, lpszArchiveName);
}
