#include "platform/serial/comm.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "testing/private_hive.h"
#include "testing/pty_pair.h"
#include "testing/scratch_folder.h"

namespace {

using namespace std::chrono_literals;
using steady = std::chrono::steady_clock;

// Time-outs are checked for their lower bound exactly and for their upper
// bound with room for a loaded machine under the sanitizers.
constexpr auto margin = 1500ms;

std::chrono::milliseconds since(steady::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - start);
}

HANDLE open_device(const std::string& path, DWORD flags = FILE_FLAG_OVERLAPPED) {
  return CreateFileA(("\\\\.\\" + path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                     OPEN_EXISTING, flags, nullptr);
}

BOOL set_timeouts(HANDLE h, DWORD interval, DWORD multiplier, DWORD constant) {
  COMMTIMEOUTS t{interval, multiplier, constant, 0, 0};
  return SetCommTimeouts(h, &t);
}

// An OVERLAPPED with a manual-reset event of its own, closed when it goes.
struct overlapped_with_event : OVERLAPPED {
  overlapped_with_event() : OVERLAPPED{} { hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
  overlapped_with_event(const overlapped_with_event&) = delete;
  overlapped_with_event& operator=(const overlapped_with_event&) = delete;
  ~overlapped_with_event() { CloseHandle(hEvent); }
};

// One overlapped read waited for to the end: the bytes, or the failure's code.
struct read_result {
  BOOL ok;
  std::string bytes;
  DWORD error;
};

read_result read_overlapped(HANDLE h, DWORD count) {
  std::string buffer(count, '\0');
  overlapped_with_event ov;
  DWORD done = 0;
  BOOL ok = ReadFile(h, buffer.data(), count, &done, &ov);
  if (!ok && GetLastError() == ERROR_IO_PENDING) ok = GetOverlappedResult(h, &ov, &done, TRUE);
  DWORD error = ok ? ERROR_SUCCESS : GetLastError();
  buffer.resize(done);
  return {ok, buffer, error};
}

class CommTest : public PrivateHiveTest {
 protected:
  void SetUp() override {
    PrivateHiveTest::SetUp();
    m_port = open_device(m_pty.SlavePath());
    ASSERT_NE(INVALID_HANDLE_VALUE, m_port) << m_pty.SlavePath() << " error " << GetLastError();
  }
  void TearDown() override {
    if (m_port != INVALID_HANDLE_VALUE) CloseHandle(m_port);
    PrivateHiveTest::TearDown();
  }

  PtyPair m_pty;
  HANDLE m_port = INVALID_HANDLE_VALUE;
};

TEST_F(CommTest, OpensOnlyTerminalsByTheirNames) {
  ScratchFolder folder;
  WriteWholeFile(folder.path("plain"), "not a terminal");
  struct refused {
    std::string name;
    DWORD error;
  };
  const refused cases[] = {
      {"\\\\.\\/dev/kelm-no-such-device", ERROR_FILE_NOT_FOUND},
      {"\\\\.\\kelm-no-such-device", ERROR_FILE_NOT_FOUND},
      {"\\\\.\\" + folder.path("plain"), ERROR_FILE_NOT_FOUND},
      {m_pty.SlavePath(), ERROR_INVALID_NAME},
      {"COM1", ERROR_INVALID_NAME},
      {"\\\\.\\", ERROR_INVALID_NAME},
  };
  for (const auto& c : cases) {
    SetLastError(ERROR_SUCCESS);
    HANDLE h = CreateFileA(c.name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, h) << c.name;
    EXPECT_EQ(c.error, GetLastError()) << c.name;
  }
}

TEST_F(CommTest, SecondOpenIsRefusedUntilTheFirstCloses) {
  EXPECT_EQ(INVALID_HANDLE_VALUE, open_device(m_pty.SlavePath()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  // Windows devices take no sharing mode.
  EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA(("\\\\.\\" + m_pty.SlavePath()).c_str(), GENERIC_READ,
                                              1, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());

  ASSERT_TRUE(CloseHandle(m_port));
  EXPECT_FALSE(CloseHandle(m_port));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  m_port = open_device(m_pty.SlavePath());
  EXPECT_NE(INVALID_HANDLE_VALUE, m_port) << GetLastError();
}

TEST_F(CommTest, ComPortsComeFromThePortTable) {
  ASSERT_TRUE(CloseHandle(m_port));
  m_port = INVALID_HANDLE_VALUE;
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quendra\\Orvalis\\Ports",
                                           0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  const std::string& path = m_pty.SlavePath();
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExA(key, "COM7", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                           static_cast<DWORD>(path.size())));
  RegCloseKey(key);

  m_port = CreateFileA("\\\\.\\com7", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, m_port) << GetLastError();
  ASSERT_TRUE(set_timeouts(m_port, 0, 0, 2000));
  ASSERT_TRUE(m_pty.Send("S"));
  EXPECT_EQ("S", read_overlapped(m_port, 1).bytes);
}

TEST_F(CommTest, LineSettingsReachTheTerminal) {
  DCB dcb{};
  ASSERT_TRUE(GetCommState(m_port, &dcb));
  ASSERT_TRUE(BuildCommDCBA("baud=19200 parity=E data=7 stop=2", &dcb));
  ASSERT_TRUE(SetCommState(m_port, &dcb)) << GetLastError();
  DCB back{};
  ASSERT_TRUE(GetCommState(m_port, &back));
  EXPECT_EQ(19200u, back.BaudRate);
  EXPECT_EQ(EVENPARITY, back.Parity);
  EXPECT_EQ(7, back.ByteSize);
  EXPECT_EQ(TWOSTOPBITS, back.StopBits);

  dcb.BaudRate = 12345;
  EXPECT_FALSE(SetCommState(m_port, &dcb));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(CommTest, OverlappedReadCompletesWhenTheBytesCome) {
  ASSERT_TRUE(set_timeouts(m_port, 0, 0, 0));
  char buffer[4] = {};
  overlapped_with_event ov;
  DWORD done = 0;
  ASSERT_FALSE(ReadFile(m_port, buffer, sizeof buffer, &done, &ov));
  ASSERT_EQ(static_cast<DWORD>(ERROR_IO_PENDING), GetLastError());
  EXPECT_FALSE(GetOverlappedResult(m_port, &ov, &done, FALSE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_IO_INCOMPLETE), GetLastError());
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ov.hEvent, 20));

  ASSERT_TRUE(m_pty.Send("ab"));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ov.hEvent, 20));
  ASSERT_TRUE(m_pty.Send("cd"));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ov.hEvent, INFINITE));
  ASSERT_TRUE(GetOverlappedResult(m_port, &ov, &done, TRUE));
  EXPECT_EQ(4u, done);
  EXPECT_EQ("abcd", std::string(buffer, done));
}

TEST_F(CommTest, ReadTimeoutsKeepTheirWin32Meaning) {
  struct timed {
    COMMTIMEOUTS timeouts;
    const char* sent;  // before the read
    DWORD count;
    std::string want;
    std::chrono::milliseconds at_least;
  };
  const timed cases[] = {
      {{0, 50, 50, 0, 0}, "", 2, "", 150ms},
      {{0, 50, 50, 0, 0}, "x", 2, "x", 150ms},
      {{0, 0, 120, 0, 0}, "xyz", 3, "xyz", 0ms},
      {{MAXDWORD, 0, 0, 0, 0}, "", 8, "", 0ms},
      {{MAXDWORD, 0, 0, 0, 0}, "pq", 8, "pq", 0ms},
      {{MAXDWORD, MAXDWORD, 200, 0, 0}, "", 8, "", 200ms},
      {{MAXDWORD, MAXDWORD, 200, 0, 0}, "pq", 8, "pq", 0ms},
      {{40, 0, 0, 0, 0}, "pq", 8, "pq", 40ms},
  };
  for (const auto& c : cases) {
    std::string input = "interval " + std::to_string(c.timeouts.ReadIntervalTimeout) +
                        " multiplier " + std::to_string(c.timeouts.ReadTotalTimeoutMultiplier) +
                        " constant " + std::to_string(c.timeouts.ReadTotalTimeoutConstant) +
                        " sent \"" + c.sent + "\"";
    COMMTIMEOUTS t = c.timeouts;
    ASSERT_TRUE(SetCommTimeouts(m_port, &t)) << input;
    ASSERT_TRUE(m_pty.SendQueued(c.sent)) << input;
    auto start = steady::now();
    read_result got = read_overlapped(m_port, c.count);
    auto took = since(start);
    EXPECT_TRUE(got.ok) << input;
    EXPECT_EQ(c.want, got.bytes) << input;
    EXPECT_GE(took, c.at_least) << input;
    EXPECT_LT(took, c.at_least + margin) << input;
  }
}

TEST_F(CommTest, FirstByteEndsAWaitingReadAtOnce) {
  ASSERT_TRUE(set_timeouts(m_port, MAXDWORD, MAXDWORD, 5000));
  std::thread writer([&] {
    std::this_thread::sleep_for(50ms);
    m_pty.Send("k");
  });
  auto start = steady::now();
  read_result got = read_overlapped(m_port, 16);
  writer.join();
  EXPECT_EQ("k", got.bytes);
  EXPECT_LT(since(start), 5000ms);
}

TEST_F(CommTest, IntervalTimeoutEndsAReadAfterTheLastByte) {
  ASSERT_TRUE(set_timeouts(m_port, 400, 0, 0));
  steady::time_point last_sent;
  std::thread writer([&] {
    std::this_thread::sleep_for(30ms);
    m_pty.Send("a");
    std::this_thread::sleep_for(30ms);
    last_sent = steady::now();
    m_pty.Send("b");
  });
  read_result got = read_overlapped(m_port, 16);
  auto ended = steady::now();
  writer.join();
  // 30 ms between the bytes did not end it; 400 ms after the last one did.
  EXPECT_EQ("ab", got.bytes);
  EXPECT_GE(ended - last_sent, 400ms);
  EXPECT_LT(ended - last_sent, 400ms + margin);
}

TEST_F(CommTest, WritesReachTheOtherEnd) {
  COMMTIMEOUTS t{0, 0, 0, 50, 50};
  ASSERT_TRUE(SetCommTimeouts(m_port, &t));
  overlapped_with_event ov;
  DWORD done = 0;
  if (!WriteFile(m_port, "hello", 5, &done, &ov)) {
    ASSERT_EQ(static_cast<DWORD>(ERROR_IO_PENDING), GetLastError());
    ASSERT_TRUE(GetOverlappedResult(m_port, &ov, &done, TRUE));
  }
  EXPECT_EQ(5u, done);
  EXPECT_EQ("hello", m_pty.Receive(5, 2000ms));
}

TEST_F(CommTest, PurgeDropsInputAndAbortsAPendingRead) {
  ASSERT_TRUE(set_timeouts(m_port, MAXDWORD, 0, 0));
  ASSERT_TRUE(m_pty.SendQueued("stale"));
  ASSERT_TRUE(PurgeComm(m_port, PURGE_RXCLEAR | PURGE_TXCLEAR));
  EXPECT_EQ("", read_overlapped(m_port, 8).bytes);

  ASSERT_TRUE(set_timeouts(m_port, 0, 0, 0));
  char buffer[8];
  OVERLAPPED ov{};
  DWORD done = 0;
  ASSERT_FALSE(ReadFile(m_port, buffer, sizeof buffer, &done, &ov));
  ASSERT_EQ(static_cast<DWORD>(ERROR_IO_PENDING), GetLastError());
  ASSERT_TRUE(PurgeComm(m_port, PURGE_RXABORT));
  EXPECT_FALSE(GetOverlappedResult(m_port, &ov, &done, TRUE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_OPERATION_ABORTED), GetLastError());

  EXPECT_FALSE(PurgeComm(m_port, 0x10));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

// Guards against PurgeComm clearing another queue than the ones named: input
// waiting on the line survives PURGE_TXCLEAR and the aborts, and goes with
// PURGE_RXCLEAR.
TEST_F(CommTest, PurgeClearsTheInputOnlyWhenAsked) {
  ASSERT_TRUE(set_timeouts(m_port, MAXDWORD, 0, 0));
  const struct {
    DWORD flags;
    const char* left;
  } cases[] = {
      {PURGE_TXCLEAR, "kept"},
      {PURGE_RXCLEAR, ""},
      {PURGE_TXABORT | PURGE_RXABORT, "kept"},
      {PURGE_TXCLEAR | PURGE_RXCLEAR, ""},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(m_pty.SendQueued("kept")) << "flags " << c.flags;
    ASSERT_TRUE(PurgeComm(m_port, c.flags)) << "flags " << c.flags;
    EXPECT_EQ(c.left, read_overlapped(m_port, 8).bytes) << "flags " << c.flags;
  }
}

// A pseudo-terminal whose master is in packet mode: each flush of the
// slave's queues shows at the master as a status byte naming the queue, so
// that a test sees which queue a purge cleared, the output one included.
class PacketPty {
 public:
  PacketPty() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    int on = 1;
    char name[128];
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ioctl(m_master, TIOCPKT, &on) != 0 || ptsname_r(m_master, name, sizeof name) != 0)
      throw std::runtime_error("no pseudo-terminal in packet mode");
    m_slave = name;
  }
  PacketPty(const PacketPty&) = delete;
  PacketPty& operator=(const PacketPty&) = delete;
  ~PacketPty() { close(m_master); }

  const std::string& SlavePath() const { return m_slave; }

  // The flush bits of every status byte waiting at the master, which it
  // forgets once read.
  int TakeFlushes() {
    int flushes = 0;
    char packet[64];
    while (read(m_master, packet, sizeof packet) > 0)
      if (packet[0] != TIOCPKT_DATA)
        flushes |= packet[0] & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE);
    return flushes;
  }

 private:
  int m_master = -1;
  std::string m_slave;
};

// Guards against PurgeComm flushing the output queue for PURGE_RXCLEAR or the
// input queue for PURGE_TXCLEAR, which no reading of the input alone shows.
TEST(CommPurgeTest, EachClearFlagFlushesItsOwnQueue) {
  PacketPty pty;
  const HANDLE port = open_device(pty.SlavePath());
  ASSERT_NE(INVALID_HANDLE_VALUE, port) << pty.SlavePath() << " error " << GetLastError();
  pty.TakeFlushes();
  const struct {
    DWORD flags;
    int flushes;
  } cases[] = {
      {PURGE_RXCLEAR, TIOCPKT_FLUSHREAD},
      {PURGE_TXCLEAR, TIOCPKT_FLUSHWRITE},
      {PURGE_TXCLEAR | PURGE_RXCLEAR, TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE},
      {PURGE_TXABORT | PURGE_RXABORT, 0},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(PurgeComm(port, c.flags)) << "flags " << c.flags;
    EXPECT_EQ(c.flushes, pty.TakeFlushes()) << "flags " << c.flags;
  }
  EXPECT_TRUE(CloseHandle(port));
}

// Guards against SETXOFF and SETXON trading places: while output is held,
// nothing written reaches the other end; after SETXON it does.
TEST_F(CommTest, XoffHoldsOutputUntilXon) {
  COMMTIMEOUTS t{0, 0, 0, 0, 100};
  ASSERT_TRUE(SetCommTimeouts(m_port, &t));
  auto write = [&](const char* bytes) {
    overlapped_with_event ov;
    DWORD done = 0;
    if (!WriteFile(m_port, bytes, 4, &done, &ov) && GetLastError() == ERROR_IO_PENDING)
      GetOverlappedResult(m_port, &ov, &done, TRUE);
    return done;
  };
  ASSERT_TRUE(EscapeCommFunction(m_port, SETXOFF)) << GetLastError();
  EXPECT_EQ(0u, write("held"));
  EXPECT_EQ("", m_pty.Receive(4, 200ms));
  ASSERT_TRUE(EscapeCommFunction(m_port, SETXON)) << GetLastError();
  EXPECT_EQ(4u, write("sent"));
  EXPECT_EQ("sent", m_pty.Receive(4, 2000ms));
}

TEST_F(CommTest, CommEventReportsWaitingInput) {
  DWORD events = 0;
  overlapped_with_event ov;
  // No mask, no wait.
  EXPECT_FALSE(WaitCommEvent(m_port, &events, &ov));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());

  ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
  DWORD mask = 0;
  ASSERT_TRUE(GetCommMask(m_port, &mask));
  EXPECT_EQ(EV_RXCHAR, mask);
  ASSERT_FALSE(WaitCommEvent(m_port, &events, &ov));
  ASSERT_EQ(static_cast<DWORD>(ERROR_IO_PENDING), GetLastError());
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ov.hEvent, 100));
  ASSERT_TRUE(m_pty.Send("z"));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ov.hEvent, 5000));
  EXPECT_EQ(EV_RXCHAR, events);
  // The byte is still there to read.
  ASSERT_TRUE(set_timeouts(m_port, MAXDWORD, 0, 0));
  EXPECT_EQ("z", read_overlapped(m_port, 4).bytes);
}

std::chrono::milliseconds thread_cpu_time() {
  struct rusage usage {};
  getrusage(RUSAGE_THREAD, &usage);
  return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         std::chrono::milliseconds((usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000);
}

// Waiting input that the mask does not ask for once kept the wait spinning.
TEST_F(CommTest, WaitForUnreportedEventsSleepsBesideWaitingInput) {
  ASSERT_TRUE(SetCommMask(m_port, EV_BREAK));
  ASSERT_TRUE(m_pty.SendQueued("unread"));
  DWORD events = 0;
  overlapped_with_event ov;
  ASSERT_FALSE(WaitCommEvent(m_port, &events, &ov));
  ASSERT_EQ(static_cast<DWORD>(ERROR_IO_PENDING), GetLastError());
  auto cpu = thread_cpu_time();
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ov.hEvent, 300));
  EXPECT_LT(thread_cpu_time() - cpu, 150ms);
  ASSERT_TRUE(SetCommMask(m_port, 0));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ov.hEvent, 0));
  EXPECT_EQ(0u, events);
}

// A wait ended from another thread: the mask change completes it with no
// events, and the thread waiting on its event wakes.
TEST_F(CommTest, MaskChangeFromAnotherThreadEndsAPendingWait) {
  ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
  DWORD events = 0xFFFF;
  overlapped_with_event ov;
  ASSERT_FALSE(WaitCommEvent(m_port, &events, &ov));
  ASSERT_EQ(static_cast<DWORD>(ERROR_IO_PENDING), GetLastError());
  std::thread changer([&] {
    std::this_thread::sleep_for(50ms);
    SetCommMask(m_port, 0);
  });
  auto start = steady::now();
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ov.hEvent, 10000));
  EXPECT_LT(since(start), 10000ms);
  changer.join();
  DWORD done = 0;
  EXPECT_TRUE(GetOverlappedResult(m_port, &ov, &done, TRUE));
  EXPECT_EQ(0u, events);
}

TEST_F(CommTest, ClosingTheHandleFromAnotherThreadEndsAPendingRead) {
  ASSERT_TRUE(set_timeouts(m_port, 0, 0, 0));
  HANDLE port = m_port;
  std::thread closer([&] {
    std::this_thread::sleep_for(50ms);
    CloseHandle(port);
  });
  read_result got = read_overlapped(port, 4);
  closer.join();
  m_port = INVALID_HANDLE_VALUE;
  EXPECT_FALSE(got.ok);
  EXPECT_EQ(static_cast<DWORD>(ERROR_OPERATION_ABORTED), got.error);
}

// The read has taken two bytes and waits for more when the line goes. (A
// hang-up drops what the terminal still queues, so the bytes are taken
// first.) Every call after fails at once.
TEST_F(CommTest, BytesReadBeforeTheLineWentAreDeliveredAndLaterCallsFail) {
  ASSERT_TRUE(set_timeouts(m_port, 0, 0, 0));
  ASSERT_TRUE(m_pty.SendQueued("ab"));
  std::thread puller([&] {
    while (m_pty.Queued() > 0) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(20ms);
    m_pty.CloseMaster();
  });
  read_result got = read_overlapped(m_port, 8);
  puller.join();
  EXPECT_TRUE(got.ok);
  EXPECT_EQ("ab", got.bytes);

  const auto start = steady::now();
  EXPECT_EQ(static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED), read_overlapped(m_port, 8).error);
  DCB dcb{};
  DWORD mask = 0;
  const std::pair<const char*, std::function<BOOL()>> calls[] = {
      {"GetCommState", [&] { return GetCommState(m_port, &dcb); }},
      {"SetCommMask", [&] { return SetCommMask(m_port, EV_RXCHAR); }},
      {"GetCommMask", [&] { return GetCommMask(m_port, &mask); }},
      {"PurgeComm", [&] { return PurgeComm(m_port, PURGE_RXCLEAR); }},
  };
  for (const auto& [name, call] : calls) {
    EXPECT_FALSE(call()) << name;
    EXPECT_EQ(static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED), GetLastError()) << name;
  }
  EXPECT_LT(since(start), 500ms);
  EXPECT_TRUE(CloseHandle(m_port));
  m_port = INVALID_HANDLE_VALUE;
}

void ignore_signal(int) {}

// A signal that interrupts the wait neither ends the read early nor loses it.
TEST_F(CommTest, SignalsDuringAWaitAreRetried) {
  struct sigaction action {};
  struct sigaction old {};
  action.sa_handler = ignore_signal;
  ASSERT_EQ(0, sigaction(SIGUSR1, &action, &old));
  ASSERT_TRUE(set_timeouts(m_port, 0, 0, 300));
  pthread_t reader = pthread_self();
  std::atomic<bool> done = false;
  std::thread signaller([&] {
    while (!done) {
      pthread_kill(reader, SIGUSR1);
      std::this_thread::sleep_for(10ms);
    }
  });
  auto start = steady::now();
  read_result got = read_overlapped(m_port, 4);
  auto took = since(start);
  done = true;
  signaller.join();
  sigaction(SIGUSR1, &old, nullptr);
  EXPECT_TRUE(got.ok);
  EXPECT_EQ("", got.bytes);
  EXPECT_GE(took, 300ms);
}

TEST_F(CommTest, ModemLinesAndQueues) {
  EXPECT_FALSE(EscapeCommFunction(m_port, 77));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  // A pseudo-terminal has a break but no modem lines.
  EXPECT_TRUE(EscapeCommFunction(m_port, SETBREAK)) << GetLastError();
  EXPECT_TRUE(EscapeCommFunction(m_port, CLRBREAK)) << GetLastError();
  EXPECT_TRUE(SetupComm(m_port, 4096, 4096));
  EXPECT_FALSE(SetupComm(reinterpret_cast<HANDLE>(UINT_PTR{12345}), 4096, 4096));
}

}  // namespace
