// COrvalisData: the suite-wide settings kept in the registry key
// "Software\Quendra\Orvalis" under HKEY_CURRENT_USER (the folders the programs
// work in, the keyboard file, the Grandjean switch, build and diagnostic
// numbers), plus the editor's usage profile under that program's own key.
//
// Every call goes to the registry; nothing is cached, so two objects on the
// key see each other's writes and the last writer wins. No call reports an
// error: a value that is missing or cannot be read gives its default, and a
// write that fails (a key opened with the default KEY_READ, say) is dropped.
// Strings are stored without a terminating zero and read back by byte count.
//
// Each object owns its key handle, copies included: a copy opens a handle of
// its own, so destroying one never closes a key that another still uses.
// One thread per object.
#pragma once

#include "platform/export.h"
#include "platform/registry.h"
#include "platform/string.h"
#include "platform/types.h"

class KELM_EXPORT COrvalisData {
 public:
  // Opens the product key with the given access, creating it when it does
  // not exist yet.
  explicit COrvalisData(DWORD access = KEY_READ);
  // With create FALSE a missing key stays missing and every getter gives its
  // default: for readers that must leave the registry as they found it.
  COrvalisData(DWORD access, BOOL create);
  COrvalisData(const COrvalisData& other);
  COrvalisData& operator=(const COrvalisData& other);
  virtual ~COrvalisData();

  CString GetDictionaryDir();
  CString GetProgramDir();
  CString GetTranscriptDir();
  // Defaults to GetProgramDir().
  CString GetUserDir();
  // Defaults to GetUserDir() + "\Keyboard.kbd".
  CString GetKeyboardFile();
  void SetDictionaryDir(CString dir);
  void SetProgramDir(CString dir);
  void SetTranscriptDir(CString dir);
  void SetUserDir(CString dir);
  void SetKeyboardFile(CString file);

  // 0 when unreadable, except GetPatch: 0xFFFFFFFF.
  DWORD GetSpellCheckDictEntry();
  DWORD GetGrandJean();
  DWORD GetBuild();
  DWORD GetPatch();
  DWORD GetDebugMode();
  void SetSpellCheckDictEntry(int entry);
  void SetGrandJean(int grandJean);
  void SetBuild(DWORD build);
  void SetPatch(DWORD patch);
  void SetDebugMode(DWORD mode);

  // The editor's "UsageProfile". UsageProfileExists creates nothing;
  // SetUsageProfile and GetUsageProfile create the editor's options key when
  // it is missing. GetUsageProfile gives deflt when the value is missing.
  static BOOL UsageProfileExists();
  static void SetUsageProfile(DWORD profile);
  static DWORD GetUsageProfile(DWORD deflt);

  // The maker's support address ("mailto:") and web site links.
  static CString m_strEMail;
  static CString m_strWebsite;

 private:
  // Fills `value` from the named string value; FALSE when it cannot be read.
  BOOL QueryString(LPCSTR name);
  void WriteString(LPCSTR name, const CString& text);
  DWORD ReadDword(LPCSTR name, DWORD deflt);
  void WriteDword(LPCSTR name, DWORD number);
  void OpenHandleOf(const COrvalisData& other);
  void Close();

  BOOL open = FALSE;
  DWORD cbData = 0;
  CString buffer;
  DWORD type = REG_NONE;
  HKEY key = nullptr;
  CString value;
  // Remembered so that a copy opens its handle with the same rights.
  DWORD access;
};
