// `kelm listen` and `kelm translate --port` end to end on pseudo-terminals:
// the test speaks as the writer on the master side of a pty that a link of
// a stable name points to, as /dev/serial/by-id does; pulling the cable is
// closing the master, plugging it back is linking a new pty in its place.
// And writer bytes read live from a pipe, which the same decoder takes as it
// takes a line's.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "strokes/steno.h"
#include "testing/cli_runner.h"
#include "testing/pty_pair.h"
#include "testing/writer_simulator.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Gemini PR packets.
const std::string kat("\x80\x08\x20\x00\x04\x00", 6);
const std::string skwr("\x80\x4A\x40\x00\x00\x00", 6);

// A kelm run in the background, in the home's environment as run_kelm gives
// it, with its output in files of the home.
class Background {
 public:
  Background(std::vector<std::string> args, const ScratchFolder& home,
             const std::string& in = "/dev/null")
      : m_out(home.path("bg_stdout")), m_err(home.path("bg_stderr")) {
    m_pid = start_kelm(std::move(args), home, in, m_out, m_err);
  }
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;
  ~Background() {
    if (m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
  }

  std::string Out() const { return ReadWholeFile(m_out); }
  std::string Err() const { return ReadWholeFile(m_err); }

  // Waits until the standard output or error holds `text` `times` times.
  bool WaitFor(bool on_err, const std::string& text, int times = 1) const {
    const auto until = std::chrono::steady_clock::now() + 15s;
    while (std::chrono::steady_clock::now() < until) {
      const std::string got = on_err ? Err() : Out();
      int found = 0;
      for (std::size_t at = got.find(text); at != std::string::npos; at = got.find(text, at + 1))
        ++found;
      if (found >= times) return true;
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }

  // Sends the signal and gives the exit status, or -1 when it did not exit.
  int Stop(int signal) {
    kill(m_pid, signal);
    return Wait();
  }

  // The exit status once it ends, or -1 when it did not exit.
  int Wait() {
    int status = 0;
    const pid_t pid = m_pid;
    m_pid = -1;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

 private:
  std::string m_out, m_err;
  pid_t m_pid = -1;
};

class LiveCommandTest : public ::testing::Test {
 protected:
  void PlugIn() {
    m_pty = std::make_unique<PtyPair>();
    const std::string fresh = m_link + ".new";
    fs::create_symlink(m_pty->SlavePath(), fresh);
    fs::rename(fresh, m_link);
  }
  void Pull() { m_pty.reset(); }
  std::string Spec() const { return m_link + ":9600,n,8,1"; }

  ScratchFolder m_home;
  const std::string m_link = m_home.path("usb-Writer_0001-if00");
  std::unique_ptr<PtyPair> m_pty;
};

// The writer is plugged in after the start, pulled and plugged back: each
// change is said on the error stream and the strokes written after each
// plug are printed, one a line with their time.
TEST_F(LiveCommandTest, ListenWaitsForTheWriterAndKeepsGoingAcrossAPulledCable) {
  Background listen({"listen", "--port", Spec(), "--writer", "geminipr", "--wait"}, m_home);
  ASSERT_TRUE(listen.WaitFor(true, "waiting for the writer on " + m_link)) << listen.Err();
  PlugIn();
  ASSERT_TRUE(listen.WaitFor(true, "connected to " + m_link)) << listen.Err();
  ASSERT_TRUE(m_pty->Send(kat));
  ASSERT_TRUE(listen.WaitFor(false, "KA-T\n")) << listen.Out();
  Pull();
  ASSERT_TRUE(listen.WaitFor(true, "disconnected from " + m_link)) << listen.Err();
  PlugIn();
  ASSERT_TRUE(listen.WaitFor(true, "connected to " + m_link, 2)) << listen.Err();
  ASSERT_TRUE(m_pty->Send(skwr));
  ASSERT_TRUE(listen.WaitFor(false, "SKWR\n")) << listen.Out();
  EXPECT_EQ(0, listen.Stop(SIGINT)) << listen.Err();
  EXPECT_TRUE(std::regex_match(listen.Out(), std::regex("[0-2][0-9]:[0-5][0-9]:[0-6][0-9] KA-T\n"
                                                        "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] SKWR\n")))
      << listen.Out();
  EXPECT_NE(std::string::npos, listen.Err().find("closed " + m_link)) << listen.Err();
}

// Writer bytes through a pipe, as from a program that reads the line: a
// pause in the pipe is a quiet line, so a TX Bolt stroke that only the quiet
// ends comes out then rather than at the end of the input, and a Gemini PR
// packet parted by a short pause waits for its rest.
TEST_F(LiveCommandTest, DecodeFromAPipeTakesAPauseAsTheLineFallingQuiet) {
  const std::string fifo = m_home.path("line");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  const struct {
    const char* writer;
    std::string first;                // a stroke that comes out at once: kelm is reading
    std::vector<std::string> pieces;  // a pause between
    const char* out;
  } cases[] = {
      {"txbolt", "\xC8", {"\x04\x42"}, "-Z 000001\nKA 084000\n"},
      {"geminipr",
       std::string("\x80\x00\x00\x00\x00\x01", 6),
       {"\x80\x08\x20", std::string("\x00\x04\x00", 3)},
       "-Z 000001\nKA-T 084008\n"},
  };
  const auto send = [](int line, const std::string& bytes) {
    return write(line, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  };
  for (const auto& c : cases) {
    // Open for writing and reading, so that neither this open nor kelm's
    // waits for the other end.
    const int line = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_LE(0, line);
    Background decode({"stroke", "decode", "--writer", c.writer, "--file", "-"}, m_home, fifo);
    ASSERT_TRUE(send(line, c.first));
    ASSERT_TRUE(decode.WaitFor(false, "-Z 000001\n")) << c.writer << "\n" << decode.Err();
    for (std::size_t i = 0; i < c.pieces.size(); ++i) {
      if (i > 0) std::this_thread::sleep_for(50ms);
      ASSERT_TRUE(send(line, c.pieces[i]));
    }
    EXPECT_TRUE(decode.WaitFor(false, c.out)) << c.writer << "\n" << decode.Out();
    close(line);
    EXPECT_EQ(0, decode.Wait()) << c.writer << "\n" << decode.Err();
    EXPECT_EQ(c.out, decode.Out()) << c.writer;
    EXPECT_EQ("", decode.Err()) << c.writer;
  }
}

TEST_F(LiveCommandTest, ListenRefusesAMissingDeviceWithoutWait) {
  expect_runs({"listen", "--writer", "txbolt", "--port"},
              {{{Spec()}, 1, "", "no such device"},
               // Without line settings the writer's usual ones are taken.
               {{m_link}, 1, "", "no such device"},
               {{":9600,n,8,1"}, 2, "", "names no device"}},
              m_home);
  EXPECT_EQ(0, run_kelm({"ports"}, m_home).status);
}

// The sample paragraph as a Stentura writer sends it, translated as it
// comes, with the cable pulled and plugged back halfway: the transcript goes
// on, and SIGTERM ends the run with the whole text, on standard output and
// in the text file.
TEST_F(LiveCommandTest, TranslateFromAPortGivesTheTextOfWhatTheWriterSent) {
  const std::string examples = KELM_EXAMPLES_DIR;
  const std::string capture = ReadWholeFile(examples + "/paragraph.stentura");
  if (capture.empty()) GTEST_SKIP() << "examples/paragraph.stentura is missing";
  PlugIn();
  const std::string text_file = m_home.path("out.txt");
  Background translate({"translate", "--dict", examples + "/sample.rtf", "--port", Spec(),
                        "--writer", "stentura", "--text", text_file},
                       m_home);
  ASSERT_TRUE(translate.WaitFor(true, "connected to " + m_link)) << translate.Err();
  const std::size_t half = capture.size() / 8 * 4;
  ASSERT_TRUE(m_pty->Send(capture.substr(0, half)));
  ASSERT_TRUE(translate.WaitFor(false, "Good morning")) << translate.Err();
  Pull();
  ASSERT_TRUE(translate.WaitFor(true, "disconnected from " + m_link)) << translate.Err();
  PlugIn();
  ASSERT_TRUE(translate.WaitFor(true, "connected to " + m_link, 2)) << translate.Err();
  ASSERT_TRUE(m_pty->Send(capture.substr(half)));
  // The last words become final only when the run ends; these are final
  // once the strokes after them have come, and the rest are on their way.
  ASSERT_TRUE(translate.WaitFor(false, "The court will take the matter")) << translate.Err();
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(0, translate.Stop(SIGTERM)) << translate.Err();
  const std::string want = ReadWholeFile(examples + "/paragraph.txt");
  EXPECT_EQ(want, translate.Out());
  EXPECT_EQ(want, ReadWholeFile(text_file));
}

// A writer of each protocol, played by the simulator.
class SimulatedWriterTest : public ::testing::Test {
 public:
  static std::vector<CStroke> Paragraph() {
    std::vector<CStroke> strokes;
    std::istringstream words(ReadWholeFile(KELM_EXAMPLES_DIR "/paragraph.steno"));
    for (std::string word; words >> word;) {
      CSteno steno;
      EXPECT_EQ(0, steno.SetString(word.c_str(), 0)) << word;
      for (int i = 0; i < steno.GetStrokeCount(); ++i) strokes.push_back(steno[i]);
    }
    return strokes;
  }

  // Listen's lines for strokes, without their times.
  static std::string Shown(const std::vector<CStroke>& strokes) {
    std::string text;
    for (const CStroke& stroke : strokes) {
      CSteno steno;
      steno.Append(stroke);
      text += std::string(steno.GetStrDisplay(0).View()) + "\n";
    }
    return text;
  }

  static std::string WithoutTimes(const std::string& out) {
    return std::regex_replace(out, std::regex("(^|\n)[0-2][0-9]:[0-5][0-9]:[0-6][0-9] "), "$1");
  }

  // Waits until the host has read what was written.
  static bool WaitForHost(WriterSimulator& writer) {
    const auto until = std::chrono::steady_clock::now() + 15s;
    while (!writer.HostHasAll()) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }

  // A run on the writer's port, named without line settings; once it has
  // connected (and, for a writer that is asked, read past the strokes from
  // before) the writer's strokes are not taken for old ones.
  static bool Connected(const Background& run, WriterSimulator& writer, int times = 1) {
    if (!run.WaitFor(true, "connected to " + writer.Link(), times)) return false;
    return !CWriterStream::IsAskedFor(writer.Protocol()) || writer.WaitUntilHostListens(10s);
  }

 protected:
  ScratchFolder m_home;
  const std::string m_link = m_home.path("usb-Writer_0002-if00");
};

// Every protocol's packets, read live from its port at the writer's usual
// line speed, come out as the strokes written, each once and in order; the
// strokes in a machine's realtime file from before the run are not shown.
TEST_F(SimulatedWriterTest, ListenPrintsEveryStrokeOfEveryWriter) {
  std::vector<CStroke> strokes = Paragraph();
  ASSERT_LE(30u, strokes.size());
  strokes.resize(30);
  const std::vector<CStroke> before = {strokes[3], strokes[4]};
  for (int p = 0; p < CWriterStream::ProtocolCount; ++p) {
    const auto protocol = static_cast<CWriterStream::Protocol>(p);
    const std::string name = CWriterStream::GetProtocolName(protocol);
    WriterSimulator writer({protocol}, m_link);
    writer.WriteBefore(before);
    Background listen({"listen", "--port", m_link, "--writer", name}, m_home);
    ASSERT_TRUE(Connected(listen, writer)) << name << "\n" << listen.Err();
    for (const CStroke& stroke : strokes) writer.Write(stroke);
    ASSERT_TRUE(WaitForHost(writer)) << name;
    EXPECT_EQ(0, listen.Stop(SIGINT)) << name << "\n" << listen.Err();
    EXPECT_EQ(Shown(strokes), WithoutTimes(listen.Out())) << name;
  }
}

// The paragraph through each writer, translated as it comes, gives the
// paragraph's text.
void expect_paragraph_through(const std::vector<CWriterStream::Protocol>& protocols,
                              const ScratchFolder& home, const std::string& link) {
  const std::string examples = KELM_EXAMPLES_DIR;
  const std::string want = ReadWholeFile(examples + "/paragraph.txt");
  const std::vector<CStroke> strokes = SimulatedWriterTest::Paragraph();
  ASSERT_FALSE(want.empty());
  for (const CWriterStream::Protocol protocol : protocols) {
    const std::string name = CWriterStream::GetProtocolName(protocol);
    WriterSimulator writer({protocol}, link);
    Background translate(
        {"translate", "--dict", examples + "/sample.rtf", "--port", link, "--writer", name}, home);
    ASSERT_TRUE(SimulatedWriterTest::Connected(translate, writer)) << name << "\n"
                                                                   << translate.Err();
    for (const CStroke& stroke : strokes) writer.Write(stroke);
    ASSERT_TRUE(SimulatedWriterTest::WaitForHost(writer)) << name;
    EXPECT_EQ(0, translate.Stop(SIGTERM)) << name << "\n" << translate.Err();
    EXPECT_EQ(want, translate.Out()) << name;
  }
}

TEST_F(SimulatedWriterTest, TranslateFromTheRequestPassportAndProcatWritersPorts) {
  expect_paragraph_through(
      {CWriterStream::StenturaProtocol, CWriterStream::Passport, CWriterStream::ProCAT}, m_home,
      m_link);
}

TEST_F(SimulatedWriterTest, TranslateFromTheOtherStreamedWritersPorts) {
  expect_paragraph_through({CWriterStream::Stentura, CWriterStream::Sten8000, CWriterStream::Baron,
                            CWriterStream::Flash, CWriterStream::XScribe, CWriterStream::Merit,
                            CWriterStream::GeminiPR, CWriterStream::TXBolt},
                           m_home, m_link);
}

// A Stentura-protocol writer on a poor line: answers slow, a quarter of them
// garbled and some preceded by a stale copy, and the cable pulled while
// strokes are on their way and more are written while it is out. Every
// stroke is shown once, in order.
TEST_F(SimulatedWriterTest, StenturaProtocolLosesAndRepeatsNothingOnAPoorLineOrAnUnplug) {
  const std::vector<CStroke> all = Paragraph();
  ASSERT_LE(12u, all.size());
  WriterSimulator::Options options;
  options.protocol = CWriterStream::StenturaProtocol;
  options.slowMilliseconds = 100;
  options.corruptShare = 0.25;
  options.staleShare = 0.2;
  options.seed = 28;
  WriterSimulator writer(options, m_link);
  writer.WriteBefore({all[0], all[1]});
  Background listen({"listen", "--port", m_link, "--writer", "stentura-protocol"}, m_home);
  ASSERT_TRUE(Connected(listen, writer)) << listen.Err();
  for (std::size_t i = 2; i < 6; ++i) writer.Write(all[i]);
  ASSERT_TRUE(WaitForHost(writer));
  // Two on their way when the cable goes, two written while it is out.
  writer.Write(all[6]);
  writer.Write(all[7]);
  writer.Unplug();
  ASSERT_TRUE(listen.WaitFor(true, "disconnected from " + m_link)) << listen.Err();
  writer.Write(all[8]);
  writer.Write(all[9]);
  writer.Plug();
  ASSERT_TRUE(listen.WaitFor(true, "connected to " + m_link, 2)) << listen.Err();
  writer.Write(all[10]);
  writer.Write(all[11]);
  ASSERT_TRUE(WaitForHost(writer));
  EXPECT_EQ(0, listen.Stop(SIGINT)) << listen.Err();
  EXPECT_EQ(Shown({all.begin() + 2, all.begin() + 12}), WithoutTimes(listen.Out()));
  EXPECT_LT(0u, writer.GetCorrupted());
  EXPECT_LT(0u, writer.GetStale());
}

}  // namespace
