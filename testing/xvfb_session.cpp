#include "xvfb_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "shell_command.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int server_start_ms = 10000;

std::string quoted(const std::string& s) {
  std::string out = "'";
  for (const char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The display's number as the server writes it, once it is ready.
std::string read_display(int fd) {
  std::string number;
  const auto deadline = Clock::now() + std::chrono::milliseconds(server_start_ms);
  while (Clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
    char c = 0;
    if (read(fd, &c, 1) != 1) break;
    if (c == '\n') return number;
    number += c;
  }
  return {};
}

}  // namespace

XvfbSession::XvfbSession() {
  int ready[2];
  if (pipe(ready) != 0) return;
  const pid_t pid = fork();
  if (pid == 0) {
    // The server goes with the test, even one that dies (GTK ends a process
    // whose display fails), rather than lingering unwatched.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    close(ready[0]);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    const std::string fd = std::to_string(ready[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ready[1]);
  if (pid < 0) {
    close(ready[0]);
    return;
  }
  const std::string number = read_display(ready[0]);
  close(ready[0]);
  if (number.empty()) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return;
  }
  m_server = pid;
  m_display = ":" + number;
  if (const char* was = std::getenv("DISPLAY")) {
    m_had_display = true;
    m_saved_display = was;
  }
  setenv("DISPLAY", m_display.c_str(), 1);
  // The programs on it look for no accessibility bus (none runs) and draw
  // without OpenGL, which Xvfb has only in software and whose drivers,
  // loaded and dropped, leave allocations the leak checker cannot name.
  setenv("GTK_A11Y", "none", 1);
  setenv("GDK_DEBUG", "gl-disable", 1);
  setenv("GSK_RENDERER", "cairo", 1);
}

XvfbSession::~XvfbSession() {
  if (m_server <= 0) return;
  kill(m_server, SIGTERM);
  if (WaitExitWithin(m_server, 3000) < 0) waitpid(m_server, nullptr, WNOHANG);
  if (m_had_display)
    setenv("DISPLAY", m_saved_display.c_str(), 1);
  else
    unsetenv("DISPLAY");
}

std::string XvfbSession::Xdotool(const std::string& arguments) const {
  return ShellOutput("DISPLAY=" + m_display + " xdotool " + arguments + " 2>/dev/null");
}

XvfbSession::Window XvfbSession::WaitForWindow(const std::string& title, int timeout_ms,
                                               pid_t pid) const {
  // xdotool matches a regular expression: the title is taken literally.
  std::string pattern = "^";
  for (const char c : title) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) pattern += '\\';
    pattern += c;
  }
  pattern += '$';
  const std::string which = pid > 0 ? "--pid " + std::to_string(pid) + " " : "";
  return Search(which + "--name " + quoted(pattern), timeout_ms);
}

XvfbSession::Window XvfbSession::WaitForWindowOf(pid_t pid, int timeout_ms) const {
  return Search("--pid " + std::to_string(pid), timeout_ms);
}

XvfbSession::Window XvfbSession::Search(const std::string& criteria, int timeout_ms) const {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  do {
    std::istringstream found(Xdotool("search --onlyvisible " + criteria));
    Window window = 0;
    for (Window w = 0; found >> w;) window = w;
    if (window != 0) return window;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  } while (Clock::now() < deadline);
  return 0;
}

bool XvfbSession::WaitForWindowGone(Window window, int timeout_ms) const {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  do {
    const std::string state = ShellOutput("DISPLAY=" + m_display + " xwininfo -id " +
                                          std::to_string(window) + " 2>/dev/null");
    if (state.find("IsViewable") == std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  } while (Clock::now() < deadline);
  return false;
}

XvfbSession::Geometry XvfbSession::GetGeometry(Window window) const {
  Geometry g;
  std::istringstream shell(Xdotool("getwindowgeometry --shell " + std::to_string(window)));
  for (std::string line; std::getline(shell, line);) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string name = line.substr(0, eq);
    const int value = std::atoi(line.c_str() + eq + 1);
    if (name == "X") g.x = value;
    if (name == "Y") g.y = value;
    if (name == "WIDTH") g.width = value;
    if (name == "HEIGHT") g.height = value;
  }
  return g;
}

XvfbSession::Point XvfbSession::ClientOrigin(Window window, int client_width,
                                             int client_height) const {
  const Geometry g = GetGeometry(window);
  const int side = (g.width - client_width) / 2;
  return Point{side, g.height - side - client_height};
}

void XvfbSession::Keys(Window window, const std::string& keys) const {
  Xdotool("windowfocus --sync " + std::to_string(window) + " key --delay 60 " + keys);
}

void XvfbSession::Type(Window window, const std::string& text) const {
  Xdotool("windowfocus --sync " + std::to_string(window) + " type --delay 40 " + quoted(text));
}

void XvfbSession::Click(Window window, int client_width, int client_height, int left, int top,
                        int right, int bottom) const {
  const Point origin = ClientOrigin(window, client_width, client_height);
  const int x = origin.x + (left + right) / 2;
  const int y = origin.y + (top + bottom) / 2;
  Xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
          std::to_string(y) + " click 1");
}

bool XvfbSession::Screenshot(Window window, const std::string& png) const {
  const std::string command = "DISPLAY=" + m_display + " import -window " + std::to_string(window) +
                              " " + quoted(png) + " 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

int ColoursIn(const std::string& png, int left, int top, int width, int height) {
  const std::string crop = std::to_string(width) + "x" + std::to_string(height) + "+" +
                           std::to_string(left) + "+" + std::to_string(top);
  return std::atoi(ShellOutput("convert " + quoted(png) + " -crop " + crop +
                               " +repage -format %k info: 2>/dev/null")
                       .c_str());
}

XvfbSession::Point PictureSize(const std::string& png) {
  std::istringstream size(ShellOutput("identify -format '%w %h' " + quoted(png) + " 2>/dev/null"));
  XvfbSession::Point p;
  size >> p.x >> p.y;
  return p;
}

int WaitExitWithin(pid_t pid, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0) return -1;
    if (Clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}
