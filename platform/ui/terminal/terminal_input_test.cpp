// What the terminal sends, as the front end names it: the bytes an xterm
// sends for keys and SGR mouse reports, written to a pseudo-terminal that a
// real ncurses screen reads with the front end's input modes, and the
// messages a mouse report stands for.
#include "terminal_input.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "testing/pty_pair.h"

namespace {

using kelm::terminal::Event;
using kelm::terminal::LastPress;
using kelm::terminal::mouse_messages;
using kelm::terminal::MouseMessage;

// The bytes with control characters spelled out, for messages.
std::string shown(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u == 27)
      out += "\\e";
    else if (u < 32 || u == 127)
      out += "\\x" + std::to_string(u);
    else
      out += c;
  }
  return out;
}

// An ncurses screen on the slave of a pseudo-terminal, as an xterm in UTF-8.
class TerminalInput : public ::testing::Test {
 protected:
  void SetUp() override {
    m_oldLocale = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C.UTF-8");
    const int fd = open(m_pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    m_in = fdopen(fd, "r");
    m_out = fdopen(dup(fd), "w");
    ASSERT_NE(nullptr, m_in);
    ASSERT_NE(nullptr, m_out);
    m_screen = newterm("xterm-256color", m_out, m_in);
    ASSERT_NE(nullptr, m_screen) << "no terminfo entry for xterm-256color";
    set_term(m_screen);
    kelm::terminal::configure_input();
  }

  void TearDown() override {
    if (m_screen != nullptr) {
      endwin();
      delscreen(m_screen);
    }
    if (m_in != nullptr) fclose(m_in);
    if (m_out != nullptr) fclose(m_out);
    std::setlocale(LC_CTYPE, m_oldLocale.c_str());
  }

  // The events the bytes make, read until nothing more comes.
  std::vector<Event> Read(const std::string& bytes) {
    m_pty.Receive(1 << 16, std::chrono::milliseconds(0));
    EXPECT_TRUE(m_pty.SendQueued(bytes)) << shown(bytes);
    // A read held past its time-out is let go by a key after three seconds,
    // which then shows among the events.
    std::atomic<bool> done = false;
    std::thread watchdog([&] {
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
      while (!done && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (!done) m_pty.Send("~");
    });
    // Every byte is queued before the first read, so a short wait shows that
    // nothing more is coming.
    std::vector<Event> events;
    for (Event e = kelm::terminal::read_event(2000); e.kind != Event::none && events.size() < 4;
         e = kelm::terminal::read_event(50))
      events.push_back(e);
    done = true;
    watchdog.join();
    return events;
  }

  PtyPair m_pty;
  std::string m_oldLocale;
  FILE* m_in = nullptr;
  FILE* m_out = nullptr;
  SCREEN* m_screen = nullptr;
};

struct Named {
  Event::Kind kind;
  int vk;
  UINT modifiers;
  char ch;
};

std::string describe(const Event& e) {
  return "kind " + std::to_string(e.kind) + " vk " + std::to_string(e.vk) + " modifiers " +
         std::to_string(e.modifiers) + " ch " + std::to_string(static_cast<unsigned char>(e.ch));
}

Named key(int vk, UINT modifiers = 0, char ch = 0) { return {Event::key, vk, modifiers, ch}; }
Named typed(char ch) { return {Event::character, 0, 0, ch}; }

TEST_F(TerminalInput, KeySequencesAreNamedAsVirtualKeysWithTheirModifiers) {
  constexpr UINT shift = KELM_MOD_SHIFT;
  constexpr UINT ctrl = KELM_MOD_CONTROL;
  constexpr UINT alt = KELM_MOD_ALT;
  struct Case {
    std::string bytes;
    std::vector<Named> want;
  };
  const Case cases[] = {
      {"\x1bOA", {key(VK_UP)}},
      {"\x1bOB", {key(VK_DOWN)}},
      {"\x1bOD", {key(VK_LEFT)}},
      {"\x1bOC", {key(VK_RIGHT)}},
      {"\x1b[1;2A", {key(VK_UP, shift)}},
      {"\x1b[1;2B", {key(VK_DOWN, shift)}},
      {"\x1b[1;2D", {key(VK_LEFT, shift)}},
      {"\x1b[1;2C", {key(VK_RIGHT, shift)}},
      {"\x1bOH", {key(VK_HOME)}},
      {"\x1bOF", {key(VK_END)}},
      {"\x1b[1;2H", {key(VK_HOME, shift)}},
      {"\x1b[1;2F", {key(VK_END, shift)}},
      {"\x1b[5~", {key(VK_PRIOR)}},
      {"\x1b[6~", {key(VK_NEXT)}},
      {"\x1b[3~", {key(VK_DELETE)}},
      {"\x1b[3;5~", {key(VK_DELETE, ctrl)}},
      {"\x1b[2~", {key(VK_INSERT)}},
      {"\x1b[Z", {key(VK_TAB, shift)}},
      {"\x1bOM", {key(VK_RETURN)}},
      {"\x1bOP", {key(VK_F1)}},
      {"\x1b[15~", {key(VK_F1 + 4)}},
      {"\x1b[24~", {key(VK_F1 + 11)}},
      {"\t", {key(VK_TAB)}},
      {"\r", {key(VK_RETURN)}},
      {"\n", {key(VK_RETURN)}},
      {"\x7f", {key(VK_BACK)}},
      {"\x08", {key(VK_BACK)}},
      {" ", {key(VK_SPACE, 0, ' ')}},
      {"\x01", {key('A', ctrl, 'a')}},
      {"\x18", {key('X', ctrl, 'x')}},
      {"a", {typed('a')}},
      {"Q7", {typed('Q'), typed('7')}},
      {"\xC3\xA9", {typed('\xE9')}},
      {"\xE2\x82\xAC", {typed('\x80')}},
      {"\xE2\x98\x83", {}},  // a snowman has no Windows-1252 byte
      {"\x1b", {key(VK_ESCAPE)}},
      {"\x1b\x62", {key('B', alt, 'b')}},
      {"\x1b\x37", {key('7', alt, '7')}},
      {"\x1b\x1bOA", {key(VK_UP, alt)}},
      // Guards against the second of two quick Escs, or the key after an
      // Esc that is no Alt of a character, being lost.
      {"\x1b\x1b", {key(VK_ESCAPE), key(VK_ESCAPE)}},
      {"\x1b\r", {key(VK_RETURN, alt)}},
      {"\x1b\t", {key(VK_TAB, alt)}},
  };
  for (const Case& c : cases) {
    const std::vector<Event> got = Read(c.bytes);
    ASSERT_EQ(c.want.size(), got.size()) << shown(c.bytes);
    for (size_t i = 0; i < got.size(); ++i) {
      const Named& w = c.want[i];
      EXPECT_EQ(w.kind, got[i].kind) << shown(c.bytes) << " #" << i << ": " << describe(got[i]);
      EXPECT_EQ(w.vk, got[i].vk) << shown(c.bytes) << " #" << i << ": " << describe(got[i]);
      EXPECT_EQ(w.modifiers, got[i].modifiers)
          << shown(c.bytes) << " #" << i << ": " << describe(got[i]);
      EXPECT_EQ(w.ch, got[i].ch) << shown(c.bytes) << " #" << i << ": " << describe(got[i]);
    }
  }
}

TEST_F(TerminalInput, SgrMouseReportsBecomeMessagesAtTheirCell) {
  struct Case {
    std::string bytes;
    int y;
    int x;
    std::vector<MouseMessage> want;
  };
  const Case cases[] = {
      {"\x1b[<0;5;3M", 2, 4, {{WM_LBUTTONDOWN, 0}}},
      {"\x1b[<0;5;3m", 2, 4, {{WM_LBUTTONUP, 0}}},
      {"\x1b[<2;80;24M", 23, 79, {{WM_RBUTTONDOWN, 0}}},
      {"\x1b[<64;1;1M", 0, 0, {{WM_MOUSEWHEEL, WHEEL_DELTA}}},
      {"\x1b[<65;12;7M", 6, 11, {{WM_MOUSEWHEEL, -WHEEL_DELTA}}},
      {"\x1b[<4;5;3M", 2, 4, {{WM_LBUTTONDOWN, 0}}},  // with Shift
      // Guards against reports no message stands for holding up the read
      // past its time-out until the person's next action.
      {"\x1b[<2;5;3m", 2, 4, {}},
      {"\x1b[<1;5;3M", 2, 4, {}},
      {"\x1b[<1;5;3m", 2, 4, {}},
  };
  for (const Case& c : cases) {
    LastPress last;
    const auto before = std::chrono::steady_clock::now();
    const std::vector<Event> got = Read(c.bytes);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(2500))
        << shown(c.bytes);
    ASSERT_EQ(1u, got.size()) << shown(c.bytes);
    ASSERT_EQ(Event::mouse, got[0].kind) << shown(c.bytes) << ": " << describe(got[0]);
    EXPECT_EQ(c.y, got[0].mouse_event.y) << shown(c.bytes);
    EXPECT_EQ(c.x, got[0].mouse_event.x) << shown(c.bytes);
    EXPECT_EQ(c.want, mouse_messages(got[0].mouse_event, last, std::chrono::steady_clock::now()))
        << shown(c.bytes);
  }
}

TEST(TerminalMouse, ASecondPressOnTheSameCellSoonAfterIsADoubleClick) {
  struct Press {
    int y;
    int x;
    int ms;  // since the first press
    UINT want;
  };
  struct Case {
    const char* name;
    std::vector<Press> presses;
  };
  const Case cases[] = {
      {"twice at once", {{3, 4, 0, WM_LBUTTONDOWN}, {3, 4, 399, WM_LBUTTONDBLCLK}}},
      {"twice too slowly", {{3, 4, 0, WM_LBUTTONDOWN}, {3, 4, 400, WM_LBUTTONDOWN}}},
      {"on another column", {{3, 4, 0, WM_LBUTTONDOWN}, {3, 5, 100, WM_LBUTTONDOWN}}},
      {"on another row", {{3, 4, 0, WM_LBUTTONDOWN}, {2, 4, 100, WM_LBUTTONDOWN}}},
      {"three times",
       {{3, 4, 0, WM_LBUTTONDOWN}, {3, 4, 100, WM_LBUTTONDBLCLK}, {3, 4, 200, WM_LBUTTONDOWN}}},
  };
  const auto start = std::chrono::steady_clock::now();
  for (const Case& c : cases) {
    LastPress last;
    for (size_t i = 0; i < c.presses.size(); ++i) {
      const Press& p = c.presses[i];
      MEVENT event{};
      event.y = p.y;
      event.x = p.x;
      event.bstate = BUTTON1_PRESSED;
      const std::vector<MouseMessage> got =
          mouse_messages(event, last, start + std::chrono::milliseconds(p.ms));
      ASSERT_EQ(1u, got.size()) << c.name << " #" << i;
      EXPECT_EQ(p.want, got[0].message) << c.name << " #" << i;
    }
  }
}

}  // namespace
