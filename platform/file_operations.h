// Copying files and making folders by Windows path, through the Win32 and
// shell calls; paths go through KelmNativePath. Library code calls these
// instead of touching native paths.
#pragma once

#include "platform/types.h"

struct SECURITY_ATTRIBUTES;

// Copies the file whole. With bFailIfExists non-zero an existing target is
// kept and the call fails with ERROR_FILE_EXISTS; otherwise the target is
// replaced. Unlike Windows, which writes into the target as it copies, the
// copy is written and synchronised beside the target ("<target>.XXXXXX") and
// then linked or renamed into place, so that a reader meets the old file or
// the whole copy, never a part of it. The copy takes the source's permission
// bits, as Windows copies the read-only attribute. FALSE with GetLastError
// when it fails; the target is then as it was and no copy is left beside it.
BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists);

// Makes the folder with every missing folder above it. ERROR_SUCCESS when it
// made the folder, ERROR_ALREADY_EXISTS when a folder was there already,
// ERROR_FILE_EXISTS when a file stands in its place, otherwise the reason
// (ERROR_PATH_NOT_FOUND when a file stands in the way above it,
// ERROR_ACCESS_DENIED, ...). hwnd and psa are not used.
int SHCreateDirectoryExA(HWND hwnd, LPCSTR pszPath, const SECURITY_ATTRIBUTES* psa);
