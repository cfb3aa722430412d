// `kelm translate --serve` as a reader meets it: strokes typed into the
// command through a pipe, the page open in a real browser (Debian's
// chromium, headless), its text read from the page's document through the
// browser's DevTools protocol after each group of strokes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "testing/cli_runner.h"
#include "testing/scratch_folder.h"

namespace {

using namespace std::chrono_literals;
namespace beast = boost::beast;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using json = nlohmann::json;

constexpr const char* chromium = "/usr/bin/chromium";
// A browser starts slowly on a loaded machine; a page shows an edit at once.
constexpr auto browser_patience = 60s;
constexpr auto page_patience = 10s;

std::string example(const std::string& name) { return std::string(KELM_EXAMPLES_DIR) + "/" + name; }

// Polls `get` until it gives a value `done` accepts, or the time is up;
// the last value either way.
template <class Get, class Done>
auto awaited(Get get, Done done, std::chrono::milliseconds within) {
  const auto until = std::chrono::steady_clock::now() + within;
  auto value = get();
  while (!done(value) && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(50ms);
    value = get();
  }
  return value;
}

// The printed address: the rest of the line after "captions at ".
std::string printed_address(const std::string& err_path) {
  return awaited(
      [&] {
        const std::string err = ReadWholeFile(err_path);
        const std::size_t at = err.find("captions at ");
        if (at == std::string::npos) return std::string();
        const std::size_t end = err.find('\n', at);
        return end == std::string::npos ? std::string() : err.substr(at + 12, end - at - 12);
      },
      [](const std::string& address) { return !address.empty(); }, browser_patience);
}

std::string base64_decoded(const std::string& text) {
  static const std::string digits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (const char c : text) {
    const std::size_t value = digits.find(c);
    if (value == std::string::npos) continue;
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

// One headless chromium showing one address, in a profile of its own, in a
// process group of its own so that its helpers end with it.
class Browser {
 public:
  Browser(const std::string& address, const std::string& profile) : m_profile(profile) {
    std::filesystem::create_directories(profile);
    const std::vector<std::string> args = {chromium,
                                           "--headless",
                                           "--no-sandbox",
                                           "--disable-gpu",
                                           "--disable-quic",
                                           "--no-first-run",
                                           "--disable-background-networking",
                                           "--disable-component-update",
                                           "--disable-sync",
                                           "--user-data-dir=" + profile,
                                           "--remote-debugging-port=0",
                                           "--window-size=480,640",
                                           address};
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (profile + ".log").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    if (posix_spawn(&m_pid, chromium, &actions, &attributes, argv.data(), environ) != 0) m_pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
  }
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;
  ~Browser() {
    if (m_pid <= 0) return;
    ::kill(-m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
  }

  // Finds the page's DevTools stream; false when the browser never gave it.
  bool Attach(const std::string& address) {
    const std::string active =
        awaited([&] { return ReadWholeFile(m_profile + "/DevToolsActivePort"); },
                [](const std::string& text) { return text.find('\n') != std::string::npos; },
                browser_patience);
    if (active.empty()) return false;
    m_port = active.substr(0, active.find('\n'));
    const std::string page = awaited(
        [&] {
          const json targets = json::parse(Get("/json/list"), nullptr, false);
          if (targets.is_array())
            for (const json& target : targets)
              if (target.value("type", "") == "page" &&
                  target.value("url", "").starts_with(address))
                return target.value("webSocketDebuggerUrl", "");
          return std::string();
        },
        [](const std::string& url) { return !url.empty(); }, browser_patience);
    if (page.empty()) return false;
    const std::size_t path = page.find('/', page.find("//") + 2);
    tcp::resolver resolver(m_ioc);
    net::connect(m_ws.next_layer(), resolver.resolve("127.0.0.1", m_port));
    m_ws.handshake("127.0.0.1:" + m_port, page.substr(path));
    return true;
  }

  // Calls a DevTools method and gives its result.
  json Call(const std::string& method, const json& params) {
    const int id = ++m_id;
    m_ws.write(net::buffer(json{{"id", id}, {"method", method}, {"params", params}}.dump()));
    for (;;) {
      beast::flat_buffer buffer;
      m_ws.read(buffer);
      const json reply = json::parse(beast::buffers_to_string(buffer.data()));
      if (reply.value("id", 0) == id) return reply.value("result", json::object());
    }
  }

  std::string Evaluate(const std::string& expression) {
    const json result =
        Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}});
    return result["result"].value("value", "");
  }

  std::string Text() { return Evaluate("document.getElementById('text').textContent"); }
  std::string Status() { return Evaluate("document.getElementById('status').textContent"); }
  std::string AwaitText(const std::string& want) {
    return awaited([this] { return Text(); }, [&](const std::string& got) { return got == want; },
                   page_patience);
  }

  void Screenshot(const std::string& path) {
    const json shot = Call("Page.captureScreenshot", {{"format", "png"}});
    std::ofstream(path, std::ios::binary) << base64_decoded(shot.value("data", ""));
  }

 private:
  std::string Get(const std::string& target) {
    try {
      tcp::resolver resolver(m_ioc);
      beast::tcp_stream stream(m_ioc);
      stream.connect(resolver.resolve("127.0.0.1", m_port));
      beast::http::request<beast::http::empty_body> request(beast::http::verb::get, target, 11);
      request.set(beast::http::field::host, "127.0.0.1:" + m_port);
      beast::http::write(stream, request);
      beast::flat_buffer buffer;
      beast::http::response<beast::http::string_body> response;
      beast::http::read(stream, buffer, response);
      return response.body();
    } catch (const boost::system::system_error&) {
      return {};
    }
  }

  std::string m_profile;
  pid_t m_pid = -1;
  std::string m_port;
  net::io_context m_ioc;
  beast::websocket::stream<tcp::socket> m_ws{m_ioc};
  int m_id = 0;
};

// The strokes go through a named pipe, a group at a time, as a writer would
// send them.
class StrokePipe {
 public:
  explicit StrokePipe(const std::string& path) : m_path(path) {
    ::mkfifo(path.c_str(), 0600);
    // Both ends open here first, so that neither the command's open nor
    // ours waits for the other.
    m_hold = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    m_write = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  }
  StrokePipe(const StrokePipe&) = delete;
  StrokePipe& operator=(const StrokePipe&) = delete;
  ~StrokePipe() {
    Close();
    if (m_hold >= 0) ::close(m_hold);
  }
  // Once the command holds its own end.
  void Release() {
    ::close(m_hold);
    m_hold = -1;
  }
  void Write(const std::string& strokes) {
    EXPECT_EQ(static_cast<ssize_t>(strokes.size()),
              ::write(m_write, strokes.data(), strokes.size()));
  }
  void Close() {
    if (m_write >= 0) ::close(m_write);
    m_write = -1;
  }

 private:
  std::string m_path;
  int m_hold = -1;
  int m_write = -1;
};

int stop_and_wait(pid_t pid) {
  ::kill(pid, SIGINT);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The page shows the translator's text after each group of strokes,
// corrections in place, and a browser opened late shows the same; when the
// input ends the final text stays served until Ctrl-C.
TEST(TranslateServeInBrowser, ThePageShowsTheTranslatorsText) {
  if (::access(chromium, X_OK) != 0) GTEST_SKIP() << "chromium is not installed at " << chromium;
  const ScratchFolder home("/tmp");
  StrokePipe strokes(home.path("strokes"));
  const pid_t kelm = start_kelm({"translate", "--dict", example("sample.rtf"), "--steno", "-",
                                 "--serve", "0", "--token", "t0k en"},
                                home, home.path("strokes"), home.path("out"), home.path("err"));
  ASSERT_GT(kelm, 0);
  strokes.Release();
  const std::string address = printed_address(home.path("err"));
  ASSERT_TRUE(address.starts_with("http://127.0.0.1:")) << ReadWholeFile(home.path("err"));
  ASSERT_NE(std::string::npos, address.find("/?token=t0k%20en")) << address;

  Browser first(address, home.path("first"));
  ASSERT_TRUE(first.Attach(address)) << ReadWholeFile(home.path("first.log"));
  const struct {
    std::string strokes;
    std::string text;
  } groups[] = {
      {"WE\nWORBG\n-D\nTP-PL\n", "We worked."},
      {"THE\nPHAEUBG\n-G\n", "We worked. They making"},
      // The asterisk takes the suffix back.
      {"KAT\n-S\n*\n", "We worked. They making cat"},
      // A suffix that changes the word before it.
      {"HRAOEUF\n-S\n", "We worked. They making cat lives"},
      {"KW-GS\nRAOEUT\n", "We worked. They making cat lives \"right"},
  };
  for (const auto& group : groups) {
    strokes.Write(group.strokes);
    EXPECT_EQ(group.text, first.AwaitText(group.text)) << group.strokes;
  }
  EXPECT_EQ("Live", first.Status());

  Browser late(address, home.path("late"));
  ASSERT_TRUE(late.Attach(address)) << ReadWholeFile(home.path("late.log"));
  EXPECT_EQ(groups[4].text, late.AwaitText(groups[4].text));

  strokes.Close();
  const std::string final_text = std::string(groups[4].text) + "\n";
  EXPECT_EQ(final_text, first.AwaitText(final_text));
  EXPECT_EQ(final_text, late.AwaitText(final_text));
  awaited([&] { return ReadWholeFile(home.path("err")); },
          [](const std::string& err) { return err.find("until Ctrl-C") != std::string::npos; },
          page_patience);
  first.Screenshot(std::string(KELM_SCREENSHOT_DIR) + "/captions_page.png");
  EXPECT_EQ(0, stop_and_wait(kelm)) << ReadWholeFile(home.path("err"));
  EXPECT_EQ(final_text, ReadWholeFile(home.path("out")));
  EXPECT_EQ("Reconnecting…",
            awaited([&] { return first.Status(); },
                    [](const std::string& s) { return s != "Live"; }, page_patience));
}

TEST(TranslateServe, TheServeOptionsAreCheckedFirst) {
  const ScratchFolder home("/tmp");
  const std::string dictionary = example("sample.rtf");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"--serve", "eighty"}, 2, "is not [HOST:]PORT"},
      {{"--serve", "65536"}, 2, "is not [HOST:]PORT"},
      {{"--serve", "::1:80"}, 2, "is not [HOST:]PORT"},
      {{"--serve", ":80"}, 2, "is not [HOST:]PORT"},
      {{"--token", "x"}, 2, "--token requires --serve"},
      {{"--serve-exit"}, 2, "--serve-exit requires --serve"},
      {{"--serve", "0", "--max-viewers", "0"}, 2, "--max-viewers"},
      {{"--serve", "no.such.host.invalid:0", "--serve-exit"}, 1, "no.such.host.invalid"},
      {{"--serve", "0", "--serve-exit"}, 0, "captions at http://127.0.0.1:"},
      {{"--serve", "[::1]:0", "--serve-exit"}, 0, "captions at http://[::1]:"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"translate", "--dict", dictionary, "--steno", "-"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Outcome got = run_kelm(args, home);
    EXPECT_EQ(c.status, got.status) << joined(args) << "\n" << got.err;
    EXPECT_NE(std::string::npos, got.err.find(c.err)) << joined(args) << "\n" << got.err;
  }
}

}  // namespace
