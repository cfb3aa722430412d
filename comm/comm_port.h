// CCommPort: the connection to a steno writer on a serial line. It opens a
// device from one text naming the port and its line settings
// ("COM1:baud=9600 parity=N data=8 stop=1", "/dev/ttyUSB0:9600,n,8,1"),
// reads and writes bytes under short time-outs, waits for a byte, discards
// input and drives the modem lines; the bytes' meaning is the caller's.
//
// Every call works on the calling thread and returns when its system call
// has completed or timed out: a read of n bytes waits at most 50 + 50 x n
// milliseconds with the time-outs Open sets. One thread uses an object at a
// time. The object owns its device handle and its log; the destructor closes
// both.
//
// A device that goes away (the cable pulled) ends the call waiting on it:
// Read and Write return 0 with GetLastError() ERROR_DEVICE_NOT_CONNECTED,
// as does every later call, at once, until the port is opened again. Open on
// an open port closes the old handle first, so a host that lost its device
// simply calls Open again.
//
// With "Debug Mode" 3 in the suite's settings, Open starts a log in the
// program folder named by the device's last name (QXCOM1.txt,
// QXttyUSB0.txt), with one line per call received (local time, a tab, the
// call's name), CR LF ended and written through at once so that a crash
// keeps it. Reopening the same device goes on in the same log.
#pragma once

#include "platform/export.h"
#include "platform/file.h"
#include "platform/serial/comm.h"
#include "platform/string.h"
#include "platform/types.h"

class COrvalisData;

class KELM_EXPORT CCommPort {
 public:
  CCommPort();
  CCommPort(const CCommPort&) = delete;
  CCommPort& operator=(const CCommPort&) = delete;
  ~CCommPort();

  // 1 when the port opened and took the settings, else 0 (no colon, a device
  // that cannot be opened, settings BuildCommDCBA refuses).
  int Open(CString spec);
  int IsOpen();
  // The CloseHandle result; 1 when the port was not open.
  int Close();
  // The number of bytes read or written; 0 on a closed port or a failure.
  long Read(BYTE* bytes, long count);
  long Write(BYTE* bytes, long count);
  // Reads and drops bytes until one equals target (consumed; 1) or a read
  // yields nothing (0).
  int WaitForByte(BYTE target);
  // Reads and drops bytes until a read yields nothing.
  void Flush();
  // Milliseconds, in the Win32 meaning of COMMTIMEOUTS; the other fields are
  // kept. The SetCommTimeouts result.
  int SetReadTimeouts(long interval, long multiplier, long constant);
  int SetWriteTimeouts(long multiplier, long constant);
  // 1 when a byte arrived within timeout milliseconds, left unread; else 0.
  int WaitForCharReceived(int timeout);
  // Drops both queues: the PurgeComm result.
  int Clear();
  // EscapeCommFunction (SETDTR, CLRDTR, SETRTS, CLRRTS, SETBREAK, CLRBREAK).
  void EscapeFunction(DWORD function);
  // Recommended queue sizes in bytes: the SetupComm result.
  int SetupComm(int inQueue, int outQueue);

 protected:
  void LogEvent(CString event);

  HANDLE m_hComm = INVALID_HANDLE_VALUE;
  int m_bOpen;
  // The log, written in text mode: each line ends in CR LF.
  CFile m_logFile;
  int m_bLogging;

 private:
  void StartLog(COrvalisData& data, const CString& name, const CString& spec);
};
