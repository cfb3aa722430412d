// An X display of a test's own, for the tests that drive a program's windows
// as a person would: a fresh Xvfb on a free display, found through
// -displayfd, with DISPLAY pointing at it while the session lives. Keys and
// clicks go through XTest (xdotool), pictures come from ImageMagick's import.
// No window manager runs: windows draw their own title bars, and a window
// gets the keyboard when the session focuses it. GTK programs started while
// it lives use no accessibility bus and no OpenGL.
//
// Windows are found by title. A control is found by its window and its
// rectangle in the client area, which fills the window but for a frame as
// wide at the bottom as at either side, under the title bar.
// For tests only: it is not installed.
#pragma once

#include <sys/types.h>

#include <string>

class XvfbSession {
 public:
  // Starts the server; Ok() is false when it cannot (no Xvfb, no free
  // display within a few seconds).
  XvfbSession();
  XvfbSession(const XvfbSession&) = delete;
  XvfbSession& operator=(const XvfbSession&) = delete;
  // Stops the server and puts DISPLAY back.
  ~XvfbSession();

  bool Ok() const { return m_server > 0; }
  const std::string& Display() const { return m_display; }

  using Window = unsigned long;
  struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
  };
  struct Point {
    int x = 0, y = 0;
  };

  // The newest window titled exactly `title`, waiting up to timeout_ms for
  // it to be shown; 0 when none came. With pid, only that process's windows.
  Window WaitForWindow(const std::string& title, int timeout_ms, pid_t pid = 0) const;
  // The newest window of the process, whatever its title.
  Window WaitForWindowOf(pid_t pid, int timeout_ms) const;
  // Waits up to timeout_ms for the window to be gone; true when it went.
  bool WaitForWindowGone(Window window, int timeout_ms) const;
  Geometry GetGeometry(Window window) const;
  // Where a client area of the given size starts in the window.
  Point ClientOrigin(Window window, int client_width, int client_height) const;

  // Focuses the window and presses the keys (xdotool's names, e.g. "Down",
  // "ctrl+c", "Return") one after another.
  void Keys(Window window, const std::string& keys) const;
  // Types text into the focused window.
  void Type(Window window, const std::string& text) const;
  // Clicks the middle of a rectangle of the client area (of client_width by
  // client_height pixels).
  void Click(Window window, int client_width, int client_height, int left, int top, int right,
             int bottom) const;
  // A picture of the window as a PNG file; true when it was written.
  bool Screenshot(Window window, const std::string& png) const;

 private:
  std::string Xdotool(const std::string& arguments) const;
  Window Search(const std::string& criteria, int timeout_ms) const;

  pid_t m_server = -1;
  std::string m_display;
  std::string m_saved_display;
  bool m_had_display = false;
};

// The number of distinct colours in a rectangle of a PNG, 0 when it cannot
// be read: a rectangle of one colour shows nothing.
int ColoursIn(const std::string& png, int left, int top, int width, int height);
// The width and height of a PNG; zeros when it cannot be read.
XvfbSession::Point PictureSize(const std::string& png);

// Waits up to timeout_ms for the process to end and returns its exit status;
// -1 when it ended by a signal, or did not end in time (it is then killed).
int WaitExitWithin(pid_t pid, int timeout_ms);
