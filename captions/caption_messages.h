// What the caption server says to a viewer, and the little it reads of a
// request's target.
//
// The stream is a WebSocket of text frames, UTF-8, one message a frame:
//
//   "T" text          the whole text: what the viewer holds is replaced
//   "E" n ":" text    take back the last n characters, then add text
//
// n counts UTF-16 code units, the length a page's script sees, which for this
// text is also the count of Unicode characters and of the library's
// Windows-1252 characters: every Windows-1252 byte becomes one character of
// the Basic Multilingual Plane, so the translator's counts pass unchanged.
// A viewer that applies every message in order holds the server's text.
#pragma once

#include <string>
#include <string_view>

namespace captions {

// Every byte one character; the five bytes Windows-1252 leaves undefined
// become the C1 controls of the same value, as the platform maps them.
std::string Utf8FromCp1252(std::string_view text);

std::string TextMessage(std::string_view cp1252_text);
std::string EditMessage(int take_back, std::string_view cp1252_text);

// A request's target split into its path and the value of its "token"
// parameter, percent-decoded. `valid` is false for a target that is not an
// absolute path or holds a malformed escape.
struct Target {
  bool valid = false;
  std::string path;
  bool has_token = false;
  std::string token;
};
Target ParseTarget(std::string_view target);

// The token in a form that can stand in a URL's query.
std::string PercentEncoded(std::string_view text);

// Compares in a time that does not depend on where the two first differ.
bool SameSecret(std::string_view a, std::string_view b);

}  // namespace captions
