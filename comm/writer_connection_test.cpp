#include "comm/writer_connection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "testing/private_hive.h"
#include "testing/pty_pair.h"
#include "testing/writer_simulator.h"

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

// A writer's packet as a slow line or a USB adapter parts it: the pieces
// `gap` apart. Sleeping may take longer than asked on a loaded machine, so
// the gaps as they fell are given back.
std::vector<std::chrono::milliseconds> send_in_pieces(PtyPair& pty,
                                                      const std::vector<std::string>& pieces,
                                                      std::chrono::milliseconds gap) {
  std::vector<std::chrono::milliseconds> gaps;
  auto sent = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) {
      std::this_thread::sleep_for(gap);
      const auto now = std::chrono::steady_clock::now();
      gaps.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(now - sent));
    }
    EXPECT_TRUE(pty.Send(pieces[i])) << i;
    sent = std::chrono::steady_clock::now();
  }
  return gaps;
}

// Pieces of a packet that come apart by less than the protocol's quiet time
// make one stroke: a Gemini PR packet waits for its rest, a TX Bolt stroke
// is not ended early, and formats without a mark for a packet's start wait
// briefly.
TEST_F(WriterConnectionTest, APacketWrittenInPiecesComesOutWhole) {
  using ms = std::chrono::milliseconds;
  const std::vector<ms> writers_gaps = {3ms, 50ms, 90ms};
  const struct {
    CWriterStream::Protocol protocol;
    std::vector<std::string> pieces;
    const char* stroke;  // hex
    std::vector<ms> gaps;
  } cases[] = {
      {CWriterStream::GeminiPR,
       {"\x80\x08", std::string("\x20\x00", 2), std::string("\x04\x00", 2)},
       "084008",
       writers_gaps},
      {CWriterStream::GeminiPR,
       {"\x80", std::string("\x08\x20\x00\x04\x00", 5)},
       "084008",
       writers_gaps},
      // K, A, -F -R: the stroke ends with the quiet line.
      {CWriterStream::TXBolt, {"\x04", "\x42", "\x83"}, "084300", writers_gaps},
      {CWriterStream::TXBolt, {"\x04", "\x42", "\x81", "\xC1"}, "084208", writers_gaps},
      {CWriterStream::Stentura, {"\xC2\xC4", "\xC0\xC8"}, "084008", {3ms}},
      {CWriterStream::Flash, {"\x08", "\x40\x08"}, "084008", {3ms}},
  };
  for (const auto& c : cases) {
    for (const ms gap : c.gaps) {
      const std::string input = std::string(CWriterStream::GetProtocolName(c.protocol)) + " " +
                                c.stroke + " in pieces " + std::to_string(gap.count()) +
                                " ms apart";
      // An attempt counts only when the machine slept about as long as asked.
      bool tried = false;
      for (int attempt = 0; attempt < 5 && !tried; ++attempt) {
        PtyPair pty;
        CWriterConnection connection(CString(pty.SlavePath().c_str()) + ":9600,n,8,1", c.protocol);
        ASSERT_EQ(1, connection.Start()) << input;
        const auto gaps = send_in_pieces(pty, c.pieces, gap);
        tried = std::all_of(gaps.begin(), gaps.end(), [&](ms g) { return g < gap + 8ms; });
        if (!tried) continue;
        EXPECT_EQ(std::string("connected ") + c.stroke, EventsUntil(connection, c.stroke)) << input;
        EXPECT_EQ(0u, connection.GetDroppedBytes()) << input;
      }
      EXPECT_TRUE(tried) << input << ": the machine never slept near the time asked";
    }
  }
}

// A stroke whose last byte is in goes out then, not when the line falls
// quiet: here the line would have to be quiet for an hour.
TEST_F(WriterConnectionTest, AStrokeEndingInTheLastKeySetComesWithoutWaitingForQuiet) {
  const struct {
    CWriterStream::Protocol protocol;
    std::string bytes;
    const char* strokes;  // hex, as EventsUntil gives them
  } cases[] = {
      {CWriterStream::TXBolt, "\x04\x42\xC1", "084008"},
      {CWriterStream::TXBolt, "\x04\x42\x81\xC1\x15\x41\xD0", "084208 6A8000"},
      {CWriterStream::TXBolt, std::string("\x04\x42\x00", 3), "084000"},
      {CWriterStream::GeminiPR, packet(kat), "084008"},
  };
  for (const auto& c : cases) {
    PlugIn();
    CWriterConnection connection(Spec(), c.protocol);
    connection.SetQuietMilliseconds(3600 * 1000);
    ASSERT_EQ(1, connection.Start());
    ASSERT_TRUE(m_pty->Send(c.bytes));
    const std::string want = c.strokes;
    EXPECT_EQ("connected " + want, EventsUntil(connection, want.substr(want.rfind(' ') + 1)))
        << CWriterStream::GetProtocolName(c.protocol) << " " << c.strokes;
  }
}

// A packet cut short in a format that cannot mark a packet's start is given
// up once the line has been quiet, so the next packet is read from its own
// first byte.
TEST_F(WriterConnectionTest, AQuietLineDropsAPacketCutShort) {
  PlugIn();
  CWriterConnection connection(Spec(), CWriterStream::Flash);
  ASSERT_EQ(1, connection.Start());
  ASSERT_TRUE(m_pty->Send("\x08\x40"));
  std::this_thread::sleep_for(300ms);
  ASSERT_TRUE(m_pty->Send(std::string("\x2A\x80\x00", 3)));
  EXPECT_EQ("connected 2A8000", EventsUntil(connection, "2A8000"));
  EXPECT_EQ(2u, connection.GetDroppedBytes());
}

TEST_F(WriterConnectionTest, StopEndsTheRetries) {
  CWriterConnection connection(Spec(), CWriterStream::TXBolt);
  connection.Start();
  connection.Stop();
  EXPECT_EQ("waiting_for_the_writer stopped", EventsUntil(connection, "stopped"));
}

}  // namespace

namespace {

// A writer that sends strokes only when asked, played by the simulator: the
// connection asks for them on its own thread.
class AskedWriterTest : public PrivateHiveTest {
 protected:
  static CStroke Stroke(const char* hex) {
    CStroke stroke;
    stroke.SetStrHex(hex);
    return stroke;
  }

  // The strokes, in hex, that came within `wait`, until `count` had.
  static std::string Strokes(CWriterConnection& connection, std::size_t count,
                             std::chrono::milliseconds wait = 8000ms) {
    std::vector<std::string> seen;
    const auto until = std::chrono::steady_clock::now() + wait;
    CWriterConnection::Event event;
    while (seen.size() < count && std::chrono::steady_clock::now() < until)
      if (connection.GetEvent(event, 50) && event.kind == CWriterConnection::Event::Stroke)
        seen.emplace_back(event.stroke.GetStrHex().View());
    std::string text;
    for (const std::string& s : seen) text += (text.empty() ? "" : " ") + s;
    return text;
  }

  CString Spec(const WriterSimulator& writer) const { return writer.PortSpec().c_str(); }

  std::string Link() const { return m_folder.path("usb-Steno_0003-if00"); }
};

TEST_F(AskedWriterTest, StrokesFromBeforeAreSkippedAndNewOnesComeOnceInOrder) {
  WriterSimulator writer({}, Link());
  writer.WriteBefore({Stroke("800000"), Stroke("400000")});
  CWriterConnection connection(Spec(writer), CWriterStream::StenturaProtocol);
  ASSERT_EQ(1, connection.Start());
  ASSERT_TRUE(writer.WaitUntilHostListens(5s));
  for (const char* hex : {"084008", "2A8000", "000001"}) writer.Write(Stroke(hex));
  EXPECT_EQ("084008 2A8000 000001", Strokes(connection, 3));
  EXPECT_EQ("", Strokes(connection, 1, 700ms)) << "nothing more";
}

// Each answer after a copy of the one before, another request's: the copy
// is not taken for the answer, so no stroke comes twice.
TEST_F(AskedWriterTest, AnAnswerToAnotherRequestIsNotTakenForTheAnswer) {
  WriterSimulator::Options options;
  options.staleShare = 1.0;
  WriterSimulator writer(options, Link());
  CWriterConnection connection(Spec(writer), CWriterStream::StenturaProtocol);
  ASSERT_EQ(1, connection.Start());
  ASSERT_TRUE(writer.WaitUntilHostListens(5s));
  writer.Write(Stroke("084008"));
  EXPECT_EQ("084008", Strokes(connection, 1));
  writer.Write(Stroke("2A8000"));
  EXPECT_EQ("2A8000", Strokes(connection, 1));
  EXPECT_EQ("", Strokes(connection, 1, 700ms)) << "nothing more";
}

// Every answer garbled: the same request goes again about once a second,
// and nothing garbled is taken for a stroke.
TEST_F(AskedWriterTest, ARequestWithoutAValidAnswerIsSentAgainAfterASecond) {
  WriterSimulator::Options options;
  options.corruptShare = 1.0;
  WriterSimulator writer(options, Link());
  writer.WriteBefore({Stroke("084008")});
  CWriterConnection connection(Spec(writer), CWriterStream::StenturaProtocol);
  ASSERT_EQ(1, connection.Start());
  std::this_thread::sleep_for(2500ms);
  connection.Stop();
  EXPECT_LE(2u, writer.GetAnswers());
  EXPECT_GE(4u, writer.GetAnswers());
  EXPECT_EQ("", Strokes(connection, 1, 100ms));
}

// Answers slow, garbled or after a stale copy of the last, and the device
// gone while strokes are on their way and more written while it is out:
// each stroke comes once, in order.
TEST_F(AskedWriterTest, NothingIsLostOrRepeatedAcrossBadAnswersAndAReconnection) {
  WriterSimulator::Options options;
  options.slowMilliseconds = 80;
  options.corruptShare = 0.3;
  options.staleShare = 0.3;
  options.seed = 6;
  WriterSimulator writer(options, Link());
  CWriterConnection connection(Spec(writer), CWriterStream::StenturaProtocol);
  ASSERT_EQ(1, connection.Start());
  ASSERT_TRUE(writer.WaitUntilHostListens(5s));
  writer.Write(Stroke("084008"));
  writer.Write(Stroke("2A8000"));
  EXPECT_EQ("084008 2A8000", Strokes(connection, 2));
  writer.Write(Stroke("000001"));
  writer.Unplug();
  writer.Write(Stroke("400000"));
  writer.Plug();
  writer.Write(Stroke("004000"));
  EXPECT_EQ("000001 400000 004000", Strokes(connection, 3));
  EXPECT_EQ("", Strokes(connection, 1, 700ms)) << "nothing more";
  EXPECT_LT(0u, writer.GetCorrupted());
  EXPECT_LT(0u, writer.GetStale());
}

// The writer switched off and on while the cable was out starts a new
// realtime file, shorter than what was handed on: its strokes are new and
// all come.
TEST_F(AskedWriterTest, ANewRealtimeFileAfterAReconnectionIsReadFromItsStart) {
  WriterSimulator writer({}, Link());
  CWriterConnection connection(Spec(writer), CWriterStream::StenturaProtocol);
  ASSERT_EQ(1, connection.Start());
  ASSERT_TRUE(writer.WaitUntilHostListens(5s));
  for (const char* hex : {"084008", "2A8000", "000001"}) writer.Write(Stroke(hex));
  EXPECT_EQ("084008 2A8000 000001", Strokes(connection, 3));
  writer.Unplug();
  writer.NewRealtimeFile();
  writer.Write(Stroke("400000"));
  writer.Plug();
  writer.Write(Stroke("004000"));
  EXPECT_EQ("400000 004000", Strokes(connection, 2));
  EXPECT_EQ("", Strokes(connection, 1, 700ms)) << "nothing more";
}

}  // namespace
