// Communications devices and events as Win32 handles, over terminal
// descriptors, poll and eventfd.
//
// An overlapped operation is a record that the caller's waits drive: each
// step takes what the device offers without blocking and decides, by the
// time-outs and the monotonic clock, whether the operation is complete;
// between steps the driver sleeps in poll on the device and on the
// operation's own eventfd, which completion from another thread (a mask
// change, a purge, a close) makes readable for good. One mutex per device
// guards the device and its operations.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel_object.h"
#include "platform/registry.h"
#include "platform/serial/comm.h"
#include "platform/serial/comm_line.h"
#include "platform/serial/comm_timeouts.h"

namespace {

using kernel_object::after;
using steady = kernel_object::steady;

constexpr ULONG_PTR status_pending = 0x103;
constexpr DWORD valid_event_bits = 0x1FFF;
constexpr DWORD valid_purge_bits = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

struct device;

struct operation : kernel_object::pending_work {
  enum class kind { read, write, wait };

  kind what;
  std::shared_ptr<device> dev;
  LPOVERLAPPED overlapped = nullptr;
  std::shared_ptr<kernel_object::event> event;
  BYTE* buffer = nullptr;
  DWORD count = 0;
  DWORD transferred = 0;
  LPDWORD events = nullptr;
  steady::time_point start;
  steady::time_point last_byte;
  comm_timeouts::read_plan read;
  std::optional<std::uint64_t> write_ms;
  // Read without the device's mutex by a waiter deciding whether to drive.
  std::atomic<bool> complete = false;
  DWORD error = ERROR_SUCCESS;
  int wake_fd = -1;

  ~operation() override {
    if (wake_fd >= 0) close(wake_fd);
  }
  bool done() const override { return complete; }
  bool drive(std::optional<steady::time_point> until) override;
};

struct device : kernel_object::object {
  std::mutex m;
  int fd = -1;
  bool overlapped = false;
  bool can_read = false;
  bool can_write = false;
  bool gone = false;
  DCB dcb{};
  COMMTIMEOUTS timeouts{};
  DWORD mask = 0;
  std::vector<std::shared_ptr<operation>> pending;

  ~device() override {
    if (fd >= 0) close(fd);
  }
  void closed() override;
};

// The pending operations by their OVERLAPPED, for GetOverlappedResult.
struct operation_table {
  std::mutex m;
  std::map<LPOVERLAPPED, std::shared_ptr<operation>> by_overlapped;
};

operation_table& table() {
  static operation_table* t = new operation_table;
  return *t;
}

std::shared_ptr<operation> find_operation(LPOVERLAPPED ov) {
  auto& t = table();
  std::lock_guard lock(t.m);
  auto it = t.by_overlapped.find(ov);
  return it == t.by_overlapped.end() ? nullptr : it->second;
}

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool is_disconnection(int error) {
  return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE;
}

// Called with the device's mutex held.
void finish(device& d, operation& op, DWORD error) {
  op.complete = true;
  op.error = error;
  if (op.overlapped != nullptr) {
    op.overlapped->InternalHigh = op.transferred;
    op.overlapped->Internal = error;
    auto& t = table();
    std::lock_guard lock(t.m);
    auto it = t.by_overlapped.find(op.overlapped);
    if (it != t.by_overlapped.end() && it->second.get() == &op) t.by_overlapped.erase(it);
  }
  std::erase_if(d.pending, [&](const auto& p) { return p.get() == &op; });
  if (op.wake_fd >= 0) {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = write(op.wake_fd, &one, sizeof one);
  }
  if (op.event) op.event->set();
}

void finish_pending(device& d, operation::kind what, DWORD error) {
  auto pending = d.pending;
  for (auto& op : pending)
    if (op->what == what) finish(d, *op, error);
}

void mark_gone(device& d) {
  d.gone = true;
  auto pending = d.pending;
  for (auto& op : pending)
    finish(d, *op, op->transferred > 0 ? ERROR_SUCCESS : ERROR_DEVICE_NOT_CONNECTED);
}

// The failure of a call on the device: a vanished device is remembered, so
// that every later call fails at once.
BOOL fail_errno(device& d, int error) {
  if (is_disconnection(error)) {
    mark_gone(d);
    return fail(ERROR_DEVICE_NOT_CONNECTED);
  }
  return fail(KelmErrorFromErrno(error));
}

// A hung-up terminal polls as readable with an error; a pseudo-terminal
// whose master closed, as hung up with nothing to read.
bool line_gone(short revents) {
  return (revents & (POLLERR | POLLNVAL)) || ((revents & POLLHUP) && !(revents & POLLIN));
}

void step_read(device& d, operation& op, steady::time_point now) {
  if (op.transferred < op.count) {
    ssize_t n;
    do n = read(d.fd, op.buffer + op.transferred, op.count - op.transferred);
    while (n < 0 && errno == EINTR);
    if (n > 0) {
      op.transferred += static_cast<DWORD>(n);
      op.last_byte = now;
    } else if (n == 0 || errno != EAGAIN) {
      // Bytes read before the line went are delivered; the next call fails.
      if (n == 0 || is_disconnection(errno)) {
        mark_gone(d);
        return;
      }
      finish(d, op, KelmErrorFromErrno(errno));
      return;
    }
  }
  const auto& plan = op.read;
  if (op.transferred == op.count || plan.at_once || (plan.first_byte_ends && op.transferred > 0) ||
      (plan.total_ms && now >= after(op.start, *plan.total_ms)) ||
      (plan.interval_ms && op.transferred > 0 && now >= after(op.last_byte, *plan.interval_ms)))
    finish(d, op, ERROR_SUCCESS);
}

void step_write(device& d, operation& op, steady::time_point now) {
  if (op.transferred < op.count) {
    ssize_t n;
    do n = write(d.fd, op.buffer + op.transferred, op.count - op.transferred);
    while (n < 0 && errno == EINTR);
    if (n > 0) {
      op.transferred += static_cast<DWORD>(n);
    } else if (n < 0 && errno != EAGAIN) {
      if (is_disconnection(errno)) {
        mark_gone(d);
        return;
      }
      finish(d, op, KelmErrorFromErrno(errno));
      return;
    }
  }
  if (op.transferred == op.count || (op.write_ms && now >= after(op.start, *op.write_ms)))
    finish(d, op, ERROR_SUCCESS);
}

void step_wait(device& d, operation& op) {
  pollfd p{d.fd, POLLIN, 0};
  int n;
  do n = poll(&p, 1, 0);
  while (n < 0 && errno == EINTR);
  if (n > 0 && line_gone(p.revents)) {
    mark_gone(d);
  } else if (n > 0 && (p.revents & POLLIN) && (d.mask & EV_RXCHAR)) {
    *op.events = EV_RXCHAR;
    finish(d, op, ERROR_SUCCESS);
  }
}

// One step of progress without blocking; the device's mutex is held.
void step(device& d, operation& op) {
  if (op.complete) return;
  if (d.gone) {
    finish(d, op, ERROR_DEVICE_NOT_CONNECTED);
    return;
  }
  auto now = steady::now();
  switch (op.what) {
    case operation::kind::read:
      step_read(d, op, now);
      break;
    case operation::kind::write:
      step_write(d, op, now);
      break;
    case operation::kind::wait:
      step_wait(d, op);
      break;
  }
}

// When the operation's time-outs next need a look, if ever.
std::optional<steady::time_point> next_deadline(const operation& op) {
  std::optional<steady::time_point> at;
  auto sooner = [&](steady::time_point t) {
    if (!at || t < *at) at = t;
  };
  if (op.what == operation::kind::read) {
    if (op.read.total_ms) sooner(after(op.start, *op.read.total_ms));
    if (op.read.interval_ms && op.transferred > 0)
      sooner(after(op.last_byte, *op.read.interval_ms));
  } else if (op.what == operation::kind::write && op.write_ms) {
    sooner(after(op.start, *op.write_ms));
  }
  return at;
}

// Makes progress until the operation completes (true) or `until` passes
// (false). Several threads may drive one operation.
bool drive(device& d, operation& op, std::optional<steady::time_point> until) {
  std::unique_lock lock(d.m);
  for (;;) {
    step(d, op);
    if (op.complete) return true;
    auto now = steady::now();
    if (until && now >= *until) return false;
    auto wake = next_deadline(op);
    if (until && (!wake || *until < *wake)) wake = until;
    if (op.wake_fd < 0) op.wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // A wait that no reported event can end listens for a hang-up only, so
    // that waiting input does not wake it over and over.
    short events = op.what == operation::kind::write                          ? POLLOUT
                   : op.what == operation::kind::read || (d.mask & EV_RXCHAR) ? POLLIN
                                                                              : 0;
    pollfd fds[2] = {{d.fd, events, 0}, {op.wake_fd, POLLIN, 0}};
    int timeout = -1;
    if (wake) {
      // Rounded up, so that a time-out never ends early.
      auto left = std::chrono::ceil<std::chrono::milliseconds>(*wake - now).count();
      timeout = static_cast<int>(std::clamp<std::int64_t>(left, 0, 1 << 30));
    }
    lock.unlock();
    poll(fds, op.wake_fd >= 0 ? 2 : 1, timeout);
    lock.lock();
    // A hang-up with nothing left to read: the read's own step sees it as a
    // read of nothing; a wait or a write learns it here.
    if (line_gone(fds[0].revents) && op.what != operation::kind::read && !op.complete) mark_gone(d);
  }
}

// "COMn" from the port table, else the n-th standard serial port.
std::string com_port_path(unsigned n) {
  char value_name[16];
  std::snprintf(value_name, sizeof value_name, "COM%u", n);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quendra\\Orvalis\\Ports", 0, KEY_READ, &key) ==
      ERROR_SUCCESS) {
    char path[1024];
    DWORD type = REG_NONE;
    DWORD size = sizeof path;
    LONG result =
        RegQueryValueExA(key, value_name, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    if (result == ERROR_SUCCESS && type == REG_SZ) {
      std::string found(path, size);
      found.resize(std::strlen(found.c_str()));
      if (!found.empty()) return found;
    }
  }
  return "/dev/ttyS" + std::to_string(n - 1);
}

// The native path of a device name, or "" when the name is no device name.
std::string device_path(std::string_view name) {
  constexpr std::string_view prefix = "\\\\.\\";
  if (name.substr(0, prefix.size()) != prefix) return "";
  name.remove_prefix(prefix.size());
  if (name.empty()) return "";
  if (name.size() > 3 && (name[0] | 0x20) == 'c' && (name[1] | 0x20) == 'o' &&
      (name[2] | 0x20) == 'm' && name[3] >= '1' && name[3] <= '9' && name.size() <= 6 &&
      std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return com_port_path(static_cast<unsigned>(std::stoul(std::string(name.substr(3)))));
  if (name[0] == '/') return std::string(name);
  return "/dev/" + std::string(name);
}

bool operation::drive(std::optional<steady::time_point> until) {
  return ::drive(*dev, *this, until);
}

void device::closed() {
  std::lock_guard lock(m);
  auto waiting = pending;
  for (auto& op : waiting) finish(*this, *op, ERROR_OPERATION_ABORTED);
  // Closed now, not when the last waiter lets go, so that the device can
  // be opened again at once.
  ioctl(fd, TIOCNXCL);
  close(fd);
  fd = -1;
  gone = true;
}

std::shared_ptr<device> find_device(HANDLE h) { return kernel_object::find<device>(h); }

// Starts a read, write or wait: complete at once when the device allows,
// else pending (overlapped) or driven to its end (not overlapped).
BOOL start(const std::shared_ptr<device>& d, std::shared_ptr<operation> op, LPDWORD done,
           LPOVERLAPPED ov) {
  if (done != nullptr) *done = 0;
  std::shared_ptr<kernel_object::event> event;
  if (ov != nullptr) {
    ov->Internal = status_pending;
    ov->InternalHigh = 0;
    if (ov->hEvent != nullptr) {
      event = kernel_object::find<kernel_object::event>(ov->hEvent);
      if (!event) return FALSE;
      event->reset();
    }
  }
  op->overlapped = ov;
  op->event = event;
  op->start = op->last_byte = steady::now();
  {
    std::lock_guard lock(d->m);
    step(*d, *op);
    if (!op->complete && ov != nullptr) {
      d->pending.push_back(op);
      auto& t = table();
      {
        std::lock_guard table_lock(t.m);
        t.by_overlapped[ov] = op;
      }
      if (event) event->await_work(op);
      return fail(ERROR_IO_PENDING);
    }
    if (!op->complete) d->pending.push_back(op);
  }
  if (!op->complete) drive(*d, *op, std::nullopt);
  if (done != nullptr) *done = op->transferred;
  return op->error == ERROR_SUCCESS ? TRUE : fail(op->error);
}

// What every call on a device checks first.
std::shared_ptr<device> usable_device(HANDLE h) {
  auto d = find_device(h);
  if (!d) return nullptr;
  std::lock_guard lock(d->m);
  if (d->gone) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return nullptr;
  }
  return d;
}

int modem_ioctl(int fd, unsigned long request, int bits) { return ioctl(fd, request, &bits); }

}  // namespace

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                   HANDLE) {
  if (lpFileName == nullptr || dwShareMode != 0 || dwCreationDisposition != OPEN_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string path = device_path(lpFileName);
  if (path.empty()) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  bool can_read = (dwDesiredAccess & GENERIC_READ) != 0;
  bool can_write = (dwDesiredAccess & GENERIC_WRITE) != 0;
  int mode = can_read && can_write ? O_RDWR : can_write ? O_WRONLY : O_RDONLY;
  int fd;
  do fd = open(path.c_str(), mode | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    SetLastError(errno == EBUSY ? ERROR_ACCESS_DENIED : KelmErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  auto d = std::make_shared<device>();
  d->fd = fd;
  struct termios tio;
  if (!isatty(fd) || tcgetattr(fd, &tio) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  // The lock keeps out other opens, this process's too and root's, which
  // TIOCEXCL alone does not; TIOCEXCL keeps out programs that do not lock.
  int locked;
  do locked = flock(fd, LOCK_EX | LOCK_NB);
  while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    SetLastError(errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : KelmErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  ioctl(fd, TIOCEXCL);
  // A Linux terminal starts with XON/XOFF on, which would eat the bytes 0x11
  // and 0x13 of a writer's binary packets whenever the settings given do
  // not name the flow control; a Windows port starts with it off.
  d->dcb = comm_line::from_termios(tio);
  d->dcb.fOutX = d->dcb.fInX = FALSE;
  d->dcb.fOutxCtsFlow = d->dcb.fOutxDsrFlow = FALSE;
  d->dcb.fRtsControl = RTS_CONTROL_ENABLE;
  struct termios raw = tio;
  if (comm_line::to_termios(d->dcb, raw)) tcsetattr(fd, TCSANOW, &raw);
  d->overlapped = (dwFlagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0;
  d->can_read = can_read;
  d->can_write = can_write;
  return kernel_object::add(d);
}

BOOL GetCommState(HANDLE hFile, LPDCB lpDCB) {
  auto d = usable_device(hFile);
  if (!d) return FALSE;
  if (lpDCB == nullptr) return fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(d->m);
  struct termios tio;
  if (tcgetattr(d->fd, &tio) != 0) return fail_errno(*d, errno);
  *lpDCB = d->dcb;
  return TRUE;
}

BOOL SetCommState(HANDLE hFile, LPDCB lpDCB) {
  auto d = usable_device(hFile);
  if (!d) return FALSE;
  if (lpDCB == nullptr) return fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(d->m);
  struct termios tio;
  if (tcgetattr(d->fd, &tio) != 0) return fail_errno(*d, errno);
  if (!comm_line::to_termios(*lpDCB, tio)) return fail(ERROR_INVALID_PARAMETER);
  int result;
  do result = tcsetattr(d->fd, TCSANOW, &tio);
  while (result != 0 && errno == EINTR);
  if (result != 0) return fail_errno(*d, errno);
  // A terminal without modem lines (a pseudo-terminal) takes the rest of
  // the settings all the same.
  if (lpDCB->fDtrControl != DTR_CONTROL_HANDSHAKE)
    modem_ioctl(d->fd, lpDCB->fDtrControl == DTR_CONTROL_ENABLE ? TIOCMBIS : TIOCMBIC, TIOCM_DTR);
  if (lpDCB->fRtsControl == RTS_CONTROL_ENABLE || lpDCB->fRtsControl == RTS_CONTROL_DISABLE)
    modem_ioctl(d->fd, lpDCB->fRtsControl == RTS_CONTROL_ENABLE ? TIOCMBIS : TIOCMBIC, TIOCM_RTS);
  d->dcb = *lpDCB;
  d->dcb.DCBlength = sizeof(DCB);
  return TRUE;
}

BOOL GetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts) {
  auto d = usable_device(hFile);
  if (!d) return FALSE;
  if (lpCommTimeouts == nullptr) return fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(d->m);
  *lpCommTimeouts = d->timeouts;
  return TRUE;
}

BOOL SetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts) {
  auto d = usable_device(hFile);
  if (!d) return FALSE;
  if (lpCommTimeouts == nullptr) return fail(ERROR_INVALID_PARAMETER);
  // Windows refuses the one combination that makes no sense: both interval
  // and multiplier MAXDWORD with a constant of MAXDWORD.
  if (lpCommTimeouts->ReadIntervalTimeout == MAXDWORD &&
      lpCommTimeouts->ReadTotalTimeoutMultiplier == MAXDWORD &&
      lpCommTimeouts->ReadTotalTimeoutConstant == MAXDWORD)
    return fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(d->m);
  d->timeouts = *lpCommTimeouts;
  return TRUE;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
  auto d = usable_device(hFile);
  if (!d) return FALSE;
  if ((d->overlapped && lpOverlapped == nullptr) ||
      (lpBuffer == nullptr && nNumberOfBytesToRead > 0))
    return fail(ERROR_INVALID_PARAMETER);
  if (!d->can_read) return fail(ERROR_ACCESS_DENIED);
  auto op = std::make_shared<operation>();
  op->what = operation::kind::read;
  op->dev = d;
  op->buffer = static_cast<BYTE*>(lpBuffer);
  op->count = nNumberOfBytesToRead;
  {
    std::lock_guard lock(d->m);
    op->read = comm_timeouts::plan_read(d->timeouts, nNumberOfBytesToRead);
  }
  return start(d, op, lpNumberOfBytesRead, d->overlapped ? lpOverlapped : nullptr);
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
  auto d = usable_device(hFile);
  if (!d) return FALSE;
  if ((d->overlapped && lpOverlapped == nullptr) ||
      (lpBuffer == nullptr && nNumberOfBytesToWrite > 0))
    return fail(ERROR_INVALID_PARAMETER);
  if (!d->can_write) return fail(ERROR_ACCESS_DENIED);
  auto op = std::make_shared<operation>();
  op->what = operation::kind::write;
  op->dev = d;
  op->buffer = static_cast<BYTE*>(const_cast<void*>(lpBuffer));
  op->count = nNumberOfBytesToWrite;
  {
    std::lock_guard lock(d->m);
    op->write_ms = comm_timeouts::write_total_ms(d->timeouts, nNumberOfBytesToWrite);
  }
  return start(d, op, lpNumberOfBytesWritten, d->overlapped ? lpOverlapped : nullptr);
}

BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped,
                         LPDWORD lpNumberOfBytesTransferred, BOOL bWait) {
  if (lpOverlapped == nullptr || lpNumberOfBytesTransferred == nullptr)
    return fail(ERROR_INVALID_PARAMETER);
  auto d = find_device(hFile);
  if (!d) return FALSE;
  if (auto op = find_operation(lpOverlapped)) {
    bool complete = drive(*d, *op, bWait ? std::nullopt : std::optional(steady::now()));
    if (!complete) return fail(ERROR_IO_INCOMPLETE);
    std::lock_guard lock(d->m);
    *lpNumberOfBytesTransferred = op->transferred;
    return op->error == ERROR_SUCCESS ? TRUE : fail(op->error);
  }
  *lpNumberOfBytesTransferred = static_cast<DWORD>(lpOverlapped->InternalHigh);
  if (lpOverlapped->Internal == status_pending) return fail(ERROR_IO_INCOMPLETE);
  DWORD error = static_cast<DWORD>(lpOverlapped->Internal);
  return error == ERROR_SUCCESS ? TRUE : fail(error);
}

BOOL GetCommMask(HANDLE hFile, LPDWORD lpEvtMask) {
  auto d = usable_device(hFile);
  if (!d) return FALSE;
  if (lpEvtMask == nullptr) return fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(d->m);
  *lpEvtMask = d->mask;
  return TRUE;
}

BOOL SetCommMask(HANDLE hFile, DWORD dwEvtMask) {
  auto d = usable_device(hFile);
  if (!d) return FALSE;
  if (dwEvtMask & ~valid_event_bits) return fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(d->m);
  auto pending = d->pending;
  for (auto& op : pending)
    if (op->what == operation::kind::wait) {
      *op->events = 0;
      finish(*d, *op, ERROR_SUCCESS);
    }
  d->mask = dwEvtMask;
  return TRUE;
}

BOOL WaitCommEvent(HANDLE hFile, LPDWORD lpEvtMask, LPOVERLAPPED lpOverlapped) {
  auto d = usable_device(hFile);
  if (!d) return FALSE;
  if (lpEvtMask == nullptr || (d->overlapped && lpOverlapped == nullptr))
    return fail(ERROR_INVALID_PARAMETER);
  {
    std::lock_guard lock(d->m);
    bool waiting = std::any_of(d->pending.begin(), d->pending.end(),
                               [](const auto& op) { return op->what == operation::kind::wait; });
    if (d->mask == 0 || waiting) return fail(ERROR_INVALID_PARAMETER);
  }
  *lpEvtMask = 0;
  auto op = std::make_shared<operation>();
  op->what = operation::kind::wait;
  op->dev = d;
  op->events = lpEvtMask;
  return start(d, op, nullptr, d->overlapped ? lpOverlapped : nullptr);
}

BOOL PurgeComm(HANDLE hFile, DWORD dwFlags) {
  auto d = usable_device(hFile);
  if (!d) return FALSE;
  if (dwFlags & ~valid_purge_bits) return fail(ERROR_INVALID_PARAMETER);
  std::lock_guard lock(d->m);
  if (dwFlags & PURGE_RXABORT) finish_pending(*d, operation::kind::read, ERROR_OPERATION_ABORTED);
  if (dwFlags & PURGE_TXABORT) finish_pending(*d, operation::kind::write, ERROR_OPERATION_ABORTED);
  int queues = (dwFlags & PURGE_RXCLEAR) && (dwFlags & PURGE_TXCLEAR) ? TCIOFLUSH
               : (dwFlags & PURGE_RXCLEAR)                            ? TCIFLUSH
               : (dwFlags & PURGE_TXCLEAR)                            ? TCOFLUSH
                                                                      : -1;
  if (queues >= 0 && tcflush(d->fd, queues) != 0) return fail_errno(*d, errno);
  return TRUE;
}

BOOL EscapeCommFunction(HANDLE hFile, DWORD dwFunc) {
  auto d = usable_device(hFile);
  if (!d) return FALSE;
  std::lock_guard lock(d->m);
  int result;
  switch (dwFunc) {
    case SETDTR:
      result = modem_ioctl(d->fd, TIOCMBIS, TIOCM_DTR);
      break;
    case CLRDTR:
      result = modem_ioctl(d->fd, TIOCMBIC, TIOCM_DTR);
      break;
    case SETRTS:
      result = modem_ioctl(d->fd, TIOCMBIS, TIOCM_RTS);
      break;
    case CLRRTS:
      result = modem_ioctl(d->fd, TIOCMBIC, TIOCM_RTS);
      break;
    case SETBREAK:
      result = ioctl(d->fd, TIOCSBRK);
      break;
    case CLRBREAK:
      result = ioctl(d->fd, TIOCCBRK);
      break;
    case SETXON:
      result = tcflow(d->fd, TCOON);
      break;
    case SETXOFF:
      result = tcflow(d->fd, TCOOFF);
      break;
    default:
      return fail(ERROR_INVALID_PARAMETER);
  }
  if (result == 0) return TRUE;
  if (errno == ENOTTY || errno == EINVAL) return fail(ERROR_NOT_SUPPORTED);
  return fail_errno(*d, errno);
}

BOOL SetupComm(HANDLE hFile, DWORD, DWORD) { return usable_device(hFile) ? TRUE : FALSE; }
