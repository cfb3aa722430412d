// A program driven as a person drives it: run in a tmux pane of a server of
// its own, given keys, text and mouse reports, and read back from the screen.
// The pane, its socket and its script live in the test's folder; the server
// is killed with the pane.
#pragma once

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "testing/scratch_folder.h"
#include "testing/shell_command.h"

// What read() gives once pass holds of it, or what it gives after twenty
// seconds: a loaded machine may take that long to draw.
template <class Read, class Pass>
auto Awaited(Read read, Pass pass) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  auto got = read();
  while (!pass(got) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    got = read();
  }
  return got;
}

// The file's bytes once it has some, or "" after twenty seconds.
inline std::string AwaitedFile(const std::string& path) {
  return Awaited([&] { return ReadWholeFile(path); },
                 [](const std::string& s) { return !s.empty(); });
}

class TmuxPane {
 public:
  // Runs the shell command in the folder, in a pane of width by height cells
  // of an xterm in UTF-8. Once it ends, its exit status is written down and
  // the pane stays open, still showing what the command left on it.
  TmuxPane(const ScratchFolder& folder, int width, int height, const std::string& command)
      : m_folder(folder), m_name("pane-" + std::to_string(next_pane++)) {
    // A socket per pane: a server just killed may still hold the last one.
    m_tmux = "tmux -f /dev/null -S '" + folder.path(m_name + ".socket") + "' ";
    const std::string status = folder.path(m_name + ".status");
    WriteWholeFile(folder.path(m_name + ".sh"),
                   "cd '" + folder.path("") + "'\nexport TERM=xterm-256color LANG=C.UTF-8\n" +
                       command + "\necho $? > '" + status + ".tmp'; mv '" + status + ".tmp' '" +
                       status + "'\ncat\n");
    ShellOutput(m_tmux + "new-session -d -s pane -x " + std::to_string(width) + " -y " +
                std::to_string(height) + " \"sh '" + folder.path(m_name + ".sh") + "'\" 2>&1");
  }
  TmuxPane(const TmuxPane&) = delete;
  TmuxPane& operator=(const TmuxPane&) = delete;
  ~TmuxPane() { ShellOutput(m_tmux + "kill-server 2>/dev/null"); }

  // Keys by tmux's names: "Enter", "M-b", "C-d", "NPage".
  void Keys(const std::string& keys) { ShellOutput(m_tmux + "send-keys -t pane " + keys); }
  void Text(const std::string& text) {
    ShellOutput(m_tmux + "send-keys -t pane -l -- '" + text + "'");
  }
  // An xterm mouse report (SGR) as the terminal sends it, at a 0-based
  // (row, column) cell; button 65 is the wheel turned towards the person.
  void Mouse(int button, std::pair<int, int> cell, bool release = false) {
    Text("\x1b[<" + std::to_string(button) + ";" + std::to_string(cell.second + 1) + ";" +
         std::to_string(cell.first + 1) + (release ? "m" : "M"));
  }
  void Click(std::pair<int, int> cell) {
    Mouse(0, cell);
    Mouse(0, cell, true);
  }
  // Clicks where text shows until the screen, drawn with attributes, shows
  // shown: on a loaded machine a click now and then comes to nothing.
  ::testing::AssertionResult ClickUntilShown(const std::string& text, const std::string& shown) {
    ::testing::AssertionResult result = ::testing::AssertionFailure();
    for (int click = 0; click < 3 && !result; ++click) {
      Click(Find(text));
      result = Shows({shown}, {}, true);
    }
    return result;
  }
  void Resize(int width, int height) {
    ShellOutput(m_tmux + "resize-window -t pane -x " + std::to_string(width) + " -y " +
                std::to_string(height));
  }

  // With attributes, each row holds the escape sequences that draw it.
  std::vector<std::string> Rows(bool attributes = false) {
    std::istringstream in(Screen(attributes));
    std::vector<std::string> rows;
    for (std::string row; std::getline(in, row);) rows.push_back(row);
    return rows;
  }
  std::string Screen(bool attributes = false) {
    return ShellOutput(m_tmux + "capture-pane -p " + (attributes ? "-e " : "") +
                       "-t pane 2>/dev/null");
  }
  // The screen once it shows want.
  std::string ScreenWith(const std::string& want) {
    return Awaited([&] { return Screen(); },
                   [&](const std::string& s) { return s.find(want) != std::string::npos; });
  }
  // Whether the screen comes to show each of shown and none of gone; if not,
  // what it shows.
  ::testing::AssertionResult Shows(const std::vector<std::string>& shown,
                                   const std::vector<std::string>& gone = {},
                                   bool attributes = false) {
    const auto holds = [&](const std::string& screen) {
      for (const std::string& s : shown)
        if (screen.find(s) == std::string::npos) return false;
      for (const std::string& g : gone)
        if (screen.find(g) != std::string::npos) return false;
      return true;
    };
    const std::string screen = Awaited([&] { return Screen(attributes); }, holds);
    if (holds(screen)) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "the screen does not show";
    for (const std::string& s : shown) failure << " \"" << s << "\"";
    failure << " without";
    for (const std::string& g : gone) failure << " \"" << g << "\"";
    return failure << ":\n" << screen;
  }
  // The screen once it has stopped changing: a loaded machine may still be
  // drawing what the last keys did.
  std::string SettledScreen() {
    std::string before = Screen();
    for (int tries = 0; tries < 50; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      std::string now = Screen();
      if (now == before) break;
      before = std::move(now);
    }
    return before;
  }
  // Where text first shows: row and column in cells (a UTF-8 character counts
  // once), or -1, -1.
  std::pair<int, int> Find(const std::string& text) {
    const std::vector<std::string> rows = Rows();
    for (size_t r = 0; r < rows.size(); ++r) {
      const size_t at = rows[r].find(text);
      if (at == std::string::npos) continue;
      int column = 0;
      for (size_t i = 0; i < at; ++i)
        if ((static_cast<unsigned char>(rows[r][i]) & 0xC0) != 0x80) ++column;
      return {static_cast<int>(r), column};
    }
    return {-1, -1};
  }
  // A tmux format of the pane, such as "#{cursor_x},#{cursor_y}" or
  // "#{pane_tty}".
  std::string Format(const std::string& format) {
    const std::string got =
        ShellOutput(m_tmux + "display-message -p -t pane '" + format + "' 2>/dev/null");
    return got.substr(0, got.find('\n'));
  }

  // The command's exit status once it ended, or -1.
  int ExitStatus() {
    const std::string status = AwaitedFile(m_folder.path(m_name + ".status"));
    return status.empty() ? -1 : std::atoi(status.c_str());
  }

 private:
  static inline int next_pane = 0;
  const ScratchFolder& m_folder;
  std::string m_name, m_tmux;
};
