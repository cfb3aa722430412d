#include "comm/comm_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/path.h"
#include "settings/orvalis_data.h"
#include "testing/private_hive.h"
#include "testing/pty_pair.h"

namespace {

using namespace std::chrono_literals;
using steady = std::chrono::steady_clock;

// Time-outs are checked for their lower bound exactly and for their upper
// bound with room for a loaded machine under the sanitizers.
constexpr auto margin = 1500ms;

std::chrono::milliseconds since(steady::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - start);
}

class CommPortTest : public PrivateHiveTest {
 protected:
  CString Spec(const char* settings = "baud=9600 parity=N data=8 stop=1") {
    return CString(m_pty.SlavePath().c_str()) + ":" + settings;
  }
  // A port opened on the pty, closed again by the test's end.
  void OpenPort(CCommPort& port) { ASSERT_EQ(1, port.Open(Spec())) << m_pty.SlavePath(); }

  std::string ReadAll(CCommPort& port, long count) {
    std::vector<BYTE> buffer(static_cast<size_t>(count));
    long n = port.Read(buffer.data(), count);
    return std::string(buffer.begin(), buffer.begin() + n);
  }

  PtyPair m_pty;
};

TEST_F(CommPortTest, BytesFromTheWriterArriveThroughRead) {
  CCommPort port;
  OpenPort(port);
  ASSERT_TRUE(m_pty.Send("STKPW"));
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ("STKPW", ReadAll(port, 5));
  BYTE reply[] = {'o', 'k'};
  EXPECT_EQ(2, port.Write(reply, 2));
  EXPECT_EQ("ok", m_pty.Receive(2, 2000ms));
  EXPECT_EQ(1, port.Close());
}

TEST_F(CommPortTest, ReadOfNothingEndsAfterTheTimeout) {
  CCommPort port;
  OpenPort(port);
  // 50 + 50 x 4 ms with the time-outs Open sets.
  auto start = steady::now();
  BYTE buffer[4];
  EXPECT_EQ(0, port.Read(buffer, 4));
  EXPECT_GE(since(start), 250ms);
  EXPECT_LT(since(start), 250ms + margin);

  ASSERT_EQ(1, port.SetReadTimeouts(0, 0, 30));
  start = steady::now();
  EXPECT_EQ(0, port.Read(buffer, 4));
  EXPECT_GE(since(start), 30ms);
  EXPECT_LT(since(start), 30ms + margin);
  port.Close();
}

TEST_F(CommPortTest, ClosedPortReadsNothing) {
  CCommPort port;
  BYTE buffer[4];
  EXPECT_EQ(0, port.IsOpen());
  EXPECT_EQ(0, port.Read(buffer, 4));
  EXPECT_EQ(0, port.Write(buffer, 4));
  EXPECT_EQ(1, port.Close());
}

}  // namespace
