#include "comm/comm_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/path.h"
#include "settings/orvalis_data.h"
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

// Runs the call, which must end after `timeout` and not much later.
template <class Call>
void expect_takes(std::chrono::milliseconds timeout, Call call) {
  const auto start = steady::now();
  call();
  const auto took = since(start);
  EXPECT_GE(took, timeout);
  EXPECT_LT(took, timeout + margin);
}

class CommPortTest : public PrivateHiveTest {
 protected:
  CString Spec(const char* settings = "baud=9600 parity=N data=8 stop=1") {
    return CString(m_pty.SlavePath().c_str()) + ":" + settings;
  }
  // A port opened on the pty, closed again by the test's end.
  void OpenPort(CCommPort& port) { ASSERT_EQ(1, port.Open(Spec())) << m_pty.SlavePath(); }

  // Up to `count` bytes, waiting as long as a loaded machine may take to
  // pass them on; then Open's time-outs again.
  std::string ReadAll(CCommPort& port, long count) {
    std::vector<BYTE> buffer(static_cast<size_t>(count));
    port.SetReadTimeouts(0, 0, 5000);
    long n = port.Read(buffer.data(), count);
    port.SetReadTimeouts(0, 50, 50);
    return std::string(buffer.begin(), buffer.begin() + n);
  }

  PtyPair m_pty;
};

TEST_F(CommPortTest, BytesFromTheWriterArriveThroughRead) {
  CCommPort port;
  OpenPort(port);
  ASSERT_TRUE(m_pty.SendQueued("STKPW"));
  EXPECT_EQ("STKPW", ReadAll(port, 5));
  BYTE reply[] = {'o', 'k'};
  EXPECT_EQ(2, port.Write(reply, 2));
  EXPECT_EQ("ok", m_pty.Receive(2, 2000ms));
  EXPECT_EQ(1, port.Close());
}

// A Linux terminal's XON/XOFF, kept when the settings did not name the flow
// control, ate the bytes 0x11 and 0x13 of binary packets.
TEST_F(CommPortTest, EveryByteValuePassesUnchanged) {
  const char* settings[] = {"baud=9600 parity=N data=8 stop=1", "9600,n,8,1", "baud=115200"};
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (const char* s : settings) {
    CCommPort port;
    ASSERT_EQ(1, port.Open(Spec(s))) << s;
    ASSERT_EQ(1, port.SetReadTimeouts(0, 0, 2000)) << s;
    ASSERT_TRUE(m_pty.Send(all)) << s;
    EXPECT_EQ(all, ReadAll(port, 256)) << s;
    BYTE back[256];
    std::copy(all.begin(), all.end(), back);
    EXPECT_EQ(256, port.Write(back, 256)) << s;
    EXPECT_EQ(all, m_pty.Receive(256, 2000ms)) << s;
  }
}

TEST_F(CommPortTest, ReadOfNothingEndsAfterTheTimeout) {
  CCommPort port;
  OpenPort(port);
  BYTE buffer[4];
  // 50 + 50 x 4 ms with the time-outs Open sets.
  expect_takes(250ms, [&] { EXPECT_EQ(0, port.Read(buffer, 4)); });
  ASSERT_EQ(1, port.SetReadTimeouts(0, 0, 30));
  expect_takes(30ms, [&] { EXPECT_EQ(0, port.Read(buffer, 4)); });
}

TEST_F(CommPortTest, ClosedPortReadsNothing) {
  CCommPort port;
  BYTE buffer[4];
  EXPECT_EQ(0, port.IsOpen());
  EXPECT_EQ(0, port.Read(buffer, 4));
  EXPECT_EQ(0, port.Write(buffer, 4));
  EXPECT_EQ(1, port.Close());
  EXPECT_EQ(0, port.WaitForCharReceived(10));
  EXPECT_EQ(0, port.Clear());
}

TEST_F(CommPortTest, WaitForByteConsumesUpToTheTarget) {
  CCommPort port;
  OpenPort(port);
  ASSERT_TRUE(m_pty.SendQueued("ab\x80xyz"));
  EXPECT_EQ(1, port.WaitForByte(0x80));
  EXPECT_EQ("xyz", ReadAll(port, 3));

  ASSERT_TRUE(m_pty.SendQueued("abc"));
  auto start = steady::now();
  EXPECT_EQ(0, port.WaitForByte('q'));
  // Every byte went, then one read time-out of 50 + 50 x 1 ms.
  EXPECT_GE(since(start), 100ms);
  BYTE byte;
  EXPECT_EQ(0, port.Read(&byte, 1));
}

TEST_F(CommPortTest, FlushDropsWhatWaitsAndClearDropsItAtOnce) {
  CCommPort port;
  OpenPort(port);
  ASSERT_TRUE(m_pty.SendQueued("junk"));
  expect_takes(100ms, [&] { port.Flush(); });
  BYTE byte;
  EXPECT_EQ(0, port.Read(&byte, 1));

  ASSERT_TRUE(m_pty.SendQueued("more junk"));
  const auto start = steady::now();
  EXPECT_EQ(1, port.Clear());
  EXPECT_LT(since(start), margin);
  EXPECT_EQ(0, port.Read(&byte, 1));
}

TEST_F(CommPortTest, WaitForCharReceivedLeavesTheByteToRead) {
  CCommPort port;
  OpenPort(port);
  expect_takes(150ms, [&] { EXPECT_EQ(0, port.WaitForCharReceived(150)); });

  std::thread writer([&] {
    std::this_thread::sleep_for(50ms);
    m_pty.Send("K");
  });
  const auto start = steady::now();
  EXPECT_EQ(1, port.WaitForCharReceived(10000));
  EXPECT_LT(since(start), 10000ms);
  writer.join();
  EXPECT_EQ("K", ReadAll(port, 1));
  // A byte already waiting counts as received.
  ASSERT_TRUE(m_pty.SendQueued("L"));
  EXPECT_EQ(1, port.WaitForCharReceived(0));
  EXPECT_EQ("L", ReadAll(port, 1));
}

TEST_F(CommPortTest, OpenRefusesBadPortStrings) {
  const std::string missing = "/dev/kelm-no-such-device";
  struct refused {
    std::string spec;
    const char* why;
  };
  const refused cases[] = {
      {m_pty.SlavePath(), "no colon"},
      {m_pty.SlavePath() + ":baud=9600 parity=Q", "parity BuildCommDCBA refuses"},
      {m_pty.SlavePath() + ":9600,n,9,1", "data bits BuildCommDCBA refuses"},
      {m_pty.SlavePath() + ":baud=12345", "a rate the terminal lacks"},
      {missing + ":baud=9600", "missing device"},
      {"COM200:baud=9600", "a COM port with no device"},
  };
  for (const auto& c : cases) {
    CCommPort port;
    EXPECT_EQ(0, port.Open(CString(c.spec.c_str()))) << c.spec << " (" << c.why << ")";
    EXPECT_EQ(0, port.IsOpen()) << c.spec;
  }
  CCommPort port;
  OpenPort(port);  // refused settings left the device closed
}

TEST_F(CommPortTest, PortStringForms) {
  // COM10 stands for the pty in the port table.
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quendra\\Orvalis\\Ports",
                                           0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  const std::string& path = m_pty.SlavePath();
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExA(key, "COM10", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                           static_cast<DWORD>(path.size())));
  RegCloseKey(key);
  const std::string forms[] = {
      "COM10:baud=9600 parity=N data=8 stop=1",
      "\\\\.\\COM10:  baud=9600",
      m_pty.SlavePath() + ":9600,n,8,1",
      m_pty.SlavePath() + ":   baud=19200",
      "\\\\.\\" + m_pty.SlavePath() + ":baud=9600 parity=N data=8 stop=1",
      m_pty.SlavePath() + ":",
  };
  for (const auto& spec : forms) {
    CCommPort port;
    EXPECT_EQ(1, port.Open(CString(spec.c_str()))) << spec;
    ASSERT_TRUE(m_pty.SendQueued("s")) << spec;
    EXPECT_EQ("s", ReadAll(port, 1)) << spec;
    EXPECT_EQ(1, port.Close()) << spec;
  }
}

// One open port holds the device. Open on an open port once kept the old
// handle, so reopening the device failed and the handle leaked; a port
// destroyed while open held its device for the rest of the process.
TEST_F(CommPortTest, AnOpenPortHoldsTheDeviceUntilItIsReopenedOrDestroyed) {
  {
    CCommPort port;
    OpenPort(port);
    EXPECT_EQ(0, CCommPort().Open(Spec())) << "busy";
    EXPECT_EQ(1, port.Open(Spec("9600,n,8,1")));
    ASSERT_TRUE(m_pty.SendQueued("r"));
    EXPECT_EQ("r", ReadAll(port, 1));
  }
  CCommPort again;
  EXPECT_EQ(1, again.Open(Spec()));
}

TEST_F(CommPortTest, PulledCableEndsTheReadAndLaterCallsFailFast) {
  CCommPort port;
  OpenPort(port);
  ASSERT_EQ(1, port.SetReadTimeouts(0, 0, 0));
  std::thread puller([&] {
    std::this_thread::sleep_for(50ms);
    m_pty.CloseMaster();
  });
  auto start = steady::now();
  BYTE buffer[8];
  EXPECT_EQ(0, port.Read(buffer, 8));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED), GetLastError());
  EXPECT_LT(since(start), margin);
  puller.join();

  start = steady::now();
  EXPECT_EQ(0, port.Read(buffer, 8));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED), GetLastError());
  EXPECT_EQ(0, port.Write(buffer, 8));
  EXPECT_EQ(0, port.WaitForCharReceived(5000));
  EXPECT_EQ(0, port.WaitForByte('x'));
  port.Flush();
  EXPECT_EQ(0, port.Clear());
  EXPECT_LT(since(start), 500ms);
  EXPECT_EQ(1, port.Close());
}

// As /dev/serial/by-id names a device: the link stays while the device
// behind it goes and comes back under another name.
TEST_F(CommPortTest, ReopensThroughALinkAfterTheDeviceCameBack) {
  ScratchFolder folder;
  std::string link = folder.path("usb-writer");
  std::filesystem::create_symlink(m_pty.SlavePath(), link);
  CCommPort port;
  ASSERT_EQ(1, port.Open(CString((link + ":9600,n,8,1").c_str())));
  m_pty.CloseMaster();
  BYTE buffer[4];
  EXPECT_EQ(0, port.Read(buffer, 4));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED), GetLastError());

  auto back = std::make_unique<PtyPair>();
  std::filesystem::remove(link);
  std::filesystem::create_symlink(back->SlavePath(), link);
  ASSERT_EQ(1, port.Open(CString((link + ":9600,n,8,1").c_str())));
  ASSERT_TRUE(back->Send("again"));
  EXPECT_EQ("again", ReadAll(port, 5));
}

class CommPortLogTest : public CommPortTest {
 protected:
  void SetUp() override {
    CommPortTest::SetUp();
    COrvalisData data(KEY_ALL_ACCESS);
    data.SetProgramDir(m_folder.path("").c_str());
    data.SetDebugMode(3);
  }

  // The lines of the log with their time stamps checked and taken off,
  // joined by ", ".
  std::string LogLines(const std::string& name) {
    std::string text = ReadWholeFile(m_folder.path("QX" + name + ".txt"));
    std::string lines;
    const std::regex stamp(R"(\d\d-\d\d-\d\d \d\d:\d\d:\d\d\t)");
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      std::string line = text.substr(start, end - start);
      EXPECT_TRUE(std::regex_search(line, stamp, std::regex_constants::match_continuous)) << line;
      lines += (lines.empty() ? "" : ", ") + (line.size() > 18 ? line.substr(18) : line);
    }
    EXPECT_EQ(text.size(), start) << "a line without CR LF: " << text.substr(start);
    return lines;
  }
};

TEST_F(CommPortLogTest, DebugModeThreeLogsEveryCallInOrder) {
  std::string link = m_folder.path("COM2");
  std::filesystem::create_symlink(m_pty.SlavePath(), link);
  CString spec = CString(link.c_str()) + ":baud=9600";
  CCommPort port;
  ASSERT_EQ(1, port.Open(spec));
  ASSERT_TRUE(m_pty.SendQueued("ab"));
  BYTE buffer[2];
  EXPECT_EQ(2, port.Read(buffer, 2));
  EXPECT_EQ(0, port.WaitForByte('b'));
  port.EscapeFunction(SETBREAK);
  port.EscapeFunction(CLRBREAK);
  port.SetupComm(4096, 4096);
  port.WaitForCharReceived(0);
  EXPECT_EQ(1, port.Close());

  EXPECT_EQ("Open\t" + std::string(spec) +
                ", SetReadTimeouts, SetWriteTimeouts, Clear, Read, IsOpen, WaitForByte, Read, "
                "IsOpen, EscapeFunction, EscapeFunction, SetupComm, WaitForCharReceived, Close",
            LogLines("COM2"));
}

TEST_F(CommPortLogTest, ReopeningTheDeviceGoesOnInTheSameLogAndOtherModesLogNothing) {
  CCommPort port;
  OpenPort(port);
  EXPECT_EQ(1, port.Open(Spec("9600,n,8,1")));
  port.Close();
  std::string name = std::filesystem::path(m_pty.SlavePath()).filename().string();
  const std::string opened = ", SetReadTimeouts, SetWriteTimeouts, Clear";
  const std::string logged = "Open\t" + std::string(Spec()) + opened + ", Open\t" +
                             std::string(Spec("9600,n,8,1")) + opened + ", Close";
  EXPECT_EQ(logged, LogLines(name));
  COrvalisData(KEY_ALL_ACCESS).SetDebugMode(2);
  OpenPort(port);
  port.Close();
  EXPECT_EQ(logged, LogLines(name));
}

}  // namespace
