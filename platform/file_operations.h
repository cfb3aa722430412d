// Copying, moving, deleting and naming files and making folders by Windows
// path, through the Win32 and shell calls; paths go through KelmNativePath.
// Library code calls these instead of touching native paths.
#pragma once

#include "platform/export.h"
#include "platform/types.h"

struct SECURITY_ATTRIBUTES;

inline constexpr DWORD MAX_PATH = 260;
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x00000001;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x00000008;

// Copies the file whole. With bFailIfExists non-zero an existing target is
// kept and the call fails with ERROR_FILE_EXISTS; otherwise the target is
// replaced. Unlike Windows, which writes into the target as it copies, the
// copy is written and synchronised beside the target ("<target>.XXXXXX") and
// then linked or renamed into place, so that a reader meets the old file or
// the whole copy, never a part of it. The copy takes the source's permission
// bits, as Windows copies the read-only attribute. FALSE with GetLastError
// when it fails; the target is then as it was and no copy is left beside it.
KELM_EXPORT BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists);

// Makes the folder with every missing folder above it. ERROR_SUCCESS when it
// made the folder, ERROR_ALREADY_EXISTS when a folder was there already,
// ERROR_FILE_EXISTS when a file stands in its place, otherwise the reason
// (ERROR_PATH_NOT_FOUND when a file stands in the way above it,
// ERROR_ACCESS_DENIED, ...). hwnd and psa are not used.
KELM_EXPORT int SHCreateDirectoryExA(HWND hwnd, LPCSTR pszPath, const SECURITY_ATTRIBUTES* psa);

// Renames the file. An existing target is replaced with
// MOVEFILE_REPLACE_EXISTING, in one step (a reader meets the old file or the
// new one); without it the call fails with ERROR_ALREADY_EXISTS.
// MOVEFILE_WRITE_THROUGH returns only once the rename is on the disk. Other
// flags (moving across file systems, at the next boot) fail with
// ERROR_INVALID_PARAMETER. FALSE with GetLastError when it fails.
KELM_EXPORT BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags);

// Removes the file; FALSE with GetLastError (ERROR_FILE_NOT_FOUND, ...).
KELM_EXPORT BOOL DeleteFileA(LPCSTR lpFileName);

// Makes a new, empty file "<prefix><hex>.TMP" in the folder lpPathName, with
// the first three characters of the prefix and the lowest number from a
// starting point that no file has, and writes its path (the folder, a
// backslash, the name) to lpTempFileName, which holds MAX_PATH characters.
// With uUnique nonzero the name takes that number and no file is made, as in
// Windows. Returns the number, or 0 with GetLastError (ERROR_PATH_NOT_FOUND,
// ERROR_BUFFER_OVERFLOW for a path longer than MAX_PATH, ERROR_FILE_EXISTS
// when every number is taken, ...).
// Unlike Windows, a file made here is held (an exclusive flock on a
// descriptor kept open) until MoveFileExA or DeleteFileA takes it away or the
// process ends, and the call first removes the files of the same non-empty
// prefix in the folder that no process holds, with the SQLite journal of
// each: those a killed process left.
KELM_EXPORT UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                                  LPSTR lpTempFileName);
