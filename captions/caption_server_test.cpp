#include "captions/caption_server.h"

#include <gtest/gtest.h>

#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "testing/caption_viewer.h"
#include "translation/readable_text.h"

namespace {

using namespace std::chrono_literals;
namespace net = boost::asio;

constexpr auto patience = 5s;

CTranslator::Edit edit(int back, const char* text) { return {back, CString(text)}; }

// A server on a free loopback port that keeps its log lines.
class CaptionServerTest : public ::testing::Test {
 protected:
  void Start(CCaptionServer::Options options = {}) {
    options.port = 0;
    options.log = [this](const std::string& line) {
      const std::lock_guard<std::mutex> lock(m_logMutex);
      m_log.push_back(line);
    };
    m_server = std::make_unique<CCaptionServer>(std::move(options));
    std::string why;
    ASSERT_TRUE(m_server->Start(why)) << why;
  }

  std::vector<std::string> Log() {
    const std::lock_guard<std::mutex> lock(m_logMutex);
    return m_log;
  }

  // The lines that hold `part`.
  std::size_t Logged(const std::string& part) {
    std::size_t count = 0;
    for (const std::string& line : Log()) count += line.find(part) != std::string::npos;
    return count;
  }

  // Sends `request` as it stands and gives back all the server answers
  // before it closes the connection.
  std::string Exchange(const std::string& request) {
    net::io_context ioc;
    net::ip::tcp::socket socket(ioc);
    socket.connect({net::ip::make_address("127.0.0.1"), m_server->GetPort()});
    net::write(socket, net::buffer(request));
    std::string answer;
    auto buffer = net::dynamic_buffer(answer);
    net::async_read(socket, buffer, [](boost::system::error_code, std::size_t) {});
    ioc.run_for(patience);
    return answer;
  }

  unsigned short Port() const { return m_server->GetPort(); }

  std::mutex m_logMutex;
  std::vector<std::string> m_log;
  std::unique_ptr<CCaptionServer> m_server;
};

std::string status_of(const std::string& answer) { return answer.substr(0, answer.find('\r')); }

TEST_F(CaptionServerTest, ViewerHoldsTheTextAfterEveryEdit) {
  Start();
  m_server->SetText("Good morning");
  CaptionViewer viewer(Port());
  ASSERT_TRUE(viewer.IsOpen()) << viewer.Error().message();
  ASSERT_TRUE(viewer.WaitForText("Good morning", patience));
  const struct {
    CTranslator::Edit edit;
    std::string text;
  } steps[] = {
      {edit(0, ", caf\xE9"), "Good morning, caf\xE9"},
      // Characters, not bytes: the accented one is two bytes on the wire.
      {edit(2, "\xE9s"), "Good morning, ca\xE9s"},
      {edit(3, "\x80 5\n"), "Good morning, c\x80 5\n"},
      {edit(1, ""), "Good morning, c\x80 5"},
      {edit(0, "\x93q\x94"), "Good morning, c\x80 5\x93q\x94"},
      // More taken back than there is empties the text first.
      {edit(500, "Anew"), "Anew"},
  };
  for (const auto& step : steps) {
    m_server->Post(step.edit);
    EXPECT_TRUE(viewer.WaitForText(step.text, patience))
        << step.edit.nTakeBack << " " << step.edit.text.View() << " gave " << viewer.Text();
  }
  EXPECT_EQ(1u, viewer.WholeTexts());
  EXPECT_EQ(1u, m_server->GetViewerCount());
}

// An emoji is one escape in the server's text and two UTF-16 units in the
// page's: a take-back that reaches one, or stops just after it, must leave
// the page's text whole.
TEST_F(CaptionServerTest, EmojiAreSentAsUtf8AndTakenBackInUtf16Units) {
  Start();
  std::string globe, heart;
  readable_text::AppendEscape(0x1F30F, globe);
  readable_text::AppendEscape(0x2764, heart);
  CaptionViewer viewer(Port());
  ASSERT_TRUE(viewer.IsOpen()) << viewer.Error().message();
  const struct {
    int back;
    std::string text;
    std::string utf8;
  } steps[] = {
      {0, "Hi " + globe, "Hi \xF0\x9F\x8C\x8F"},
      {0, "s" + heart, "Hi \xF0\x9F\x8C\x8Fs\xE2\x9D\xA4"},
      {8, "", "Hi \xF0\x9F\x8C\x8F"},
      {7, "!", "Hi !"},
  };
  for (const auto& step : steps) {
    m_server->Post({step.back, CString(step.text.c_str())});
    EXPECT_TRUE(viewer.WaitForUtf8(step.utf8, patience))
        << step.back << " " << step.text << " gave " << viewer.Utf8();
  }
  // A late viewer is sent the whole text, decoded the same way.
  m_server->Post({0, CString(globe.c_str())});
  CaptionViewer late(Port());
  ASSERT_TRUE(late.IsOpen()) << late.Error().message();
  EXPECT_TRUE(late.WaitForUtf8("Hi !\xF0\x9F\x8C\x8F", patience)) << late.Utf8();
}

TEST_F(CaptionServerTest, LateAndReconnectedViewersCatchUp) {
  Start();
  CaptionViewer early(Port());
  ASSERT_TRUE(early.IsOpen());
  m_server->Post(edit(0, "one two"));
  ASSERT_TRUE(early.WaitForText("one two", patience));
  early.Kill();
  m_server->Post(edit(3, "three"));
  m_server->Post(edit(0, " four"));
  CaptionViewer late(Port());
  ASSERT_TRUE(late.WaitForText("one three four", patience)) << late.Text();
  CaptionViewer again(Port());
  ASSERT_TRUE(again.WaitForText("one three four", patience)) << again.Text();
  m_server->SetText("replaced");
  EXPECT_TRUE(late.WaitForText("replaced", patience)) << late.Text();
  EXPECT_TRUE(again.WaitForText("replaced", patience)) << again.Text();
  EXPECT_TRUE(late.WaitFor([&] { return m_server->GetViewerCount() == 2; }, patience));
}

// A viewer that stops reading while much is written is sent the whole text
// when it reads again, not every edit it missed.
TEST_F(CaptionServerTest, SlowViewerIsSentTheWholeTextInsteadOfTheBacklog) {
  CCaptionServer::Options options;
  options.max_queued_bytes = 16 * 1024;
  Start(options);
  CaptionViewer slow(Port(), "/stream", 4096);
  CaptionViewer quick(Port());
  ASSERT_TRUE(slow.WaitForText("", patience));
  slow.Pause();
  // Each edit writes its line anew, so the text stays short while the
  // edits come to a megabyte.
  constexpr int edits = 1000;
  constexpr std::size_t line = 1000;
  std::string want;
  for (int i = 0; i < edits; ++i) {
    const int back = static_cast<int>(want.size());
    // Numbered, so that no earlier text equals the last.
    want = std::to_string(i) + std::string(line, static_cast<char>('a' + i % 26)) + "\n";
    m_server->Post({back, CString(want.c_str())});
    // One message for each edit, which the server would merge if they came
    // faster than it sends.
    ASSERT_TRUE(quick.WaitForText(want, patience)) << i;
  }
  ASSERT_TRUE(quick.WaitForText(want, patience));
  slow.Resume();
  ASSERT_TRUE(slow.WaitForText(want, patience)) << slow.Text().size() << " of " << want.size();
  EXPECT_GE(slow.WholeTexts(), 2u);
  EXPECT_LT(slow.Messages(), edits / 2u);
  EXPECT_LT(slow.BytesReceived(), edits * line / 4);
}

TEST_F(CaptionServerTest, ThePageIsServedFromTheLibrary) {
  Start();
  const std::string page = Exchange("GET / HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_EQ("HTTP/1.1 200 OK", status_of(page));
  EXPECT_NE(std::string::npos, page.find("Content-Type: text/html; charset=utf-8"));
  EXPECT_NE(std::string::npos, page.find("<main id=\"text\""));
  EXPECT_NE(std::string::npos, page.find("Connection: close"));
  const std::string head = Exchange("HEAD / HTTP/1.1\r\nHost: x\r\n\r\n");
  EXPECT_EQ("HTTP/1.1 200 OK", status_of(head));
  EXPECT_EQ(std::string::npos, head.find("<html")) << head;
}

// Each refusal has its status, and one line in the log however often it
// comes from the same address.
TEST_F(CaptionServerTest, BadRequestsAreRefusedAndLoggedOnce) {
  CCaptionServer::Options options;
  options.token = "s3cret&";
  Start(options);
  const struct {
    std::string request;
    std::string status;
    std::string logged;
  } cases[] = {
      {"GET /?token=s3cret%26 HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 200 OK", ""},
      {"GET /x HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 404 Not Found", "404"},
      {"GET /../../etc/passwd?token=s3cret%26 HTTP/1.1\r\nHost: x\r\n\r\n",
       "HTTP/1.1 404 Not Found", "404"},
      {"GET /page.html HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 404 Not Found", "404"},
      {"POST /?token=s3cret%26 HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n",
       "HTTP/1.1 405 Method Not Allowed", "405"},
      {"PUT /stream HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 405 Method Not Allowed", "405"},
      {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 403 Forbidden", "403"},
      {"GET /?token=s3cret HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 403 Forbidden", "403"},
      {"GET /stream?token=s3cret%26 HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 426 Upgrade Required",
       "426"},
      {"GET /?token=%zz HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 400 Bad Request", "%zz"},
      {"HELLO\r\n\r\n", "HTTP/1.1 400 Bad Request", "malformed"},
      {"GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello",
       "HTTP/1.1 413 Payload Too Large", "413"},
      {"GET / HTTP/1.1\r\nHost: x\r\nX-Pad: " + std::string(9000, 'p') + "\r\n\r\n",
       "HTTP/1.1 431 Request Header Fields Too Large", "431"},
  };
  for (int round = 0; round < 2; ++round)
    for (const auto& c : cases)
      EXPECT_EQ(c.status, status_of(Exchange(c.request))) << c.request.substr(0, 60);
  for (const auto& c : cases) {
    if (c.logged.empty()) continue;
    EXPECT_EQ(1u, Logged(c.logged)) << c.request.substr(0, 60);
  }
  EXPECT_EQ(8u, Log().size());
  EXPECT_EQ(403u, CaptionViewer(Port(), "/stream?token=wrong").Status());
  EXPECT_TRUE(CaptionViewer(Port(), "/stream?token=s3cret%26").IsOpen());
}

// Viewers only read: a message or an oversized frame ends that viewer's
// stream with its status and changes nothing for the others.
TEST_F(CaptionServerTest, ViewersThatWriteAreClosed) {
  Start();
  m_server->SetText("kept");
  const struct {
    std::size_t size;
    unsigned short code;
    std::string logged;
  } cases[] = {
      {10, 1008, "viewers only read"},
      {2000, 1009, "refused a frame"},
  };
  CaptionViewer watcher(Port());
  for (const auto& c : cases) {
    CaptionViewer viewer(Port());
    ASSERT_TRUE(viewer.WaitForText("kept", patience));
    viewer.Send(c.size);
    EXPECT_TRUE(viewer.WaitForClose(patience)) << c.size;
    EXPECT_EQ(c.code, viewer.CloseCode()) << c.size;
    // The server logs once its side has closed too, which may come later.
    viewer.WaitFor([&] { return Logged(c.logged) > 0; }, patience);
    EXPECT_EQ(1u, Logged(c.logged)) << c.size;
  }
  m_server->Post(edit(0, " going"));
  EXPECT_TRUE(watcher.WaitForText("kept going", patience)) << watcher.Text();
}

TEST_F(CaptionServerTest, ConnectionsAreBoundedPerAddressAndInAll) {
  const struct { std::size_t in_all, per_address, open; } cases[] = {{10, 2, 2}, {3, 10, 3}};
  for (const auto& c : cases) {
    CCaptionServer::Options options;
    options.max_connections = c.in_all;
    options.max_per_address = c.per_address;
    Start(options);
    std::vector<std::unique_ptr<CaptionViewer>> viewers;
    for (std::size_t i = 0; i < c.open; ++i) {
      viewers.push_back(std::make_unique<CaptionViewer>(Port()));
      ASSERT_TRUE(viewers.back()->IsOpen()) << c.in_all << "/" << c.per_address << " #" << i;
    }
    EXPECT_EQ(503u, CaptionViewer(Port()).Status()) << c.in_all << "/" << c.per_address;
    EXPECT_EQ("HTTP/1.1 503 Service Unavailable",
              status_of(Exchange("GET / HTTP/1.1\r\nHost: x\r\n\r\n")));
    viewers.pop_back();
    // The place a closed viewer held is free again once the server has seen
    // it go.
    const auto until = std::chrono::steady_clock::now() + patience;
    bool reopened = false;
    while (!reopened && std::chrono::steady_clock::now() < until)
      reopened = CaptionViewer(Port()).IsOpen();
    EXPECT_TRUE(reopened) << c.in_all << "/" << c.per_address;
    EXPECT_EQ(1u, Logged("503")) << c.in_all << "/" << c.per_address;
    m_server.reset();
    m_log.clear();
  }
}

TEST_F(CaptionServerTest, AnAddressInUseIsReported) {
  Start();
  CCaptionServer::Options options;
  options.port = Port();
  CCaptionServer second(options);
  std::string why;
  EXPECT_FALSE(second.Start(why));
  EXPECT_NE(std::string::npos, why.find("cannot listen on 127.0.0.1:")) << why;
  options.host = "no.such.host.invalid";
  CCaptionServer nowhere(options);
  EXPECT_FALSE(nowhere.Start(why));
  EXPECT_NE(std::string::npos, why.find("no.such.host.invalid")) << why;
}

TEST_F(CaptionServerTest, TheAddressCarriesTheToken) {
  CCaptionServer::Options options;
  options.token = "a b&c";
  Start(options);
  EXPECT_EQ("http://127.0.0.1:" + std::to_string(Port()) + "/?token=a%20b%26c",
            m_server->GetAddress());
  // Stopping with viewers connected ends their streams and returns.
  CaptionViewer viewer(Port(), "/stream?token=a+b%26c");
  ASSERT_TRUE(viewer.IsOpen());
  m_server->Stop();
  EXPECT_TRUE(viewer.WaitForClose(patience));
}

}  // namespace
