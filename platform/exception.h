// The MFC exceptions that leave the platform layer: files and archives.
// They are thrown by value and caught by reference (MFC throws pointers and
// has callers Delete() them; here Delete() is kept only so such code compiles).
#pragma once

#include "platform/export.h"
#include "platform/object.h"
#include "platform/string.h"
#include "platform/types.h"

class KELM_EXPORT CException : public CObject {
 public:
  void Delete() {}
  // Writes a description of the failure into lpszError (at most nMaxError
  // bytes with the terminator); FALSE when there is nothing to say.
  virtual BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError,
                               UINT* pnHelpContext = nullptr) const;
  virtual CString Describe() const { return "unknown error"; }
};

class KELM_EXPORT CFileException : public CException {
 public:
  enum {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };

  explicit CFileException(int cause = none, LONG lOsError = -1, LPCTSTR lpszFileName = nullptr)
      : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName) {}

  // The cause that best fits a POSIX errno value.
  static int OsErrorToException(LONG lOsError);
  static void ThrowOsError(LONG lOsError, LPCTSTR lpszFileName = nullptr);
  CString Describe() const override;

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;
};

class KELM_EXPORT CArchiveException : public CException {
 public:
  enum { none, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };

  explicit CArchiveException(int cause = none, LPCTSTR lpszArchiveName = nullptr)
      : m_cause(cause), m_strFileName(lpszArchiveName) {}
  CString Describe() const override;

  int m_cause;
  CString m_strFileName;
};

[[noreturn]] KELM_EXPORT void AfxThrowFileException(int cause, LONG lOsError = -1,
                                                    LPCTSTR lpszFileName = nullptr);
[[noreturn]] KELM_EXPORT void AfxThrowArchiveException(int cause,
                                                       LPCTSTR lpszArchiveName = nullptr);
