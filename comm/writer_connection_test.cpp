#include "comm/writer_connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "testing/private_hive.h"
#include "testing/pty_pair.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Gemini PR packets of three strokes.
constexpr char kat[] = "\x80\x08\x20\x00\x04\x00";
constexpr char skwr[] = "\x80\x4A\x40\x00\x00\x00";
constexpr char right_z[] = "\x80\x00\x00\x00\x00\x01";

std::string packet(const char* bytes) { return std::string(bytes, 6); }

// A writer's line as udev shows it: a link of a stable name to the device,
// which a pulled and plugged cable replaces by a link to a new one.
class WriterConnectionTest : public PrivateHiveTest {
 protected:
  void SetUp() override {
    PrivateHiveTest::SetUp();
    m_link = m_folder.path("usb-Writer_0001-if00");
  }

  void PlugIn() {
    m_pty = std::make_unique<PtyPair>();
    const std::string fresh = m_link + ".new";
    fs::create_symlink(m_pty->SlavePath(), fresh);
    fs::rename(fresh, m_link);
  }

  void Pull() { m_pty.reset(); }

  CString Spec() const { return CString(m_link.c_str()) + ":9600,n,8,1"; }

  // The events that came within `wait`, until `last` (a state name or a
  // stroke's hex form) came, one a word: state names as GetStateName gives
  // them with blanks as '_', strokes in hex.
  std::string EventsUntil(CWriterConnection& connection, const std::string& last,
                          std::chrono::milliseconds wait = 5000ms) {
    std::string seen;
    const auto until = std::chrono::steady_clock::now() + wait;
    CWriterConnection::Event event;
    while (std::chrono::steady_clock::now() < until) {
      if (!connection.GetEvent(event, 50)) continue;
      std::string word;
      if (event.kind == CWriterConnection::Event::Stroke) {
        word = event.stroke.GetStrHex().View();
        EXPECT_NE(0, event.stroke.GetTimeStamp().GetTime()) << word << " has no time";
      } else {
        word = CWriterConnection::GetStateName(event.state);
        for (char& c : word)
          if (c == ' ') c = '_';
      }
      seen += (seen.empty() ? "" : " ") + word;
      if (word == last) break;
    }
    return seen;
  }

  std::string m_link;
  std::unique_ptr<PtyPair> m_pty;
};

TEST_F(WriterConnectionTest, StrokesArriveInOrderAsTheyAreWritten) {
  PlugIn();
  CWriterConnection connection(Spec(), CWriterStream::GeminiPR);
  ASSERT_EQ(1, connection.Start());
  // The last packet comes in two pieces, as a slow line may give it.
  ASSERT_TRUE(m_pty->Send(packet(kat) + packet(skwr) + packet(right_z).substr(0, 2)));
  ASSERT_TRUE(m_pty->Send(packet(right_z).substr(2)));
  EXPECT_EQ("connected 084008 2A8000 000001", EventsUntil(connection, "000001"));
  connection.Stop();
  EXPECT_EQ("stopped", EventsUntil(connection, "stopped"));
  EXPECT_EQ(CWriterConnection::Stopped, connection.GetState());
}

TEST_F(WriterConnectionTest, WaitsForAWriterThatIsNotThereYet) {
  CWriterConnection connection(Spec(), CWriterStream::GeminiPR);
  ASSERT_EQ(0, connection.Start());
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), connection.GetOpenError());
  EXPECT_EQ("waiting_for_the_writer", EventsUntil(connection, "waiting_for_the_writer"));
  PlugIn();
  EXPECT_EQ("connected", EventsUntil(connection, "connected"));
  ASSERT_TRUE(m_pty->Send(packet(kat)));
  EXPECT_EQ("084008", EventsUntil(connection, "084008"));
}

// The cable pulled mid-stroke and plugged back: the port is let go at once,
// the stroke cut short is not joined to what the writer sends afterwards,
// and the strokes go on through the same name.
TEST_F(WriterConnectionTest, SurvivesAPulledCable) {
  PlugIn();
  CWriterConnection connection(Spec(), CWriterStream::GeminiPR);
  ASSERT_EQ(1, connection.Start());
  ASSERT_TRUE(m_pty->Send(packet(kat) + packet(skwr).substr(0, 3)));
  EXPECT_EQ("connected 084008", EventsUntil(connection, "084008"));
  const std::string old_slave = m_pty->SlavePath();
  Pull();
  EXPECT_EQ("disconnected", EventsUntil(connection, "disconnected"));
  EXPECT_EQ(CWriterConnection::Disconnected, connection.GetState());
  PlugIn();
  EXPECT_EQ("connected", EventsUntil(connection, "connected"));
  ASSERT_TRUE(m_pty->Send(packet(skwr).substr(3) + packet(right_z)));
  EXPECT_EQ("000001", EventsUntil(connection, "000001"));
  // Three left over at the pull, and the same three again from the writer.
  EXPECT_EQ(6u, connection.GetDroppedBytes());
}

TEST_F(WriterConnectionTest, StopEndsTheRetries) {
  CWriterConnection connection(Spec(), CWriterStream::TXBolt);
  connection.Start();
  connection.Stop();
  EXPECT_EQ("waiting_for_the_writer stopped", EventsUntil(connection, "stopped"));
}

}  // namespace
