// The clipboard, for text: the Win32 calls a program copies and pastes with,
// and the edit controls' WM_COPY, WM_CUT and WM_PASTE through them.
//
// The process keeps what is placed on it, in each format, until the next
// EmptyClipboard. Text (CF_TEXT, Windows-1252 up to its first NUL) also goes
// to the active front end's system clipboard when it has one
// (KelmFrontEnd::PutClipboardText), and is read from there first
// (GetClipboardText), so that a desktop's other programs exchange text with
// ours; a front end without one leaves the process's copy as the clipboard.
//
// As in Win32, one window at a time has the clipboard open: OpenClipboard,
// EmptyClipboard to take it over, SetClipboardData to hand over a global
// memory block (global_memory.h) that the clipboard then owns, and
// CloseClipboard. GetClipboardData's block stays the clipboard's: read it
// while the clipboard is open, and neither free it nor leave it locked.
// User-interface thread only.
#pragma once

#include "platform/export.h"
#include "platform/global_memory.h"
#include "platform/ui/win_user.h"

inline constexpr UINT CF_TEXT = 1;

inline constexpr LONG ERROR_CLIPBOARD_NOT_OPEN = 1418;

// Opens the clipboard for hWndNewOwner (may be null). FALSE with
// ERROR_ACCESS_DENIED while another window has it open.
KELM_EXPORT BOOL OpenClipboard(HWND hWndNewOwner);
// Frees what the clipboard holds and makes the window that opened it its
// owner; opened by no window, the clipboard then has no owner and
// SetClipboardData fails, as Win32 documents. FALSE with
// ERROR_CLIPBOARD_NOT_OPEN when not open.
KELM_EXPORT BOOL EmptyClipboard();
// Places hMem, a GlobalAlloc block, on the clipboard as uFormat, replacing
// (and freeing) what that format held; the handle on success, null with the
// reason otherwise: the clipboard is not open (ERROR_CLIPBOARD_NOT_OPEN), has
// no owner (ERROR_ACCESS_DENIED), or hMem is no block (ERROR_INVALID_HANDLE;
// rendering on request is not kept).
KELM_EXPORT HANDLE SetClipboardData(UINT uFormat, HANDLE hMem);
// The clipboard's block of uFormat, or null: not open
// (ERROR_CLIPBOARD_NOT_OPEN), or nothing in that format.
KELM_EXPORT HANDLE GetClipboardData(UINT uFormat);
// Whether the clipboard holds uFormat; it need not be open.
KELM_EXPORT BOOL IsClipboardFormatAvailable(UINT format);
// FALSE with ERROR_CLIPBOARD_NOT_OPEN when not open.
KELM_EXPORT BOOL CloseClipboard();
