// Win32 handles: the one CloseHandle for every kind of object the platform
// hands out behind a HANDLE (serial devices, file mappings, events), and the
// events that a caller waits on.
//
// A handle is a number in one table of the process and is never reused, so a
// stale or closed handle fails with ERROR_INVALID_HANDLE instead of reaching
// a new object. Handles may be used from several threads: a wait may be
// ended from another thread by SetEvent or by closing what it waits for.
#pragma once

#include "platform/error.h"
#include "platform/export.h"
#include "platform/types.h"

using HANDLE = void*;
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~UINT_PTR{0});

inline constexpr DWORD INFINITE = 0xFFFFFFFF;

// WaitForSingleObject.
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 0x102;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// Closes a serial device, a file mapping or an event. What waits on the
// object ends: a pending device operation with ERROR_OPERATION_ABORTED.
KELM_EXPORT BOOL CloseHandle(HANDLE hObject);

// Events: lpName must be null (no named events).
KELM_EXPORT HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                                BOOL bInitialState, LPCSTR lpName);
KELM_EXPORT BOOL SetEvent(HANDLE hEvent);
KELM_EXPORT BOOL ResetEvent(HANDLE hEvent);
// Events only: WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED with the reason.
// A wait on the event of a pending overlapped operation makes the
// operation's progress while it waits.
KELM_EXPORT DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
