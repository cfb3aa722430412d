// What a file is without opening it: size, kind and last write time, through
// the Win32 call. Library code asks this instead of touching native paths.
#pragma once

#include "platform/export.h"
#include "platform/types.h"

// 100-nanosecond intervals since 1 January 1601 (UTC), as Win32 counts them.
struct KELM_EXPORT FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;

enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard, GetFileExMaxInfoLevel };

struct KELM_EXPORT WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
};

// Fills a WIN32_FILE_ATTRIBUTE_DATA for the file or folder at lpFileName
// (mapped by KelmNativePath). FALSE with GetLastError set when it cannot be
// read (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ...) or for another info
// level. Linux keeps no creation time: it is the last status change.
KELM_EXPORT BOOL GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                                      void* lpFileInformation);
