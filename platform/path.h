// Windows paths on Linux. The library names files as Windows programs do
// ("C:\Program Files\Orvalis\Keyboard.kbd"); every file it opens goes through
// KelmNativePath first.
//
// "\" becomes "/"; a drive prefix "X:" maps to that drive's root folder, by
// default $XDG_DATA_HOME/orvalis/drive_x (~/.local/share/orvalis/drive_x
// without XDG_DATA_HOME); a native absolute path ("/home/...") and a relative
// path keep their place, with their separators turned.
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "platform/types.h"

KELM_EXPORT CString KelmNativePath(LPCSTR lpszPath);

// Maps drive letter `drive` (either case) to a native folder; a null or empty
// folder restores the default.
KELM_EXPORT void KelmSetDriveRoot(char drive, LPCSTR lpszNativeRoot);
KELM_EXPORT CString KelmGetDriveRoot(char drive);
