// The Win32 communications calls over Linux terminals: CreateFileA for serial
// devices, the device-control block, time-outs, overlapped reads and writes,
// comm events, purging and modem lines.
//
// Device names: "\\.\COMn" is looked up in the port table, the REG_SZ value
// "COMn" under HKEY_CURRENT_USER\Software\Quendra\Orvalis\Ports (a device path
// such as /dev/serial/by-id/usb-... or /dev/ttyUSB0), and is /dev/ttyS<n-1>
// when the table has no such value; "\\.\" followed by an absolute path opens
// that path, and by another name opens it under /dev. Only terminals open.
// No sharing: a device that a handle holds open refuses a second open, from
// this process or another, with ERROR_ACCESS_DENIED.
//
// Time-outs have their Win32 meaning and run on a monotonic clock. A read
// that times out succeeds with the bytes it has (perhaps none). A device that
// disappears (the cable pulled, a pseudo-terminal's master closed) ends the
// call waiting on it and every later call on the handle with a failure and
// ERROR_DEVICE_NOT_CONNECTED; no call hangs on it.
//
// Overlapped operations make their progress while the caller waits for them
// (GetOverlappedResult, WaitForSingleObject on their event): a pending read
// takes bytes off the device only then. As on Windows, the OVERLAPPED and the
// buffer stay the caller's until the operation completes; CloseHandle and
// PurgeComm's abort flags complete pending operations with
// ERROR_OPERATION_ABORTED.
//
// Handles are safe to use from several threads: a wait may be ended from
// another thread by SetCommMask, PurgeComm, SetEvent or CloseHandle. The
// handles, CloseHandle and the events are the platform's own (handle.h).
#pragma once

#include "platform/error.h"
#include "platform/export.h"
#include "platform/handle.h"
#include "platform/types.h"

using LPDWORD = DWORD*;
using ULONG_PTR = std::uintptr_t;

inline constexpr DWORD MAXDWORD = 0xFFFFFFFF;

inline constexpr LONG ERROR_OPERATION_ABORTED = 995;
inline constexpr LONG ERROR_IO_INCOMPLETE = 996;
inline constexpr LONG ERROR_IO_PENDING = 997;
inline constexpr LONG ERROR_DEVICE_NOT_CONNECTED = 1167;

// CreateFileA.
inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;

struct OVERLAPPED {
  ULONG_PTR Internal;
  ULONG_PTR InternalHigh;
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
};
using LPOVERLAPPED = OVERLAPPED*;

// DCB: the line settings.
inline constexpr BYTE NOPARITY = 0;
inline constexpr BYTE ODDPARITY = 1;
inline constexpr BYTE EVENPARITY = 2;
inline constexpr BYTE MARKPARITY = 3;
inline constexpr BYTE SPACEPARITY = 4;
inline constexpr BYTE ONESTOPBIT = 0;
inline constexpr BYTE ONE5STOPBITS = 1;
inline constexpr BYTE TWOSTOPBITS = 2;
inline constexpr DWORD DTR_CONTROL_DISABLE = 0;
inline constexpr DWORD DTR_CONTROL_ENABLE = 1;
inline constexpr DWORD DTR_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_DISABLE = 0;
inline constexpr DWORD RTS_CONTROL_ENABLE = 1;
inline constexpr DWORD RTS_CONTROL_HANDSHAKE = 2;
inline constexpr DWORD RTS_CONTROL_TOGGLE = 3;

struct DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
};
using LPDCB = DCB*;

struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
};
using LPCOMMTIMEOUTS = COMMTIMEOUTS*;

// Comm events. Every Win32 event bit is accepted in a mask; EV_RXCHAR is the
// one reported.
inline constexpr DWORD EV_RXCHAR = 0x0001;
inline constexpr DWORD EV_RXFLAG = 0x0002;
inline constexpr DWORD EV_TXEMPTY = 0x0004;
inline constexpr DWORD EV_CTS = 0x0008;
inline constexpr DWORD EV_DSR = 0x0010;
inline constexpr DWORD EV_RLSD = 0x0020;
inline constexpr DWORD EV_BREAK = 0x0040;
inline constexpr DWORD EV_ERR = 0x0080;
inline constexpr DWORD EV_RING = 0x0100;

inline constexpr DWORD PURGE_TXABORT = 0x0001;
inline constexpr DWORD PURGE_RXABORT = 0x0002;
inline constexpr DWORD PURGE_TXCLEAR = 0x0004;
inline constexpr DWORD PURGE_RXCLEAR = 0x0008;

inline constexpr DWORD SETXOFF = 1;
inline constexpr DWORD SETXON = 2;
inline constexpr DWORD SETRTS = 3;
inline constexpr DWORD CLRRTS = 4;
inline constexpr DWORD SETDTR = 5;
inline constexpr DWORD CLRDTR = 6;
inline constexpr DWORD SETBREAK = 8;
inline constexpr DWORD CLRBREAK = 9;

// Opens a communications device (see the names above). dwShareMode must be 0
// and dwCreationDisposition OPEN_EXISTING, as Windows requires of devices.
// INVALID_HANDLE_VALUE on failure: ERROR_FILE_NOT_FOUND for a device that is
// not there or is no terminal, ERROR_ACCESS_DENIED for one in use,
// ERROR_INVALID_NAME for a name that is no device name.
KELM_EXPORT HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                               LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                               DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                               HANDLE hTemplateFile);
KELM_EXPORT BOOL GetCommState(HANDLE hFile, LPDCB lpDCB);
// Fails with ERROR_INVALID_PARAMETER for settings the terminal cannot take (a
// baud rate termios lacks, 1.5 stop bits beside more than 5 data bits, ...).
KELM_EXPORT BOOL SetCommState(HANDLE hFile, LPDCB lpDCB);
// Fills the block from "baud=9600 parity=N data=8 stop=1" (with to=, xon=,
// odsr=, octs=, dtr=, rts=, idsr=) or "9600,n,8,1" (with ",x" or ",p"),
// optionally after a device name such as "COM1:". Fields the text leaves out
// keep their values. FALSE with ERROR_INVALID_PARAMETER for anything else.
KELM_EXPORT BOOL BuildCommDCBA(LPCSTR lpDef, LPDCB lpDCB);

KELM_EXPORT BOOL GetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts);
KELM_EXPORT BOOL SetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts);

// On an overlapped handle: TRUE when done at once; else FALSE with
// ERROR_IO_PENDING and the result comes through GetOverlappedResult.
KELM_EXPORT BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                          LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);
KELM_EXPORT BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                           LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
// Without bWait, FALSE with ERROR_IO_INCOMPLETE while the operation runs.
KELM_EXPORT BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped,
                                     LPDWORD lpNumberOfBytesTransferred, BOOL bWait);

KELM_EXPORT BOOL GetCommMask(HANDLE hFile, LPDWORD lpEvtMask);
// Ends a pending WaitCommEvent, which then reports no events.
KELM_EXPORT BOOL SetCommMask(HANDLE hFile, DWORD dwEvtMask);
// EV_RXCHAR is reported while input waits to be read. Unlike Windows, which
// counts only characters that arrive after the mask is set, a character
// already waiting counts too, so that a caller never sleeps beside unread input.
KELM_EXPORT BOOL WaitCommEvent(HANDLE hFile, LPDWORD lpEvtMask, LPOVERLAPPED lpOverlapped);
KELM_EXPORT BOOL PurgeComm(HANDLE hFile, DWORD dwFlags);
// SETDTR, CLRDTR, SETRTS, CLRRTS, SETBREAK, CLRBREAK, SETXON, SETXOFF; a
// terminal without the modem line (a pseudo-terminal) fails with the errno
// mapping.
KELM_EXPORT BOOL EscapeCommFunction(HANDLE hFile, DWORD dwFunc);
// The terminal's queues are fixed: accepted and checked for a device only.
KELM_EXPORT BOOL SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue);
