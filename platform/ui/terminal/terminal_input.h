// What the terminal sends, named as a person's actions: ncurses reads the
// bytes and decodes key sequences and mouse reports by the terminal's
// terminfo entry; these functions turn its codes into virtual keys with
// modifiers, typed Windows-1252 characters and mouse messages. Internal to
// the terminal front end; they read ncurses' current screen.
#pragma once

#include <chrono>
#include <vector>

// Before curses.h, whose TRUE and FALSE macros would break the platform's
// constants of those names.
#include "platform/ui/front_end.h"

#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <curses.h>

namespace kelm::terminal {

struct Event {
  enum Kind { none, key, character, mouse, resize } kind = none;
  int vk = 0;
  UINT modifiers = 0;
  char ch = 0;  // the character a key types, or the character typed
  MEVENT mouse_event{};
};

// The input modes the front end reads the current screen with: characters
// at once without echo, keypad and mouse reports decoded, a short wait for
// the rest of a sequence after Esc.
void configure_input();

// The next action within timeout_ms milliseconds (-1: as long as it takes);
// kind none when nothing came or what came names nothing.
Event read_event(int timeout_ms);

// One message to post for a mouse report, with the wheel's distance.
struct MouseMessage {
  UINT message;
  short wheel_delta;
  bool operator==(const MouseMessage&) const = default;
};

// Where and when the last press was, to tell a double click.
struct LastPress {
  int y = -1;
  int x = -1;
  std::chrono::steady_clock::time_point at{};
};

// The messages a mouse report stands for, in order: a second press on the
// same cell within 400 ms of the first is a double click.
std::vector<MouseMessage> mouse_messages(const MEVENT& event, LastPress& last,
                                         std::chrono::steady_clock::time_point now);

// A Windows-1252 byte as the character it shows ('?' for the unassigned).
wchar_t wide_of(char byte);
// The Windows-1252 byte of a typed character, or 0 when it has none.
char byte_of(wchar_t wide);

}  // namespace kelm::terminal
