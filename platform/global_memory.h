// Global memory blocks behind a handle, as Win32's clipboard takes its data:
// a caller allocates a block, locks it to reach its bytes, unlocks it, and
// hands the handle over (SetClipboardData) or frees it.
//
// Blocks are handles of the one table (handle.h), so a freed or foreign
// handle fails with ERROR_INVALID_HANDLE instead of reaching memory. Every
// block is movable in Win32's sense only by name: its bytes stay where they
// are, and GMEM_FIXED and GMEM_MOVEABLE differ in nothing but the handle
// being a handle either way. The bytes are zeroed on allocation.
#pragma once

#include "platform/export.h"
#include "platform/handle.h"
#include "platform/types.h"

using HGLOBAL = HANDLE;
using SIZE_T = std::size_t;

inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
inline constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

inline constexpr LONG ERROR_NOT_LOCKED = 158;

// A block of dwBytes bytes (at least one is kept, so a block of none still
// locks), or null with ERROR_NOT_ENOUGH_MEMORY.
KELM_EXPORT HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
// The block's bytes, counting one more lock; null for a handle that names
// no block.
KELM_EXPORT LPVOID GlobalLock(HGLOBAL hMem);
// Counts one lock less: nonzero while locks remain; 0 with NO_ERROR when
// this was the last, or with ERROR_NOT_LOCKED when there was none.
KELM_EXPORT BOOL GlobalUnlock(HGLOBAL hMem);
// The block's size as asked for; 0 for a handle that names none.
KELM_EXPORT SIZE_T GlobalSize(HGLOBAL hMem);
// Frees the block: null on success, else hMem back with the reason. The
// bytes a lock gave are gone with it.
KELM_EXPORT HGLOBAL GlobalFree(HGLOBAL hMem);
