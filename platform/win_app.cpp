#include "platform/profile.h"

#include <errno.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Constructed on first use, so that an application object defined at
// namespace scope (MFC's "theApp") finds the list built; it then outlives
// that object.
std::vector<CWinApp*>& live_apps() {
  static std::vector<CWinApp*> apps;
  return apps;
}

// MFC names an application after its executable when not told otherwise.
LPCTSTR default_app_name() { return program_invocation_short_name; }

constexpr REGSAM profile_access = KEY_READ | KEY_WRITE;

HKEY create_key(HKEY parent, LPCTSTR name) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, profile_access, nullptr,
                      &key, &disposition) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

// REG_DWORD is little-endian whatever the host.
void dword_bytes(DWORD value, BYTE* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
}

DWORD dword_value(const BYTE* bytes) {
  DWORD value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

// The value's text up to its first NUL, whether or not a terminator was
// stored; nothing when the value is missing or not a string.
bool query_string(HKEY key, LPCTSTR entry, CString* text) {
  DWORD type = 0;
  DWORD size = 0;
  LONG result = RegQueryValueExA(key, entry, nullptr, &type, nullptr, &size);
  std::vector<BYTE> bytes;
  // Another process may make the value longer between the two calls.
  while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
    if (type != REG_SZ) return false;
    bytes.resize(size + 1);
    size = static_cast<DWORD>(bytes.size());
    result = RegQueryValueExA(key, entry, nullptr, &type, bytes.data(), &size);
    if (result == ERROR_SUCCESS && type == REG_SZ) {
      const auto end = std::find(bytes.begin(), bytes.begin() + size, BYTE{0});
      *text =
          CString(reinterpret_cast<LPCSTR>(bytes.data()), static_cast<int>(end - bytes.begin()));
      return true;
    }
  }
  return false;
}

}  // namespace

CWinApp::CWinApp(LPCTSTR lpszAppName)
    : m_strAppName(lpszAppName != nullptr ? lpszAppName : default_app_name()) {
  m_strProfileName = m_strAppName + ".INI";
  m_pszAppName = m_strAppName;
  m_pszProfileName = m_strProfileName;
  live_apps().push_back(this);
}

CWinApp::~CWinApp() { std::erase(live_apps(), this); }

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey) {
  m_strRegistryKey = lpszRegistryKey;
  m_pszRegistryKey = lpszRegistryKey != nullptr ? static_cast<LPCTSTR>(m_strRegistryKey) : nullptr;
  m_strProfileName = m_pszAppName;
  m_pszProfileName = m_strProfileName;
}

void CWinApp::SetProfileFile(LPCTSTR lpszFileName) {
  m_pszRegistryKey = nullptr;
  m_strProfileName = lpszFileName;
  m_pszProfileName = m_strProfileName;
}

// MFC opens "Software" and expects it to exist; a new hive has none, so it
// is created like the keys below it.
HKEY CWinApp::GetAppRegistryKey() {
  if (m_pszRegistryKey == nullptr || m_pszProfileName == nullptr) return nullptr;
  HKEY software = create_key(HKEY_CURRENT_USER, "Software");
  if (software == nullptr) return nullptr;
  HKEY company = create_key(software, m_pszRegistryKey);
  RegCloseKey(software);
  if (company == nullptr) return nullptr;
  HKEY app = create_key(company, m_pszProfileName);
  RegCloseKey(company);
  return app;
}

// As MFC's, this creates the section key even when only reading.
HKEY CWinApp::GetSectionKey(LPCTSTR lpszSection) {
  HKEY app = GetAppRegistryKey();
  if (app == nullptr) return nullptr;
  HKEY section = create_key(app, lpszSection);
  RegCloseKey(app);
  return section;
}

UINT CWinApp::GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault) {
  if (m_pszRegistryKey == nullptr)
    return GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault, m_pszProfileName);
  HKEY key = GetSectionKey(lpszSection);
  if (key == nullptr) return static_cast<UINT>(nDefault);
  BYTE bytes[4] = {};
  DWORD type = 0;
  DWORD size = sizeof bytes;
  const LONG result = RegQueryValueExA(key, lpszEntry, nullptr, &type, bytes, &size);
  RegCloseKey(key);
  // MFC only asserts the type in debug builds and otherwise takes whatever
  // bytes a string left; a value that is not a DWORD reads as missing here.
  if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof bytes)
    return static_cast<UINT>(nDefault);
  return dword_value(bytes);
}

CString CWinApp::GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault) {
  if (m_pszRegistryKey == nullptr) {
    // MFC reads into 4096 bytes and loses the rest; the buffer grows here
    // until the whole value fits.
    std::vector<char> buffer(4096);
    for (;;) {
      const DWORD copied = GetPrivateProfileStringA(
          lpszSection, lpszEntry, lpszDefault == nullptr ? "" : lpszDefault, buffer.data(),
          static_cast<DWORD>(buffer.size()), m_pszProfileName);
      if (copied + 2 < buffer.size()) return CString(buffer.data());
      buffer.resize(buffer.size() * 2);
    }
  }
  HKEY key = GetSectionKey(lpszSection);
  if (key == nullptr) return lpszDefault;
  CString text;
  const bool found = query_string(key, lpszEntry, &text);
  RegCloseKey(key);
  return found ? text : CString(lpszDefault);
}

BOOL CWinApp::WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue) {
  if (m_pszRegistryKey == nullptr) {
    CString text;
    text.Format("%d", nValue);
    return WritePrivateProfileStringA(lpszSection, lpszEntry, text, m_pszProfileName);
  }
  HKEY key = GetSectionKey(lpszSection);
  if (key == nullptr) return FALSE;
  BYTE bytes[4];
  dword_bytes(static_cast<DWORD>(nValue), bytes);
  const LONG result = RegSetValueExA(key, lpszEntry, 0, REG_DWORD, bytes, sizeof bytes);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

BOOL CWinApp::WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue) {
  if (m_pszRegistryKey == nullptr)
    return WritePrivateProfileStringA(lpszSection, lpszEntry, lpszValue, m_pszProfileName);
  LONG result = ERROR_SUCCESS;
  if (lpszEntry == nullptr) {
    HKEY app = GetAppRegistryKey();
    if (app == nullptr) return FALSE;
    result = RegDeleteKeyA(app, lpszSection);
    RegCloseKey(app);
    return result == ERROR_SUCCESS;
  }
  HKEY key = GetSectionKey(lpszSection);
  if (key == nullptr) return FALSE;
  if (lpszValue == nullptr) {
    result = RegDeleteValueA(key, lpszEntry);
  } else {
    // With its terminator, as MFC stores a string.
    const auto size = static_cast<DWORD>(std::strlen(lpszValue) + 1);
    result =
        RegSetValueExA(key, lpszEntry, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpszValue), size);
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

CWinApp* AfxGetApp() { return live_apps().empty() ? nullptr : live_apps().back(); }
