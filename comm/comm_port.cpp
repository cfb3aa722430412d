#include "comm/comm_port.h"

#include <algorithm>

#include "platform/time.h"
#include "settings/orvalis_data.h"

namespace {

constexpr DWORD log_mode = 3;

// The log is named by the device's last name: a device given by its path
// ("/dev/serial/by-id/usb-...", "\\.\COM3") would otherwise name folders
// that do not exist, and its log would be lost.
CString log_name(const CString& device) {
  int slash = device.ReverseFind('/');
  int backslash = device.ReverseFind('\\');
  return device.Mid(std::max(slash, backslash) + 1);
}

// One overlapped transfer with its own event, waited for to the end: the
// device's time-outs bound the wait.
template <class Transfer>
long overlapped_transfer(HANDLE comm, Transfer transfer) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (overlapped.hEvent == nullptr) return 0;
  DWORD done = 0;
  if (!transfer(&done, &overlapped) && GetLastError() == ERROR_IO_PENDING)
    GetOverlappedResult(comm, &overlapped, &done, TRUE);
  CloseHandle(overlapped.hEvent);
  return static_cast<long>(done);
}

}  // namespace

CCommPort::CCommPort() : m_bOpen(0), m_bLogging(0) {}

// An owner that forgot Close would otherwise leave the device held for the
// rest of the process, and no later Open of it could succeed.
CCommPort::~CCommPort() {
  if (m_bOpen) CloseHandle(m_hComm);
  if (m_bLogging) m_logFile.Abort();
}

int CCommPort::Open(CString spec) {
  // A host reconnecting after its device went away calls Open again: the
  // old handle would otherwise keep the device, and this open fail on it.
  if (m_bOpen) {
    CloseHandle(m_hComm);
    m_hComm = INVALID_HANDLE_VALUE;
    m_bOpen = 0;
  }

  COrvalisData data(KEY_READ, FALSE);
  int colon = spec.Find(':');
  if (colon < 0) return m_bOpen;
  CString name = spec.Left(colon);
  CString device = name;
  if (device.Left(4) != "\\\\.\\") device = "\\\\.\\" + device;
  CString settings = spec.Mid(colon + 1);
  settings.TrimLeft();

  m_hComm = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED, nullptr);
  if (m_hComm == INVALID_HANDLE_VALUE) return m_bOpen;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(m_hComm, &dcb) || !BuildCommDCBA(settings, &dcb) ||
      !SetCommState(m_hComm, &dcb)) {
    CloseHandle(m_hComm);
    m_hComm = INVALID_HANDLE_VALUE;
    return 0;
  }
  m_bOpen = 1;

  StartLog(data, name, spec);
  SetReadTimeouts(0, 50, 50);
  SetWriteTimeouts(50, 50);
  Clear();
  return m_bOpen;
}

// The log of a reopened device goes on in the same file, so that it shows
// what happened around a lost connection; any other log is closed first.
void CCommPort::StartLog(COrvalisData& data, const CString& name, const CString& spec) {
  bool wanted = data.GetDebugMode() == log_mode;
  CString path = wanted ? data.GetProgramDir() + "\\QX" + log_name(name) + ".txt" : CString();
  if (m_bLogging && (!wanted || m_logFile.GetFilePath() != path)) {
    m_logFile.Abort();
    m_bLogging = 0;
  }
  if (wanted && !m_bLogging &&
      m_logFile.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeText))
    m_bLogging = 1;
  LogEvent("Open\t" + spec);
}

int CCommPort::IsOpen() {
  LogEvent("IsOpen");
  return m_bOpen;
}

int CCommPort::Close() {
  LogEvent("Close");
  if (!m_bOpen) return 1;
  m_bOpen = 0;
  int result = CloseHandle(m_hComm);
  m_hComm = INVALID_HANDLE_VALUE;
  return result;
}

long CCommPort::Read(BYTE* bytes, long count) {
  LogEvent("Read");
  if (!IsOpen() || count <= 0) return 0;
  return overlapped_transfer(m_hComm, [&](DWORD* done, OVERLAPPED* overlapped) {
    return ReadFile(m_hComm, bytes, static_cast<DWORD>(count), done, overlapped);
  });
}

long CCommPort::Write(BYTE* bytes, long count) {
  LogEvent("Write");
  if (!IsOpen() || count <= 0) return 0;
  return overlapped_transfer(m_hComm, [&](DWORD* done, OVERLAPPED* overlapped) {
    return WriteFile(m_hComm, bytes, static_cast<DWORD>(count), done, overlapped);
  });
}

int CCommPort::WaitForByte(BYTE target) {
  LogEvent("WaitForByte");
  BYTE byte = 0;
  while (Read(&byte, 1) == 1)
    if (byte == target) return 1;
  return 0;
}

void CCommPort::Flush() {
  LogEvent("Flush");
  BYTE byte = 0;
  while (Read(&byte, 1) == 1) {
  }
}

int CCommPort::SetReadTimeouts(long interval, long multiplier, long constant) {
  LogEvent("SetReadTimeouts");
  COMMTIMEOUTS timeouts;
  if (!GetCommTimeouts(m_hComm, &timeouts)) return 0;
  timeouts.ReadIntervalTimeout = static_cast<DWORD>(interval);
  timeouts.ReadTotalTimeoutMultiplier = static_cast<DWORD>(multiplier);
  timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(constant);
  return SetCommTimeouts(m_hComm, &timeouts);
}

int CCommPort::SetWriteTimeouts(long multiplier, long constant) {
  LogEvent("SetWriteTimeouts");
  COMMTIMEOUTS timeouts;
  if (!GetCommTimeouts(m_hComm, &timeouts)) return 0;
  timeouts.WriteTotalTimeoutMultiplier = static_cast<DWORD>(multiplier);
  timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(constant);
  return SetCommTimeouts(m_hComm, &timeouts);
}

int CCommPort::WaitForCharReceived(int timeout) {
  LogEvent("WaitForCharReceived");
  DWORD mask = 0;
  if (!GetCommMask(m_hComm, &mask)) return 0;
  if (!SetCommMask(m_hComm, mask | EV_RXCHAR)) return 0;
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD received = 0;
  if (!WaitCommEvent(m_hComm, &received, &overlapped) && GetLastError() == ERROR_IO_PENDING)
    WaitForSingleObject(overlapped.hEvent, static_cast<DWORD>(timeout));
  // Also ends the wait when nothing came, before `received` goes out of scope.
  SetCommMask(m_hComm, mask & ~EV_RXCHAR);
  CloseHandle(overlapped.hEvent);
  return (received & EV_RXCHAR) ? 1 : 0;
}

int CCommPort::Clear() {
  LogEvent("Clear");
  return PurgeComm(m_hComm, PURGE_TXCLEAR | PURGE_RXCLEAR);
}

void CCommPort::EscapeFunction(DWORD function) {
  LogEvent("EscapeFunction");
  EscapeCommFunction(m_hComm, function);
}

int CCommPort::SetupComm(int inQueue, int outQueue) {
  LogEvent("SetupComm");
  return ::SetupComm(m_hComm, static_cast<DWORD>(inQueue), static_cast<DWORD>(outQueue));
}

void CCommPort::LogEvent(CString event) {
  if (!m_bLogging) return;
  CString line;
  line.Format("%s\t%s\r\n",
              static_cast<LPCSTR>(CTime::GetCurrentTime().Format("%m-%d-%y %H:%M:%S")),
              static_cast<LPCSTR>(event));
  // Written through at once, so that the log of a crashed session is whole.
  try {
    m_logFile.Write(static_cast<LPCSTR>(line), static_cast<UINT>(line.GetLength()));
    m_logFile.Flush();
  } catch (const CFileException&) {
  }
}
