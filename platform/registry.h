// The Win32 registry calls over a real, shared store: one SQLite database per
// user (a hive), by default $XDG_CONFIG_HOME/orvalis/registry.db
// (~/.config/orvalis/registry.db without XDG_CONFIG_HOME).
//
// Key names compare without regard to ASCII case, as on Windows. Every write
// is one transaction in WAL mode with a busy time-out, so several processes
// can share the hive and a killed process loses nothing it wrote before it
// died. A value is stored with exactly the bytes given (a REG_SZ written
// without a terminator is read back without one). Calls return Win32 error
// codes (error.h) and never throw.
#pragma once

#include "platform/error.h"
#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(UINT_PTR{0x80000000});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(UINT_PTR{0x80000001});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(UINT_PTR{0x80000002});

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

// Access masks. A key opened without KEY_SET_VALUE refuses writes with
// ERROR_ACCESS_DENIED, as Windows does.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// A null or empty sub-key opens a new handle to hKey itself (how a copy gets
// a handle of its own).
KELM_EXPORT LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                               PHKEY phkResult);
KELM_EXPORT LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass,
                                 DWORD dwOptions, REGSAM samDesired,
                                 LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                                 LPDWORD lpdwDisposition);
// With lpData null, reports the type and size only. When *lpcbData is too
// small, returns ERROR_MORE_DATA with the needed size in *lpcbData.
KELM_EXPORT LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                  LPBYTE lpData, LPDWORD lpcbData);
KELM_EXPORT LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                                const BYTE* lpData, DWORD cbData);
KELM_EXPORT LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
// Deletes a sub-key that has no sub-keys of its own, with its values.
KELM_EXPORT LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
// The dwIndex-th value of the key, in a stable order; ERROR_NO_MORE_ITEMS past
// the last.
KELM_EXPORT LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                               LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
KELM_EXPORT LONG RegCloseKey(HKEY hKey);

// Chooses the hive file (a native path) for the calls that follow, e.g. a
// test's temporary folder; a null or empty path restores the default. Open
// keys keep working on the hive they were opened in.
KELM_EXPORT void KelmSetRegistryPath(LPCSTR lpszNativePath);
KELM_EXPORT CString KelmGetRegistryPath();
