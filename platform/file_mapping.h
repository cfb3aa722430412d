// Read-only views of files in memory, with the Win32 calls: a mapping object
// made from an open file (CreateFileMappingA), views of it (MapViewOfFile,
// UnmapViewOfFile), the object closed with CloseHandle (handle.h). The calls
// may come from any thread.
//
// Unlike Win32:
// - The file is given by its CFile's descriptor (CFile::m_hFile), which is a
//   file's handle here. Only regular files map; a pipe, a terminal or a
//   device fails with ERROR_INVALID_HANDLE. Only PAGE_READONLY objects and
//   FILE_MAP_READ views, unnamed; anything else fails with
//   ERROR_INVALID_PARAMETER, as does a size beyond the file's. The object
//   holds the file open until CloseHandle; a view holds it until it is
//   unmapped.
// - A view is read in whole when it is made, and is followed in memory by at
//   least one zero byte: the bytes of its last, partial page are a copy taken
//   then, the rest of that page zeros, so that a reader may rely on a NUL
//   after the view whatever becomes of the file.
// - Windows refuses to shorten a file that has views; Linux does not, and
//   reading a page the file no longer holds would raise SIGBUS. Such a page
//   reads as zeros here instead: the first view installs a SIGBUS handler for
//   the process that puts a page of zeros in its place and marks the view,
//   and passes any other SIGBUS on to the handler there before (or to the
//   default action, which ends the process). KelmIsViewIntact tells whether
//   it happened; a reader asks once it is done with the bytes. A host that
//   later installs a SIGBUS handler of its own that does not pass signals on
//   takes that protection away.
// - At most 256 views at once; more fail with ERROR_NOT_ENOUGH_MEMORY.
#pragma once

#include "platform/error.h"
#include "platform/export.h"
#include "platform/handle.h"
#include "platform/types.h"

using SIZE_T = std::size_t;

inline constexpr DWORD PAGE_READONLY = 0x02;
inline constexpr DWORD FILE_MAP_READ = 0x0004;

// A view's offset is a multiple of this.
inline constexpr DWORD KELM_ALLOCATION_GRANULARITY = 0x10000;

// The object for the first dwMaximumSize bytes of the file (all of it when
// both words are 0), or null with GetLastError: ERROR_INVALID_HANDLE,
// ERROR_FILE_INVALID for an empty file, ERROR_INVALID_PARAMETER.
KELM_EXPORT HANDLE CreateFileMappingA(int hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes,
                                      DWORD flProtect, DWORD dwMaximumSizeHigh,
                                      DWORD dwMaximumSizeLow, LPCSTR lpName);

// A view of dwNumberOfBytesToMap bytes of the object from the offset (to the
// object's end when 0), or null with GetLastError: ERROR_INVALID_HANDLE,
// ERROR_MAPPED_ALIGNMENT for an offset that is not a multiple of
// KELM_ALLOCATION_GRANULARITY, ERROR_INVALID_PARAMETER for bytes beyond the
// object, ERROR_NOT_ENOUGH_MEMORY.
KELM_EXPORT LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess,
                                 DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow,
                                 SIZE_T dwNumberOfBytesToMap);

// FALSE with ERROR_INVALID_ADDRESS when lpBaseAddress is not a view's start.
KELM_EXPORT BOOL UnmapViewOfFile(LPCVOID lpBaseAddress);

// Whether every byte of the view has read as the file held it: FALSE once a
// page the file no longer held read as zeros, and (with
// ERROR_INVALID_ADDRESS) for an address that is not a view's start.
KELM_EXPORT BOOL KelmIsViewIntact(LPCVOID lpBaseAddress);
