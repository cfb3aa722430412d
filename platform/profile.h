// Profile files (Win32's private profile calls over INI text files) and the
// host application object with MFC's profile functions.
//
// Profile files follow Windows' rules: section and key names compare without
// regard to ASCII case; values lose their leading and trailing blanks; a
// result that does not fit the caller's buffer is cut to it. A write rewrites
// the whole file atomically (temporary file, flush, rename), keeping every
// other section, key, comment and blank line as it was, so a crash leaves the
// old file or the new one, never a mix. File names go through KelmNativePath.
//
// As on Windows, a file once read is kept parsed, so reading every value of
// a file reads it once: it is read again when its identity, size or times
// change, after a write through these calls, and at each call while its last
// change is too recent for a further one to show in its times. So a change
// by another process is seen at the next call. The calls may be made from
// several threads at once.
#pragma once

#include "platform/export.h"
#include "platform/object.h"
#include "platform/registry.h"
#include "platform/string.h"
#include "platform/types.h"

using INT = int;

// The value's leading digits (decimal, or hexadecimal after "0x") with an
// optional sign, or nDefault when the key is missing or its value empty.
KELM_EXPORT UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault,
                                       LPCSTR lpFileName);
// Copies the value (or lpDefault) into lpReturnedString, cut to nSize - 1
// bytes and terminated; returns the bytes copied. A null lpKeyName lists the
// section's keys, a null lpAppName the file's sections, each terminated, the
// list ending in a second zero.
KELM_EXPORT DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                           LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);
// A null lpString deletes the key; a null lpKeyName deletes the section.
// Creates the file and the section when needed. FALSE on failure, with the
// reason in GetLastError().
KELM_EXPORT BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                            LPCSTR lpFileName);

// The host program's application object. Constructing one makes it the
// object AfxGetApp() returns (the last constructed, until it is destroyed).
//
// Profile values go to the registry under
// "Software\<m_pszRegistryKey>\<m_pszProfileName>\<section>" once the host
// has called SetRegistryKey; otherwise to the INI file m_pszProfileName
// (default "<application name>.INI" in the current folder), as MFC does.
class KELM_EXPORT CWinApp : public CObject {
 public:
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  ~CWinApp() override;

  // Chooses registry mode with this company key; the profile name becomes
  // the application name.
  void SetRegistryKey(LPCTSTR lpszRegistryKey);
  // Chooses INI mode with this file (not in MFC, where hosts assign
  // m_pszProfileName directly; that works here too).
  void SetProfileFile(LPCTSTR lpszFileName);

  UINT GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault);
  CString GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault = nullptr);
  BOOL WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue);
  // A null lpszValue deletes the entry; a null lpszEntry the whole section.
  BOOL WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue);

  // Registry mode: the open application key and section key (the caller
  // closes them with RegCloseKey); null in INI mode or on failure.
  HKEY GetAppRegistryKey();
  HKEY GetSectionKey(LPCTSTR lpszSection);

  // The message loop (platform/ui): PumpMessage takes and dispatches one
  // message, waiting for input when there is none, and returns FALSE on
  // WM_QUIT; OnIdle is called with 0, 1, 2, ... while the queue is empty,
  // until it returns FALSE (hosts override it for their idle work); Run
  // loops over both until WM_QUIT and returns its exit code.
  virtual BOOL PumpMessage();
  virtual BOOL OnIdle(LONG lCount);
  virtual int Run();

  LPCTSTR m_pszAppName;
  LPCTSTR m_pszRegistryKey = nullptr;
  LPCTSTR m_pszProfileName;

 private:
  CString m_strAppName;
  CString m_strRegistryKey;
  CString m_strProfileName;
};

// The host's application object, or nullptr when none exists.
KELM_EXPORT CWinApp* AfxGetApp();
