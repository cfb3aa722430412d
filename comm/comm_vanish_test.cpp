// A writer's device that vanishes (the master closed, its by-id link
// removed) at a random moment while a CCommPort call or a CWriterConnection
// waits on it, over and over: each call ends within its time-out, reports
// the lost device, later calls fail at once, and the loop gives back every
// descriptor, eventfd and thread it took.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "comm/comm_port.h"
#include "comm/writer_connection.h"
#include "testing/private_hive.h"
#include "testing/process_resources.h"
#include "testing/pty_pair.h"

namespace {

using namespace std::chrono_literals;
using steady = std::chrono::steady_clock;

// A hang check, not a speed test: room for a loaded machine under the
// sanitizers.
constexpr auto grace = 2s;

// A Gemini PR packet: KAT.
const std::string kat("\x80\x08\x20\x00\x04\x00", 6);

enum class call_kind { read, wait_for_char, wait_for_byte, connection };

const char* name_of(call_kind kind) {
  constexpr const char* names[] = {"CCommPort::Read", "CCommPort::WaitForCharReceived",
                                   "CCommPort::WaitForByte", "CWriterConnection"};
  return names[static_cast<int>(kind)];
}

struct round_plan {
  int number;
  call_kind kind;
  long timeout_ms;
  std::chrono::milliseconds vanish_after;
  std::string sent;

  std::string describe() const {
    std::ostringstream out;
    out << "round " << number << ": " << name_of(kind) << ", time-out " << timeout_ms
        << " ms, vanishing after " << vanish_after.count() << " ms, " << sent.size()
        << " bytes sent";
    return out.str();
  }
};

// Sends the round's bytes halfway, then goes; joined by the destructor.
class vanishing_writer {
 public:
  vanishing_writer(std::unique_ptr<PtyPair> pty, std::string link, const round_plan& plan)
      : m_thread([this, pty = std::move(pty), link, plan]() mutable {
          std::this_thread::sleep_for(plan.vanish_after / 2);
          pty->Send(plan.sent);
          std::this_thread::sleep_for(plan.vanish_after - plan.vanish_after / 2);
          m_going = true;
          pty.reset();
          std::filesystem::remove(link);
          m_gone_at = steady::now().time_since_epoch().count();
        }) {}
  ~vanishing_writer() { Join(); }

  void Join() {
    if (m_thread.joinable()) m_thread.join();
  }
  bool Going() const { return m_going; }
  // Once joined.
  steady::time_point GoneAt() const { return steady::time_point(steady::duration(m_gone_at)); }

 private:
  std::atomic<bool> m_going = false;
  std::atomic<steady::rep> m_gone_at = 0;
  std::thread m_thread;
};

class CommPortVanishTest : public PrivateHiveTest {
 protected:
  // A fresh device behind the link, as a plugged-in writer.
  std::unique_ptr<PtyPair> PlugIn(int n) {
    auto pty = std::make_unique<PtyPair>();
    m_link = m_folder.path("usb-Writer-" + std::to_string(n));
    std::filesystem::create_symlink(pty->SlavePath(), m_link);
    return pty;
  }
  CString Spec() const { return CString(m_link.c_str()) + ":9600,n,8,1"; }

  // One round with a port; the outcome's name.
  std::string PortRound(const round_plan& plan, const std::string& context) {
    CCommPort port;
    auto pty = PlugIn(plan.number);
    EXPECT_EQ(1, port.Open(Spec())) << context;
    if (plan.kind == call_kind::read) {
      EXPECT_EQ(1, port.SetReadTimeouts(0, 0, plan.timeout_ms)) << context;
    }
    std::string outcome;
    {
      vanishing_writer writer(std::move(pty), m_link, plan);
      SetLastError(ERROR_SUCCESS);
      const auto start = steady::now();
      std::vector<BYTE> buffer(64);
      long got = 0;
      if (plan.kind == call_kind::read)
        got = port.Read(buffer.data(), static_cast<long>(buffer.size()));
      else if (plan.kind == call_kind::wait_for_char)
        got = port.WaitForCharReceived(static_cast<int>(plan.timeout_ms));
      else
        got = port.WaitForByte('\x7F');
      const DWORD error = GetLastError();
      const auto took = steady::now() - start;
      const bool vanishing = writer.Going();
      writer.Join();

      // WaitForByte reads one byte at a time under Open's time-outs, each
      // read 100 ms at most, and goes on while bytes come.
      const auto bound =
          (plan.kind == call_kind::wait_for_byte ? plan.vanish_after + 100ms
                                                 : std::chrono::milliseconds(plan.timeout_ms)) +
          grace;
      EXPECT_LT(took, bound) << context;
      if (plan.kind == call_kind::read) {
        const std::string bytes(buffer.begin(), buffer.begin() + got);
        EXPECT_EQ(plan.sent.substr(0, bytes.size()), bytes) << context;
        if (got == 0 && error == ERROR_DEVICE_NOT_CONNECTED) {
          EXPECT_TRUE(vanishing) << context << ": failed before the device went";
        } else if (got == 0) {
          EXPECT_GE(took, std::chrono::milliseconds(plan.timeout_ms)) << context << ": " << error;
        }
        outcome = got > 0                               ? "bytes"
                  : error == ERROR_DEVICE_NOT_CONNECTED ? "device not connected"
                                                        : "timed out empty";
      } else {
        // The target byte never comes; a character comes only when sent.
        EXPECT_TRUE(got == 0 || (plan.kind == call_kind::wait_for_char && !plan.sent.empty()))
            << context;
        outcome = got == 1 ? "a character came" : "nothing";
      }
    }

    const auto later = steady::now();
    BYTE byte = 0;
    EXPECT_EQ(0, port.Read(&byte, 1)) << context;
    EXPECT_EQ(static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED), GetLastError()) << context;
    EXPECT_EQ(0, port.Write(&byte, 1)) << context;
    EXPECT_EQ(0, port.WaitForCharReceived(5000)) << context;
    EXPECT_LT(steady::now() - later, grace) << context << ": later calls wait";
    EXPECT_EQ(1, port.Close()) << context;
    return outcome;
  }

  std::string ConnectionRound(const round_plan& plan, const std::string& context) {
    auto pty = PlugIn(plan.number);
    CWriterConnection connection(Spec(), CWriterStream::GeminiPR);
    EXPECT_EQ(1, connection.Start()) << context;
    vanishing_writer writer(std::move(pty), m_link, plan);
    writer.Join();
    const auto gone = writer.GoneAt();

    int strokes = 0;
    bool disconnected = false;
    CWriterConnection::Event event;
    while (!disconnected && steady::now() < gone + grace) {
      if (!connection.GetEvent(event, 10)) continue;
      if (event.kind == CWriterConnection::Event::Stroke) ++strokes;
      disconnected = event.kind == CWriterConnection::Event::StateChange &&
                     event.state == CWriterConnection::Disconnected;
    }
    EXPECT_TRUE(disconnected) << context << ": no Disconnected within " << grace.count() << " s";
    EXPECT_LE(strokes, static_cast<int>(plan.sent.size() / kat.size())) << context;
    connection.Stop();
    EXPECT_EQ(CWriterConnection::Stopped, connection.GetState()) << context;
    return disconnected ? std::to_string(strokes) + " strokes, then disconnected" : "connected";
  }

  std::string m_link;
};

TEST_F(CommPortVanishTest, WriterVanishingDuringACallEndsItAndLeaksNothing) {
  constexpr int rounds = 60;
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::map<std::string, int> outcomes;

  // The first Open reads the settings from the hive, which then stays open.
  {
    auto pty = PlugIn(-1);
    CCommPort port;
    ASSERT_EQ(1, port.Open(Spec()));
  }
  const ProcessResources before = ProcessResources::Now();

  for (int n = 0; n < rounds; ++n) {
    round_plan plan{n, static_cast<call_kind>(n % 4), 0, 0ms, ""};
    plan.timeout_ms = std::uniform_int_distribution<long>(100, 400)(random);
    plan.vanish_after =
        std::chrono::milliseconds(std::uniform_int_distribution<long>(0, plan.timeout_ms)(random));
    const int packets = static_cast<int>(random() % 3);
    for (int p = 0; p < packets; ++p) plan.sent += kat;
    const std::string context = plan.describe() + " (seed " + std::to_string(seed) + ")";
    const std::string outcome = plan.kind == call_kind::connection ? ConnectionRound(plan, context)
                                                                   : PortRound(plan, context);
    ++outcomes[std::string(name_of(plan.kind)) + ": " + outcome];
  }

  const ProcessResources after = ProcessResources::Now();
  EXPECT_EQ(before, after) << "seed " << seed;
  std::cout << rounds << " rounds (seed " << seed << "); before " << before << ", after " << after
            << "\n";
  for (const auto& [outcome, count] : outcomes)
    std::cout << "  " << count << " x " << outcome << "\n";
}

}  // namespace
